// The start: the first view, then the runtime and the player movie, or the
// notice for a book opened from a disk that the browser keeps from reading
// its files, or the book's text where the runtime cannot start. The movie
// asks `leafweaver.renderer()` which renderer the runtime uses.
(function (lw) {
  "use strict";
  var book = lw.book || {};
  var runtime = book.runtime || "ruffle/";
  var root = document.documentElement;
  var fromDisk = location.protocol === "file:" && book.portable === true;
  // Phones of three device pixels a CSS pixel draw at two: a third fewer
  // pixels along each side, hardly seen on so fine a screen, for turns
  // that keep up with the finger.
  var MAX_PIXEL_RATIO = 2;

  function showNotice() {
    lw.firstView.leave();
    document.getElementById("book").style.display = "none";
    document.getElementById("notice").style.display = "block";
  }

  // Where the runtime cannot start (no WebAssembly: an old or locked-down
  // browser), the page shows the book's text and page pictures instead.
  function showWithoutPlayer() {
    lw.firstView.leave();
    root.classList.add("no-player");
  }

  // Once the runtime is in, the movie reports "ready" within seconds. A
  // runtime that panicked or hung instead is tried once more on the 2D
  // canvas (the renderer that runs everywhere); failing that, the book's
  // text shows rather than a poster for ever.
  var START_WAIT_MS = 30000;
  function watchStart(renderer) {
    var timer = setTimeout(function () {
      if (lw.events.some(function (e) { return e.name === "ready"; })) return;
      console.warn("The book player did not start on the " + renderer + " renderer");
      if (renderer !== "canvas" && !/[?&]renderer=/.test(location.search)) {
        location.replace(location.pathname + (location.search ? location.search + "&" : "?") + "renderer=canvas" + location.hash);
      } else {
        showWithoutPlayer();
      }
    }, START_WAIT_MS);
    document.addEventListener("leafweaver-player", function ready(e) {
      if (e.detail.name !== "ready") return;
      clearTimeout(timer);
      document.removeEventListener("leafweaver-player", ready);
    });
  }

  function startPlayer() {
    var renderer = lw.renderers.choose(location.search, lw.webGlIsEmulated());
    var used = null;
    lw.renderer = function () { return used || renderer; };
    window.RufflePlayer = window.RufflePlayer || {};
    window.RufflePlayer.config = {
      publicPath: runtime,
      polyfills: false,
      splashScreen: false,
      letterbox: "off",
      autoplay: "on",
      unmuteOverlay: "hidden",
      allowScriptAccess: true,
      allowFullscreen: true,
      showSwfDownload: false,
      warnOnUnsupportedContent: false,
      contextMenu: "rightClickOnly",
      backgroundColor: book.background || "#5A6470",
      scale: "noScale",
      preferredRenderer: renderer,
      quality: "high"
    };
    // Pinch and double tap on touch screens (the runtime passes one finger on).
    var touch = document.createElement("script");
    touch.src = "source/touch.js";
    document.head.appendChild(touch);
    // From a disk the runtime comes out of the book's own scripts.
    if (!fromDisk) lw.runtimeFetch.install(/\.wasm$/, book.runtimeBytes, lw.firstView.progress);
    lw.renderers.capPixelRatio(MAX_PIXEL_RATIO);
    lw.renderers.keepLanguageValid();
    var script = document.createElement("script");
    script.src = runtime + "ruffle.js";
    script.onload = function () {
      try {
        make();
      } catch (e) {
        // The runtime failed as it started: the book's text rather than a poster for ever.
        console.warn("The book player could not start: " + e);
        if (location.protocol === "file:" && !fromDisk) showNotice(); else showWithoutPlayer();
      }
    };
    function make() {
      var player = window.RufflePlayer.newest().createPlayer();
      player.id = "player";
      // Reachable by Tab; the arrow keys, Page Up/Down, Home and End turn.
      player.tabIndex = 0;
      player.setAttribute("role", "application");
      player.setAttribute("aria-label", "Book player: the arrow keys turn the pages");
      document.getElementById("book").appendChild(player);
      // The movie is told the renderer asked for (only wgpu draws into
      // bitmaps), the reading direction, the page to open at and the frame
      // around the book.
      var parameters = lw.layout.playerParameters(renderer, book.direction === "rtl", lw.startPage,
                                                  lw.layout.frameOf(book));
      // The side files the book holds: the player asks for no other.
      ["outline", "links"].forEach(function (name) {
        if (typeof book[name] === "boolean") parameters[name] = book[name] ? "1" : "0";
      });
      lw.renderers.watchUsed(function () {
        return player.ruffle().load({ url: "turnleaf.swf", parameters: parameters });
      }, function (name) { used = name; }).then(function () {
        lw.firstView.progress(1);
        watchStart(renderer);
      }, function (e) {
        lw.firstView.leave();
        if (location.protocol === "file:" && !fromDisk) showNotice();
        else { console.warn("The book player could not start: " + e); showWithoutPlayer(); }
      });
    }
    script.onerror = function () {
      if (location.protocol === "file:" && !fromDisk) showNotice(); else showWithoutPlayer();
    };
    document.head.appendChild(script);
  }

  if (typeof WebAssembly !== "object" || typeof Promise !== "function") {
    showWithoutPlayer();
  } else if (fromDisk) {
    // A book made to open from a disk answers the page's fetches itself.
    var script = document.createElement("script");
    script.src = "source/portable.js";
    script.onload = function () {
      lw.portable.install();
      lw.firstView.show(startPlayer);
    };
    script.onerror = showNotice;
    document.head.appendChild(script);
  } else if (location.protocol === "file:") {
    // Most browsers refuse to let a page from the disk read other files; try
    // first and explain instead of showing the player's own error.
    try {
      fetch("source/Pages.xml").then(function (r) {
        if (r.ok || r.status === 0) lw.firstView.show(startPlayer); else showNotice();
      }, showNotice);
    } catch (e) {
      showNotice();
    }
  } else {
    // The runtime waits for the poster, so that the first spread's few bytes
    // do not share the line with its megabytes.
    lw.firstView.show(startPlayer);
  }
})(window.leafweaver = window.leafweaver || {});

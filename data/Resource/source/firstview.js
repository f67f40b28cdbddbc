// The first view: the background and pictures of the first pages
// (source/poster.jpg for page 1, book.js's "nextPages" for the next few),
// laid out as the player lays out the book (the frame of layout.js;
// View.place, BookPainter.drawFlat in the player), shown until the player has
// drawn the same. While the runtime loads, keys, taps and swipes turn
// through these pages, and a line in the panel's band tells how far the
// loading is; the player then opens where the reader stopped.
// `leafweaver.firstView.show(then)`, `progress(share)`, `heard(name)`
// (the player's events) and `leave()`.
(function (lw) {
  "use strict";
  var book = lw.book || {};
  var rtl = book.direction === "rtl";
  var frame = lw.layout.frameOf(book);
  var layer = document.getElementById("first-view");
  var poster = book.poster;
  var pictures = poster ? [poster].concat(Array.isArray(book.nextPages) ? book.nextPages : []) : [];
  var count = Math.max(book.pageCount || 0, pictures.length);
  var gone = false, interactive = false, handedTo = 0, seen = {};
  var place = 1;        // the first page of the view on screen
  var sheets = [];      // an img for each picture, page n at n - 1
  var status = null, share = null;
  var SWIPE = 30;       // pixels a finger or the mouse moves to turn
  var FOLD_MS = 160;    // each half of a turn

  function single() {
    var root = document.documentElement;
    return root.clientHeight > root.clientWidth;
  }

  // The pages of the view that holds page n: alone in a single view; page 1
  // alone, then pairs from page 2, in two-page spreads.
  function viewOf(n) {
    if (single() || n <= 1) return [n];
    var first = n - (n % 2);
    return first + 1 <= count ? [first, first + 1] : [first];
  }

  // The first page of the view after (or before) the one at `at`; 0 at either end.
  function neighbour(at, forward) {
    var v = viewOf(at);
    var next = forward ? v[v.length - 1] + 1 : v[0] - 1;
    return next >= 1 && next <= count ? viewOf(next)[0] : 0;
  }

  function sheet(n) {
    var img = sheets[n - 1];
    if (img) {
      if (!img.getAttribute("src")) img.src = pictures[n - 1].src;
      return img;
    }
    return null;
  }

  // Where the pages of the view at `at` lie ({pages: {n: {left, top}}}, with
  // page 1's box `p` and the spine's x).
  function boxes(at) {
    var root = document.documentElement;
    var p = lw.layout.firstPage(frame, book.page.width, book.page.height, root.clientWidth, root.clientHeight, rtl);
    // Page 1's box gives the spine: right of it lies page 1 of a left-to-right spread.
    var spine = rtl ? p.left + p.width : p.left;
    var out = { pages: {}, p: p, spine: spine };
    var v = viewOf(at);
    if (p.single) {
      out.pages[v[0]] = { left: p.left, top: p.top };
      return out;
    }
    v.forEach(function (n) {
      // Odd pages lie on page 1's side of the spine, even ones on the other.
      var onFirstSide = n % 2 === 1;
      out.pages[n] = { left: onFirstSide === !rtl ? spine : spine - p.width, top: p.top };
    });
    return out;
  }

  function position(el, x, y, w, h) {
    el.style.left = x + "px"; el.style.top = y + "px";
    el.style.width = w + "px"; el.style.height = h + "px";
  }

  function layOut() {
    var b = boxes(place), p = b.p;
    var shown = Object.keys(b.pages).map(Number);
    sheets.forEach(function (img, i) {
      var box = b.pages[i + 1];
      img.style.display = box ? "block" : "none";
      if (box) position(img, box.left, box.top, p.width, p.height);
    });
    var x0 = Math.min.apply(null, shown.map(function (n) { return b.pages[n].left; }));
    position(layer.querySelector(".shadow"), x0 + 3 * p.scale, p.top + 3 * p.scale, shown.length * p.width, p.height);
    var spine = layer.querySelector(".spine");
    // The spine's shade lies on the page next to it that reads first.
    position(spine, rtl ? b.spine - 0.04 * p.width : b.spine, p.top, 0.04 * p.width, p.height);
    spine.style.display = p.single ? "none" : "block";
    if (status) position(status, 0, document.documentElement.clientHeight - frame.panel, document.documentElement.clientWidth,
                         frame.panel);
  }

  function showStatus(urge) {
    if (!status) return;
    status.textContent = share === null ? "Loading the book\u2026"
      : share >= 1 ? "Starting the book\u2026" : "Loading the book\u2026 " + Math.floor(share * 100) + " %";
    if (urge) status.animate([{ opacity: 0.4 }, { opacity: 1 }], { duration: 400 });
  }

  // Turns to the next or previous view, as a sheet folding over the spine;
  // past the pictures, the status line says the book is still loading.
  var folding = null;
  function turn(forward) {
    if (folding) folding.finish();
    var to = neighbour(place, forward);
    if (!to) return;
    var from = viewOf(place), v = viewOf(to);
    if (v.some(function (n) { return !pictures[n - 1]; })) { showStatus(true); return; }
    v.forEach(sheet);
    // The pictures of the view after it start coming now.
    var further = neighbour(to, forward);
    if (further) viewOf(further).forEach(function (n) { if (pictures[n - 1]) sheet(n); });
    place = to;
    var leaving = sheets[(forward ? from[from.length - 1] : from[0]) - 1];
    var arriving = sheets[(forward ? v[0] : v[v.length - 1]) - 1];
    if (!leaving.animate) { layOut(); return; }
    // Under the folding sheet: the new view, but for a spread's arriving
    // page, which opens from the spine once the leaving one has folded.
    var b = boxes(to), spread = !b.p.single;
    Object.keys(b.pages).forEach(function (n) {
      var img = sheets[n - 1];
      if (spread && img === arriving) return;
      img.style.display = "block";
      position(img, b.pages[n].left, b.pages[n].top, b.p.width, b.p.height);
    });
    // A sheet right of the spine folds over its left edge, one left of it over its right.
    var overLeft = forward === !rtl;
    leaving.style.zIndex = 2;
    leaving.style.transformOrigin = overLeft ? "left center" : "right center";
    folding = leaving.animate([{ transform: "scaleX(1)" }, { transform: "scaleX(0)" }],
                              { duration: FOLD_MS, easing: "ease-in" });
    folding.onfinish = function () {
      folding = null;
      leaving.style.zIndex = "";
      layOut();
      if (!spread) return;
      arriving.style.transformOrigin = overLeft ? "right center" : "left center";
      arriving.animate([{ transform: "scaleX(0)" }, { transform: "scaleX(1)" }], { duration: FOLD_MS, easing: "ease-out" });
    };
  }

  function onKey(e) {
    if (!interactive || e.defaultPrevented || /^(INPUT|TEXTAREA|SELECT|BUTTON)$/.test(e.target.tagName || "")) return;
    var forward = { ArrowRight: !rtl, ArrowLeft: rtl, PageDown: true, PageUp: false, ArrowDown: true, ArrowUp: false }[e.key];
    if (forward === undefined) return;
    e.preventDefault();
    turn(forward);
  }

  var press = null;
  function onDown(e) {
    if (!interactive || (e.pointerType === "mouse" && e.button !== 0)) return;
    press = { x: e.clientX, y: e.clientY };
  }
  function onUp(e) {
    if (!interactive || !press) return;
    var dx = e.clientX - press.x, dy = e.clientY - press.y;
    press = null;
    // A swipe turns the way the finger moves; a tap turns by the side of the book it hits.
    if (Math.abs(dx) >= SWIPE && Math.abs(dx) > Math.abs(dy)) turn(dx < 0 === !rtl);
    else if (Math.abs(dx) < SWIPE && Math.abs(dy) < SWIPE) turn((e.clientX >= document.documentElement.clientWidth / 2) === !rtl);
  }

  function interact(on) {
    interactive = on;
    layer.style.pointerEvents = on ? "auto" : "none";
    layer.style.touchAction = on ? "none" : "";
  }

  lw.firstView = {
    // Shows the background at once and the poster once decoded; calls
    // `then` once the poster's bytes are in (or at once without one), so
    // that the runtime's transfer does not share the line with them.
    show: function (then) {
      // The poster shows page 1: an address naming another page goes
      // straight to the player, as does a book without its frame.
      if (!poster || !book.page || !frame || lw.startPage > 1) { gone = true; layer.remove(); then(); return; }
      if (book.background) layer.style.backgroundColor = book.background;
      if (book.backgroundImage) layer.style.backgroundImage = "url(" + book.backgroundImage + ")";
      layer.style.display = "block";
      var img = layer.querySelector("img");
      sheets = pictures.map(function (pic, i) {
        if (i === 0) return img;
        var el = document.createElement("img");
        el.alt = "";
        layer.insertBefore(el, layer.querySelector(".spine"));
        return el;
      });
      status = document.createElement("p");
      status.className = "status";
      layer.appendChild(status);
      // The runtime's script would hold the page's load event back: it waits for that too.
      var started = false;
      function start() {
        if (started) return;
        started = true;
        if (document.readyState === "complete") then(); else window.addEventListener("load", function () { then(); });
      }
      function drawn() {
        if (!gone) {
          layOut();
          showStatus(false);
          layer.className = rtl ? "drawn rtl" : "drawn";
          interact(true);
        }
        start();
      }
      img.onload = function () {
        start();
        if (img.decode) img.decode().then(drawn, drawn); else drawn();
      };
      img.onerror = function () { img.style.display = "none"; start(); };
      window.addEventListener("resize", function () { if (!gone) { place = viewOf(place)[0]; layOut(); } });
      window.addEventListener("keydown", onKey);
      layer.addEventListener("pointerdown", onDown);
      layer.addEventListener("pointerup", onUp);
      layer.addEventListener("pointercancel", function () { press = null; });
      // A picture dragged by the mouse would start the browser's drag and drop.
      layer.addEventListener("dragstart", function (e) { e.preventDefault(); });
      img.src = poster.src;
    },
    // How much of the runtime has arrived, from 0 to 1.
    progress: function (s) {
      share = s;
      if (!gone) showStatus(false);
    },
    // The page the first view shows (the first of its view).
    place: function () { return place; },
    // The player's events: once it is ready it opens where the reader
    // turned to, and the first view leaves once the player shows that.
    heard: function (name) {
      if (gone) return;
      if (name === "ready") {
        interact(false);
        handedTo = place;
        if (handedTo > 1) setTimeout(function () { lw.perform("goto", handedTo); }, 0);
        return;
      }
      seen[name] = true;
      // Opened further on, the player's first complete view is the one after its turn there.
      if (seen.message || (seen["first-page"] && (handedTo <= 1 || seen.turned))) lw.firstView.leave();
    },
    // Takes the first view away once the player's own frame is on screen.
    leave: function () {
      if (gone) return;
      gone = true;
      interact(false);
      window.removeEventListener("keydown", onKey);
      requestAnimationFrame(function () {
        requestAnimationFrame(function () { layer.remove(); });
      });
    }
  };
})(window.leafweaver = window.leafweaver || {});

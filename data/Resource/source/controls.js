// The page and the player: what the player reports (`leafweaver.playerEvent`,
// collected in `leafweaver.events`; pages that embed the book may listen for
// the "leafweaver-player" event), the links it opens
// (`leafweaver.openLink`), the page's own controls that drive it
// (`leafweaver.perform`), the keyboard's way in and out of it, the list of
// keys, full screen and the pages in sight for screen readers.
(function (lw) {
  "use strict";
  var root = document.documentElement;

  function player() { return document.getElementById("player"); }

  // The player takes the keyboard only when it gains focus while it runs, so
  // the book is focused once the movie reports that it is ready.
  function focusBook() {
    var p = player(), active = document.activeElement;
    if (!p || (active && active !== document.body && active !== p)) return;
    if (active === p) p.blur();
    p.focus({ preventScroll: true });
  }

  // The player's state, or null before it runs.
  function state() {
    var p = player();
    try { return p && p.leafweaverState ? JSON.parse(p.leafweaverState()) : null; } catch (e) { return null; }
  }

  // What the live region says of the pages in sight: "Page 1 of 311",
  // "Pages 12–13 of 311"; empty for none.
  function pagesText(visible, count) {
    visible = (visible || []).filter(function (n) { return n > 0; }).sort(function (a, b) { return a - b; });
    if (!visible.length) return "";
    var last = visible[visible.length - 1];
    return (last > visible[0] ? "Pages " + visible[0] + "\u2013" + last : "Page " + visible[0]) + " of " + count;
  }

  // After the player opened or turned: the address names the page in sight
  // (a page beyond the book's end opens its last spread), and screen
  // readers hear which pages these are.
  function showPlace() {
    var st = state();
    if (!st || !st.ready || !st.visible.length) return;
    var shown = st.visible.filter(function (n) { return n > 0; });
    if (shown.length && shown.indexOf(lw.address.pageOfHash(location.hash)) < 0 && lw.address.pageOfHash(location.hash) > 0)
      lw.showPageInAddress(Math.min.apply(null, shown));
    var status = document.getElementById("page-status");
    if (status) status.textContent = pagesText(st.visible, st.pageCount);
  }

  // The search's results close as the book moves on: the page is in sight.
  // Without the player they stand above the text, over nothing.
  function closeResults() {
    var results = document.getElementById("search-results");
    if (root.classList.contains("no-player")) return;
    if (results && results.contains(document.activeElement)) document.getElementById("search-box").focus();
    if (results) results.hidden = true;
  }
  lw.closeResults = closeResults;

  lw.events = [];
  lw.playerEvent = function (name, detail) {
    // Both outside the player's own call.
    if (name === "ready") setTimeout(function () { focusBook(); showPlace(); }, 0);
    if (name === "turned") {
      lw.showPageInAddress(parseInt(detail, 10));
      setTimeout(showPlace, 0);
      closeResults();
    }
    // A book with thumbnails or an outline offers their panels to the keyboard too.
    if ((name === "thumbnails" || name === "outline") && parseInt(detail, 10) > 0)
      document.querySelector('#page-buttons [data-command="' + name + '"]').hidden = false;
    lw.firstView.heard(String(name));
    lw.events.push({ name: String(name), detail: String(detail), time: performance.now() });
    try {
      document.dispatchEvent(new CustomEvent("leafweaver-player", { detail: { name: String(name), detail: String(detail) } }));
    } catch (e) { /* old browsers: the list above is enough */ }
  };

  // Links on the pages: web addresses open in a new tab, http, https and mailto only.
  lw.openLink = function (url) {
    url = String(url);
    if (!/^(https?:|mailto:)/i.test(url)) return;
    closeResults();
    var tab = window.open(url, "_blank", "noopener");
    if (tab) tab.opener = null;
  };

  // The page's own controls drive the player through its hooks; without a
  // player a page number scrolls to the page's text. Answers whether the
  // player took the command.
  lw.perform = function (command, number) {
    var p = player();
    if (root.classList.contains("no-player") || !p || !p.leafweaverPerform) {
      var section = command === "goto" && document.getElementById("page-" + number);
      if (section) section.scrollIntoView();
      return false;
    }
    try { return p.leafweaverPerform(command, number); } catch (e) { return false; }
  };

  Array.prototype.forEach.call(document.querySelectorAll("#page-buttons button[data-command]"), function (b) {
    b.addEventListener("click", function () {
      var command = b.getAttribute("data-command");
      // The panels take the arrow keys, Enter and Escape: the player gets the keyboard.
      var p = player();
      if (lw.perform(command) && (command === "thumbnails" || command === "outline") && p) p.focus({ preventScroll: true });
    });
  });

  // Full screen holds the whole page, so that the search stays; the player
  // asks for it here too. Answers whether the page could.
  lw.toggleFullScreen = function () {
    var d = document;
    try {
      if (d.fullscreenElement) { d.exitFullscreen(); return true; }
      if (!root.requestFullscreen) return false;
      var asked = root.requestFullscreen();
      if (asked && asked.catch) asked.catch(function () { /* refused: nothing changes */ });
      return true;
    } catch (e) { return false; }
  };
  var fullButton = document.querySelector('[data-page-command="fullscreen"]');
  fullButton.addEventListener("click", function () { lw.toggleFullScreen(); });
  if (!root.requestFullscreen) fullButton.hidden = true;
  document.addEventListener("fullscreenchange", function () {
    fullButton.setAttribute("aria-pressed", document.fullscreenElement ? "true" : "false");
  });

  // The list of keys: "?" or its button opens it, Escape closes it, and the
  // focus goes back where it was.
  var help = document.getElementById("key-help"), before = null;
  function showKeys() {
    if (!help || help.open || !help.showModal) return;
    before = document.activeElement;
    help.showModal();
  }
  if (help) help.addEventListener("close", function () {
    if (before && before.focus) before.focus({ preventScroll: true });
    before = null;
  });
  document.querySelector('[data-page-command="keys"]').addEventListener("click", showKeys);
  window.addEventListener("keydown", function (e) {
    var t = e.target;
    if (e.key !== "?" || e.ctrlKey || e.altKey || e.metaKey) return;
    if (t && (t.tagName === "INPUT" || t.tagName === "TEXTAREA" || t.isContentEditable)) return;
    e.preventDefault();
    root.classList.add("keys");
    showKeys();
  }, true);

  // The links of the page's text take no Tab stop while the player shows
  // the pages (screen readers still read and follow them); in the view
  // without the player they do, and the page the address names is scrolled to.
  var textShown = null;
  function textView() {
    var shown = root.classList.contains("no-player");
    if (shown === textShown) return;
    textShown = shown;
    Array.prototype.forEach.call(document.querySelectorAll("#book-text a[href]"), function (a) {
      if (shown) a.removeAttribute("tabindex"); else a.setAttribute("tabindex", "-1");
    });
    if (!shown || !(lw.startPage > 0)) return;
    // Again once the page has loaded: the browser's own scroll at the load
    // puts the page back at its top.
    lw.perform("goto", lw.startPage);
    if (document.readyState !== "complete")
      window.addEventListener("load", function () { setTimeout(function () { lw.perform("goto", lw.startPage); }, 0); });
  }
  if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", textView);
  else textView();
  if (window.MutationObserver)
    new MutationObserver(function () { if (document.readyState !== "loading") textView(); })
      .observe(root, { attributes: true, attributeFilter: ["class"] });
  // A link followed in the page closes the search results too.
  document.addEventListener("click", function (e) {
    if (e.target && e.target.closest && e.target.closest("#book-text a")) closeResults();
  });

  // Focus rings once the reader uses the keyboard; Tab always leaves the
  // book, whatever the runtime does with keys.
  window.addEventListener("keydown", function (e) {
    if (e.key !== "Tab") return;
    root.classList.add("keys");
    var p = player();
    if (p && document.activeElement === p) {
      e.preventDefault();
      e.stopPropagation();
      var buttons = document.querySelectorAll("#page-buttons button:not([hidden])");
      (e.shiftKey ? buttons[buttons.length - 1] : document.getElementById("search-box")).focus();
    }
  }, true);
  window.addEventListener("mousedown", function () { root.classList.remove("keys"); }, true);
})(window.leafweaver = window.leafweaver || {});

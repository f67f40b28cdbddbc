// The page and the player: what the player reports (`leafweaver.playerEvent`,
// collected in `leafweaver.events`; pages that embed the book may listen for
// the "leafweaver-player" event), the links it opens
// (`leafweaver.openLink`), the page's own controls that drive it
// (`leafweaver.perform`), and the keyboard's way in and out of it.
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

  lw.events = [];
  lw.playerEvent = function (name, detail) {
    if (name === "ready") setTimeout(focusBook, 0);  // outside the player's own call
    if (name === "turned") lw.showPageInAddress(parseInt(detail, 10));
    // A book with thumbnails offers their panel to the keyboard too.
    if (name === "thumbnails" && parseInt(detail, 10) > 0)
      document.querySelector('#page-buttons [data-command="thumbnails"]').hidden = false;
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

  Array.prototype.forEach.call(document.querySelectorAll("#page-buttons button"), function (b) {
    b.addEventListener("click", function () {
      var command = b.getAttribute("data-command");
      // The thumbnails take the arrow keys, Enter and Escape: the player gets the keyboard.
      var p = player();
      if (lw.perform(command) && command === "thumbnails" && p) p.focus({ preventScroll: true });
    });
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

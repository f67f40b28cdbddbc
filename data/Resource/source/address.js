// The page's address names the page the book opens at (index.html#page=12),
// and turning the pages keeps it up to date without adding to the history,
// so that the browser's Back leaves the book. A page number typed into the
// address turns the book there.
(function (root) {
  "use strict";

  // The page number a location hash names ("#page=12", also after other
  // "&"-joined values); 0 for none.
  function pageOfHash(hash) {
    var m = /(?:^#|&)page=(\d+)/.exec(String(hash || ""));
    return m ? parseInt(m[1], 10) : 0;
  }

  var api = { pageOfHash: pageOfHash };
  if (typeof module === "object" && module.exports) { module.exports = api; return; }

  var lw = root.leafweaver = root.leafweaver || {};
  lw.address = api;
  lw.startPage = pageOfHash(location.hash);

  // Puts page n into the address as the book turns.
  lw.showPageInAddress = function (n) {
    if (!(n > 0) || pageOfHash(location.hash) === n || !window.history || !history.replaceState) return;
    try { history.replaceState(history.state, "", "#page=" + n); } catch (e) { /* a sandboxed frame */ }
  };

  window.addEventListener("hashchange", function () {
    var n = pageOfHash(location.hash), player = document.getElementById("player");
    if (n > 0 && document.documentElement.classList.contains("no-player")) {
      var section = document.getElementById("page-" + n);
      if (section) section.scrollIntoView();
    } else if (n > 0 && player && player.leafweaverGoTo) {
      try { player.leafweaverGoTo(n); } catch (e) { /* the player is not up yet */ }
    }
  });
})(this);

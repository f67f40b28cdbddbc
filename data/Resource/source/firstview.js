// The first view: the background and a picture of the first spread
// (source/poster.jpg), laid out as the player lays out the book (the frame
// of layout.js; View.place, BookPainter.drawFlat in the player), shown until
// the player has drawn the same. `leafweaver.firstView.show(then)` and
// `leave()`.
(function (lw) {
  "use strict";
  var book = lw.book || {};
  var rtl = book.direction === "rtl";
  var frame = lw.layout.frameOf(book);
  var layer = document.getElementById("first-view");
  var poster = book.poster;
  var gone = false;

  function place() {
    var root = document.documentElement;
    var p = lw.layout.firstPage(frame, book.page.width, book.page.height, root.clientWidth, root.clientHeight, rtl);
    function box(el, x, y, width) {
      el.style.left = x + "px"; el.style.top = y + "px";
      el.style.width = width + "px"; el.style.height = p.height + "px";
    }
    box(layer.querySelector(".shadow"), p.left + 3 * p.scale, p.top + 3 * p.scale, p.width);
    box(layer.querySelector("img"), p.left, p.top, p.width);
    var spine = layer.querySelector(".spine");
    box(spine, rtl ? p.left + 0.96 * p.width : p.left, p.top, 0.04 * p.width);
    spine.style.display = p.single ? "none" : "block";
  }

  lw.firstView = {
    // Shows the background at once and the poster once decoded; calls
    // `then` when the poster is on screen, or at once without one.
    show: function (then) {
      // The poster shows page 1: an address naming another page goes
      // straight to the player, as does a book without its frame.
      if (!poster || !book.page || !frame || lw.startPage > 1) { gone = true; layer.remove(); then(); return; }
      if (book.background) layer.style.backgroundColor = book.background;
      if (book.backgroundImage) layer.style.backgroundImage = "url(" + book.backgroundImage + ")";
      layer.style.display = "block";
      var img = layer.querySelector("img");
      var done = false;
      function drawn() {
        if (done) return;
        done = true;
        if (!gone) { place(); layer.className = rtl ? "drawn rtl" : "drawn"; }
        then();
      }
      img.onload = function () {
        if (img.decode) img.decode().then(drawn, drawn); else drawn();
      };
      img.onerror = function () { img.style.display = "none"; done = true; then(); };
      window.addEventListener("resize", function () { if (!gone) place(); });
      img.src = poster.src;
    },
    // Takes the first view away once the player's own frame is on screen.
    leave: function () {
      if (gone) return;
      gone = true;
      requestAnimationFrame(function () {
        requestAnimationFrame(function () { layer.remove(); });
      });
    }
  };
})(window.leafweaver = window.leafweaver || {});

// The book's frame on the page: the margin around the book and the control
// panel's band below it, as source/book.js gives them (the program writes
// them with the poster), and where the first spread lies in a window. The
// player takes the same numbers from the page, so the poster and the
// player's first frame match.
(function (root) {
  "use strict";

  // The frame of `book` (book.js's settings): {margin, panel} in pixels, or
  // null when the settings carry none or a number that is not a whole number
  // from 0 to 400.
  function frameOf(book) {
    var layout = book && book.layout;
    if (!layout) return null;
    var ok = function (n) { return typeof n === "number" && Math.floor(n) === n && n >= 0 && n <= 400; };
    return ok(layout.margin) && ok(layout.panel) ? { margin: layout.margin, panel: layout.panel } : null;
  }

  // Where page 1 lies in a window of w x h for pages of pw x ph, as the
  // player lays out the book: {left, top, width, height, scale, single}.
  // Two pages side by side unless the window is taller than wide; page 1
  // lies alone right of the spine, left of it in a right-to-left book.
  function firstPage(frame, pw, ph, w, h, rtl) {
    var m = frame.margin;
    var vw = Math.max(w - 2 * m, 10), vh = Math.max(h - frame.panel - 2 * m, 10);
    var single = h > w, bw = single ? pw : 2 * pw;
    var s = Math.min(vw / bw, vh / ph);
    return {
      left: m + (vw - bw * s) / 2 + (single || rtl ? 0 : pw * s), top: m + (vh - ph * s) / 2,
      width: pw * s, height: ph * s, scale: s, single: single
    };
  }

  // The movie's parameters: the renderer asked for, the reading direction,
  // the page to open at (none for 0) and the frame, when there is one.
  function playerParameters(renderer, rtl, startPage, frame) {
    var p = { renderer: renderer, direction: rtl ? "rtl" : "ltr" };
    if (startPage > 0) p.page = String(startPage);
    if (frame) { p.margin = String(frame.margin); p.panel = String(frame.panel); }
    return p;
  }

  var api = { frameOf: frameOf, firstPage: firstPage, playerParameters: playerParameters };
  if (typeof module === "object" && module.exports) { module.exports = api; return; }
  var lw = root.leafweaver = root.leafweaver || {};
  lw.layout = api;
})(this);

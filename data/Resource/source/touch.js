// Touch screens: the runtime passes only one finger to the player, as the
// mouse. This script tells the player which kind of pointer pressed last
// (so that it can wait for a double tap on a touch screen), and turns two
// fingers spreading or closing on the book into the player's zoom, about
// the point between them. Loaded with the player; without one it does
// nothing.
(function (lw) {
  "use strict";
  // How far the fingers must spread (or close) for one zoom level.
  var STEP = 1.3;
  var lastType = "mouse";
  var fingers = new Map();
  var pinch = null;

  lw.pointerType = function () { return lastType; };

  function player() { return document.getElementById("player"); }
  function onPlayer(e) {
    var p = player();
    return !!p && (e.target === p || (e.composedPath && e.composedPath().indexOf(p) >= 0));
  }
  function call(name, args) {
    var p = player();
    try { return p && p[name] ? p[name].apply(p, args || []) : null; } catch (e) { return null; }
  }
  // The two fingers' distance and the point between them, in the player's pixels.
  function span() {
    var a = Array.from(fingers.values());
    var r = player().getBoundingClientRect();
    return {
      distance: Math.hypot(a[0].x - a[1].x, a[0].y - a[1].y),
      x: (a[0].x + a[1].x) / 2 - r.left,
      y: (a[0].y + a[1].y) / 2 - r.top
    };
  }

  window.addEventListener("pointerdown", function (e) {
    if (!onPlayer(e)) return;
    lastType = e.pointerType || "mouse";
    if (e.pointerType !== "touch") return;
    // Fingers after the first never reach the runtime, which would take them for the mouse.
    var passed = fingers.size === 0;
    fingers.set(e.pointerId, { x: e.clientX, y: e.clientY, passed: passed });
    if (fingers.size === 2 && !pinch) {
      // The first finger's press becomes the pinch's: no turn, no tap.
      call("leafweaverCancelPress");
      pinch = { distance: Math.max(span().distance, 1) };
    }
    if (!passed) e.stopPropagation();
  }, true);

  window.addEventListener("pointermove", function (e) {
    if (!fingers.has(e.pointerId)) return;
    var finger = fingers.get(e.pointerId);
    finger.x = e.clientX;
    finger.y = e.clientY;
    if (!pinch && finger.passed) return;
    e.stopPropagation();
    if (fingers.size < 2) return;
    var s = span(), ratio = s.distance / pinch.distance;
    if (ratio >= STEP || ratio <= 1 / STEP) {
      call("leafweaverZoomAt", [ratio > 1 ? "in" : "out", s.x, s.y]);
      pinch.distance = s.distance;
    }
  }, true);

  // The runtime hears the first finger lift (its press was already cancelled), never the others.
  function lifted(e) {
    var finger = fingers.get(e.pointerId);
    if (!finger) return;
    fingers.delete(e.pointerId);
    if (!finger.passed) e.stopPropagation();
    if (fingers.size === 0) pinch = null;
  }
  window.addEventListener("pointerup", lifted, true);
  window.addEventListener("pointercancel", lifted, true);
})(window.leafweaver = window.leafweaver || {});

// Touch screens: the runtime passes only one finger to the player, as the
// mouse. This script tells the player which kind of pointer pressed last
// and whether a finger's press is a double tap's second, timed by the
// browser's event times (the player's own clock runs behind them under a
// slow processor), and turns two fingers spreading or closing on the book
// into the player's zoom, about the point between them. Loaded with the
// player; without one it does nothing.
(function (lw) {
  "use strict";
  // How far the fingers must spread (or close) for one zoom level.
  var STEP = 1.3;
  // A double tap as the player's DoubleTap has it: a press within INTERVAL
  // milliseconds of a tap's end and REACH pixels of it (across plus down);
  // a press that moves SLOP pixels is no tap.
  var INTERVAL = 300, REACH = 40, SLOP = 5;
  // The longest a tap's action waits beyond INTERVAL for a page that hears fingers late.
  var LATE_MOST = 2000;
  var lastType = "mouse";
  var fingers = new Map();
  var pinch = null;
  // The first finger's press: where, a double tap's second or not, moved or not.
  var press = null;
  // The last tap's end, while a second tap may follow.
  var lastTap = null;
  // A double tap's second the player has not asked about yet: its tap waits for it.
  var unheardSecond = null;

  lw.pointerType = function () { return lastType; };
  // The last press's kind, and " second" for a double tap's second.
  lw.pressKind = function () {
    unheardSecond = null;
    return lastType + (press && press.second ? " second" : "");
  };
  // Milliseconds left before the last tap's action may run: its double-tap
  // moment by the browser's clock, lengthened while the page hears fingers
  // late (four times as long as the tap took to reach this script, as a busy
  // page hears the next one later still; at most two seconds more), or a
  // moment more while a press waits to be heard or to reach the player.
  lw.tapWait = function () {
    var now = performance.now();
    if (unheardSecond !== null && now - unheardSecond < LATE_MOST) return INTERVAL;
    if (!lastTap) return 0;
    var pending = navigator.scheduling && navigator.scheduling.isInputPending && navigator.scheduling.isInputPending();
    if (pending && now - lastTap.t < INTERVAL + LATE_MOST) return INTERVAL;
    var left = lastTap.t + INTERVAL + Math.min(4 * lastTap.late, LATE_MOST) - now;
    if (left > 0) return left;
    lastTap = null;
    return 0;
  };

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
    if (e.pointerType !== "touch") {
      press = lastTap = unheardSecond = null;
      return;
    }
    // Fingers after the first never reach the runtime, which would take them for the mouse.
    var passed = fingers.size === 0;
    if (passed) {
      var r = player().getBoundingClientRect(), x = e.clientX - r.left, y = e.clientY - r.top;
      var second = !!lastTap && e.timeStamp - lastTap.t <= INTERVAL &&
        Math.abs(x - lastTap.x) + Math.abs(y - lastTap.y) <= REACH;
      press = { x: x, y: y, second: second, taps: !second, late: performance.now() - e.timeStamp };
      lastTap = null;
      unheardSecond = second ? e.timeStamp : null;
    }
    fingers.set(e.pointerId, { x: e.clientX, y: e.clientY, x0: e.clientX, y0: e.clientY, passed: passed });
    if (fingers.size === 2 && !pinch) {
      // The first finger's press becomes the pinch's: no turn, no tap.
      call("leafweaverCancelPress");
      if (press) press.taps = false;
      pinch = { distance: Math.max(span().distance, 1) };
    }
    if (!passed) e.stopPropagation();
  }, true);

  window.addEventListener("pointermove", function (e) {
    if (!fingers.has(e.pointerId)) return;
    var finger = fingers.get(e.pointerId);
    if (finger.passed && press && Math.abs(e.clientX - finger.x0) + Math.abs(e.clientY - finger.y0) >= SLOP)
      press.taps = false;
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
    // A tap (no move, no second finger, not a double tap's end) may begin a double tap.
    if (finger.passed && press && press.taps && e.type === "pointerup")
      lastTap = { t: e.timeStamp, x: press.x, y: press.y, late: Math.max(press.late, performance.now() - e.timeStamp, 0) };
    if (!finger.passed) e.stopPropagation();
    if (fingers.size === 0) pinch = null;
  }
  window.addEventListener("pointerup", lifted, true);
  window.addEventListener("pointercancel", lifted, true);
})(window.leafweaver = window.leafweaver || {});

// Which renderer the runtime is asked for, and which one it really uses.
// WebGL through wgpu where a graphics card draws it: it can draw a page into
// a bitmap, which keeps turns of vector pages fast, and it has the blend
// modes. Where WebGL is emulated on the processor, the 2D canvas draws a page
// turn several times faster (and the wgpu renderers would cover the book
// with a notice about graphics acceleration on the first mouse-over).
// Also loaded by the program's page preview.
(function (root) {
  "use strict";

  // Whether a WebGL renderer's name is one that draws on the processor;
  // true for no name (no WebGL at all).
  function isEmulated(name) {
    return !name || /swiftshader|llvmpipe|softpipe|software|basic render/i.test(String(name));
  }

  // The renderer to ask for: the one an address's query names
  // ("?renderer=NAME", for trouble-shooting), else by `emulated`.
  function choose(query, emulated) {
    var asked = /[?&]renderer=(webgl|wgpu-webgl|canvas|webgpu)(?:&|$)/.exec(String(query || ""));
    return asked ? asked[1] : emulated ? "canvas" : "wgpu-webgl";
  }

  // The renderer a line of the runtime's console names, or null.
  function usedIn(line) {
    var m = /Used renderer: ([\w-]+)/.exec(String(line));
    return m ? m[1] : null;
  }

  // Runs `load` (which answers a promise) and answers the promise it gives.
  // The runtime names the renderer it uses (it falls back to another where
  // the one asked for cannot start) only in a console line it writes while
  // it makes its instance, inside `load`: console.log is watched for that
  // line while `load` runs, and given back when it has settled. `seen` gets
  // the name.
  function watchUsed(load, seen) {
    var log = console.log, watching = true;
    var watcher = function () {
      var name = watching && usedIn(arguments[0]);
      if (name) seen(name);
      return log.apply(console, arguments);
    };
    console.log = watcher;
    function done() {
      watching = false;
      if (console.log === watcher) console.log = log;
    }
    var loading;
    try { loading = Promise.resolve(load()); } catch (e) { loading = Promise.reject(e); }
    loading.then(done, done);
    return loading;
  }

  var api = { isEmulated: isEmulated, choose: choose, usedIn: usedIn, watchUsed: watchUsed };
  if (typeof module === "object" && module.exports) { module.exports = api; return; }

  // The name of this browser's WebGL renderer, or null without WebGL.
  function webGlName() {
    try {
      var gl = document.createElement("canvas").getContext("webgl");
      if (!gl) return null;
      var info = gl.getExtension("WEBGL_debug_renderer_info");
      var name = String(gl.getParameter(info ? info.UNMASKED_RENDERER_WEBGL : gl.RENDERER));
      var lose = gl.getExtension("WEBGL_lose_context");
      if (lose) lose.loseContext();
      return name;
    } catch (e) {
      return null;
    }
  }

  // Caps the device pixel ratio the runtime reads at `max`.
  function capPixelRatio(max) {
    if (!(root.devicePixelRatio > max)) return;
    try {
      Object.defineProperty(root, "devicePixelRatio", { configurable: true, get: function () { return max; } });
    } catch (e) { /* a browser that keeps it: drawn at its full ratio */ }
  }

  var lw = root.leafweaver = root.leafweaver || {};
  lw.renderers = api;
  api.capPixelRatio = capPixelRatio;
  lw.webGlIsEmulated = function () { return isEmulated(webGlName()); };
})(this);

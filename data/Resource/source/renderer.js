// Which renderer the runtime is asked for, and which one it really uses;
// also what else the runtime reads from the browser at its start (the
// pixel ratio, the language).
// WebGL through wgpu where a graphics card draws it: it can draw a page into
// a bitmap, which keeps turns of vector pages fast, and it has the blend
// modes. Where WebGL is emulated on the processor, the 2D canvas draws a page
// turn several times faster (and the wgpu renderers would cover the book
// with a notice about graphics acceleration on the first mouse-over).
// Also loaded by the program's page preview.
(function (root) {
  "use strict";

  // Whether a WebGL renderer's name is one that draws on the processor;
  // true for no name (no WebGL at all), and for a name that hides the card:
  // WebKit names Apple's GPU on every system (WebKitGTK on Linux draws
  // WebGL with Mesa's llvmpipe where there is no card), so that name says
  // something only on the `platform` of Apple's own machines.
  function isEmulated(name, platform) {
    if (/^apple gpu$/i.test(String(name)) && platform !== undefined) return !/^(mac|iphone|ipad|ipod)/i.test(String(platform));
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

  // The language tags of `list` that the browser's Intl takes (a browser
  // run under the "C" locale names its language "c", which the runtime's
  // start cannot take), or ["en-US"] when none is.
  function validLanguages(list) {
    var ok = (list || []).filter(function (tag) {
      try { return typeof Intl !== "object" || !Intl.Locale || !!new Intl.Locale(tag); } catch (e) { return false; }
    });
    return ok.length ? ok : ["en-US"];
  }

  var api = { isEmulated: isEmulated, choose: choose, usedIn: usedIn, watchUsed: watchUsed, validLanguages: validLanguages };
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

  // Gives the runtime valid language tags where the browser's own are not.
  function keepLanguageValid() {
    var nav = root.navigator;
    var tags = validLanguages(nav.languages && nav.languages.length ? Array.prototype.slice.call(nav.languages) : [nav.language]);
    if (tags[0] === nav.language && (!nav.languages || tags.length === nav.languages.length)) return;
    try {
      Object.defineProperty(nav, "language", { configurable: true, get: function () { return tags[0]; } });
      Object.defineProperty(nav, "languages", { configurable: true, get: function () { return tags.slice(); } });
    } catch (e) { /* kept as they are */ }
  }

  var lw = root.leafweaver = root.leafweaver || {};
  lw.renderers = api;
  api.keepLanguageValid = keepLanguageValid;
  api.capPixelRatio = capPixelRatio;
  // Whether the browser would draw WebGL on the processor: by what a context
  // can do (one that must not run with a major performance caveat cannot be
  // made on software GL), and by the renderer's name where it gives one (some
  // engines name a real card's for every context, and pass the first test
  // on software GL too).
  function hasFastWebGl() {
    try {
      return !!document.createElement("canvas").getContext("webgl", { failIfMajorPerformanceCaveat: true });
    } catch (e) {
      return false;
    }
  }
  lw.webGlIsEmulated = function () { return !hasFastWebGl() || isEmulated(webGlName(), root.navigator.platform); };
})(this);

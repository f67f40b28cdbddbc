// A book that opens from a disk. Browsers let a page opened from a folder
// (file://) run scripts beside it but not fetch the files the runtime and the
// player read. A book published to open from a disk carries each of those
// files once more as a script, portable/<path>.js, which hands its bytes to
// `leafweaver.portable.put`; the page's fetches of the book's files are
// answered from those scripts, each loaded when first asked for.
(function (root) {
  "use strict";

  var TYPES = {
    swf: "application/x-shockwave-flash", wasm: "application/wasm", xml: "application/xml",
    json: "application/json", jpg: "image/jpeg", jpeg: "image/jpeg", png: "image/png",
    gif: "image/gif", gz: "application/gzip", ttf: "font/ttf", otf: "font/otf"
  };

  // The path of `address` inside the book at `base` (both absolute), without
  // query or fragment; null for an address outside the book.
  function bookPath(address, base) {
    var plain = String(address).split(/[?#]/)[0];
    var folder = String(base).split(/[?#]/)[0].replace(/[^/]*$/, "");
    if (plain.indexOf(folder) !== 0) return null;
    var path = plain.slice(folder.length);
    try { path = decodeURIComponent(path); } catch (e) { return null; }
    return path && !/(^|\/)\.\.?(\/|$)/.test(path) ? path : null;
  }

  // The script that carries the file at `path`: "portable/" + path + ".js",
  // each folder name and the file name escaped as an address needs.
  function scriptOf(path) {
    return "portable/" + path.split("/").map(encodeURIComponent).join("/") + ".js";
  }

  function bytesOf(base64) {
    var text = atob(base64), bytes = new Uint8Array(text.length);
    for (var i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
    return bytes;
  }

  var api = { bookPath: bookPath, scriptOf: scriptOf };
  if (typeof module === "object" && module.exports) { module.exports = api; return; }

  var files = {};     // path -> {data: base64 text, packing: "" or "gzip"}
  var waiting = {};   // path -> promise of the script's loading

  // Called by each portable/<path>.js with the file's bytes in base64;
  // `packing` "gzip" for bytes that are the file gzipped.
  function put(path, data, packing) {
    files[path] = { data: data, packing: packing || "" };
  }

  function load(path) {
    if (files[path]) return Promise.resolve(files[path]);
    if (!waiting[path]) {
      waiting[path] = new Promise(function (resolve) {
        var script = document.createElement("script");
        script.src = scriptOf(path);
        script.onload = script.onerror = function () {
          script.remove();
          resolve(files[path] || null);
        };
        document.head.appendChild(script);
      });
    }
    return waiting[path];
  }

  // The answer to a fetch of `address` (the book's file at `path`): the
  // file's bytes as a server would send them, or 404 for a file the book
  // does not have. The answer names its address, as a server's does.
  function answer(path, address) {
    return load(path).then(function (file) {
      var response;
      if (!file) {
        response = new Response("not found", { status: 404, statusText: "Not Found" });
      } else {
        var body = bytesOf(file.data);
        var type = TYPES[(path.match(/\.([a-z0-9]+)$/i) || [])[1]] || "application/octet-stream";
        if (file.packing === "gzip")
          body = new Blob([body]).stream().pipeThrough(new DecompressionStream("gzip"));
        response = new Response(body, { status: 200, headers: { "Content-Type": type } });
      }
      Object.defineProperty(response, "url", { value: address });
      return response;
    });
  }

  // Routes the page's fetches of the book's own files to the scripts; other
  // addresses pass as they are.
  function install() {
    var fetch = root.fetch;
    root.fetch = function (input, init) {
      var address = typeof input === "string" ? new URL(input, document.baseURI).href
                                                : (input && input.url) || String(input);
      var path = bookPath(address, document.baseURI);
      if (path === null) return fetch.apply(this, arguments);
      return answer(path, address);
    };
  }

  var lw = root.leafweaver = root.leafweaver || {};
  lw.portable = { put: put, install: install, bookPath: bookPath, scriptOf: scriptOf };
})(this);

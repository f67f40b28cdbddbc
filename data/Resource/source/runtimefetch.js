// How the page fetches the runtime's WebAssembly (some 14 MB plain), the
// fastest way the host allows without any configuration: a host that
// sends it in brotli (as `leafweaver-publish --serve` does) or is set up
// for the book (the package's .htaccess, the README's nginx lines) is
// kept; from any other host the page fetches the gzip copy
// beside it (".wasm.gz") as plain bytes and unpacks it itself, checking the
// bytes, since a host may have unpacked it already; failing that, the plain
// file (which published books leave out: browsers without
// DecompressionStream show the book's text on hosts that do not compress). The bytes are counted as they arrive for the first view's progress.
(function (root) {
  "use strict";

  // What `bytes` begin with: "gzip", "wasm" or null for anything else.
  function kindOf(bytes) {
    var starts = function (magic) {
      if (!bytes || bytes.length < magic.length) return false;
      for (var i = 0; i < magic.length; i++) if (bytes[i] !== magic[i]) return false;
      return true;
    };
    return starts([0x1f, 0x8b]) ? "gzip" : starts([0x00, 0x61, 0x73, 0x6d]) ? "wasm" : null;
  }

  var api = { kindOf: kindOf };
  if (typeof module === "object" && module.exports) { module.exports = api; return; }

  function encodedBy(r) {
    var e = (r.headers.get("Content-Encoding") || "").toLowerCase();
    return e && e !== "identity" ? e : "";
  }

  // Reads `reader` until at least four bytes are in; resolves to them (fewer at the end).
  function head(reader) {
    var parts = [], length = 0;
    function next() {
      if (length >= 4) return Promise.resolve(join());
      return reader.read().then(function (p) {
        if (p.done) return join();
        parts.push(p.value);
        length += p.value.length;
        return next();
      });
    }
    function join() {
      var out = new Uint8Array(length), at = 0;
      parts.forEach(function (p) { out.set(p, at); at += p.length; });
      return out;
    }
    return next();
  }

  // `first`, then the rest of `reader`, each part counted by `count(n)`.
  function rejoined(first, reader, count) {
    return new ReadableStream({
      start: function (c) { count(first.length); c.enqueue(first); },
      pull: function (c) {
        return reader.read().then(function (p) {
          if (p.done) { c.close(); return; }
          count(p.value.length);
          c.enqueue(p.value);
        });
      },
      cancel: function (why) { return reader.cancel(why); }
    });
  }

  // Counts a copy of `r`'s body against `whole` while the runtime reads `r`.
  function countCopy(r, whole, count) {
    if (!(whole > 0) || !r.body || !r.clone) return r;
    var reader = r.clone().body.getReader();
    (function read() {
      reader.read().then(function (p) {
        if (p.done) return;
        count(p.value.length, whole);
        read();
      }, function () { /* the runtime's own reading reports the failure */ });
    })();
    return r;
  }

  // Fetches the WebAssembly at `address` as above; `size` is its size
  // unpacked (book.js's runtimeBytes, 0 when unknown) and `report(share)`
  // hears how much has arrived, from 0 to 1.
  function fetchWasm(fetch, address, init, size, report) {
    var seen = 0;
    function count(n, whole) {
      seen += n;
      if (whole > 0) report(Math.min(1, seen / whole));
    }
    function plain() {
      return fetch(address, init).then(function (r) {
        return countCopy(r, encodedBy(r) ? size : Number(r.headers.get("Content-Length")), count);
      });
    }
    if (typeof DecompressionStream !== "function" || typeof ReadableStream !== "function" ||
        typeof AbortController !== "function") return plain();
    var asked = new AbortController();
    var options = {};
    for (var k in init || {}) options[k] = init[k];
    options.signal = asked.signal;
    return fetch(address, options).then(function (r) {
      // Brotli, or any encoding from a host set up for the book (which then
      // also keeps the runtime in caches), is kept.
      var encoding = encodedBy(r);
      if (r.ok && (encoding === "br" || (encoding && /max-age=[1-9]/.test(r.headers.get("Cache-Control") || ""))))
        return countCopy(r, size, count);
      if (!r.ok && r.status !== 404) return r;
      // Sent plain, gzipped as it goes (which some hosts then send whole
      // again on a repeat visit), or not there (a published book carries
      // only the compressed copies): the gzip copy, a third of the bytes.
      asked.abort();
      return fetch(address + ".gz", init).then(function (g) {
        if (!g.ok || !g.body) return plain();
        var reader = g.body.getReader();
        return head(reader).then(function (first) {
          var kind = kindOf(first);
          if (!kind) { reader.cancel(); return plain(); }
          // Bytes still packed count against the copy's length; unpacked by the host, against the whole.
          var whole = kind === "gzip" && !encodedBy(g) ? Number(g.headers.get("Content-Length")) : size;
          var body = rejoined(first, reader, function (n) { count(n, whole); });
          if (kind === "gzip") body = body.pipeThrough(new DecompressionStream("gzip"));
          return new Response(body, { status: 200, headers: { "Content-Type": "application/wasm" } });
        });
      }, plain);
    });
  }

  // Routes the page's fetches of addresses matching `pattern` (the
  // runtime's WebAssembly) through fetchWasm; other fetches pass as they are.
  function install(pattern, size, report) {
    var fetch = root.fetch;
    if (typeof fetch !== "function") return;
    root.fetch = function (input, init) {
      var address = typeof input === "string" ? input : (input && input.url) || String(input);
      if (!pattern.test(address.split(/[?#]/)[0])) return fetch.apply(this, arguments);
      return fetchWasm(fetch.bind(root), address, init, size || 0, report);
    };
  }

  var lw = root.leafweaver = root.leafweaver || {};
  lw.runtimeFetch = { kindOf: kindOf, install: install };
})(this);

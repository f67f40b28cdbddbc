// The search box: the book's text and the search code (search.js) are
// loaded when the reader first searches, never before; the results list the
// pages, and a chosen one turns the player there and marks the found words.
// `leafweaver.search(query)` runs a search as the box does.
(function (lw) {
  "use strict";
  var root = document.documentElement;
  var index = null, loading = null;
  var results = document.getElementById("search-results");
  lw.searchTimes = [];

  function load() {
    if (loading) return loading;
    loading = new Promise(function (resolve, reject) {
      var script = document.createElement("script");
      script.src = "source/search.js";
      script.onload = resolve;
      script.onerror = function () { reject(new Error("search.js")); };
      document.head.appendChild(script);
    }).then(function () {
      return fetch("source/text.json.gz").then(function (r) {
        if (!r.ok) throw new Error("text.json.gz: " + r.status);
        return r.arrayBuffer();
      }).then(function (bytes) {
        // The file is gzip; a server that sent it as Content-Encoding has
        // unpacked it already.
        var head = new Uint8Array(bytes, 0, Math.min(2, bytes.byteLength));
        if (head[0] !== 0x1f || head[1] !== 0x8b) return JSON.parse(new TextDecoder().decode(bytes));
        if (typeof DecompressionStream !== "function") return textOfPage();
        var stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream("gzip"));
        return new Response(stream).text().then(JSON.parse);
      }).catch(function () {
        // A browser that cannot fetch the file (a book opened from a disk)
        // or unpack it searches the text in this page, without the words' boxes.
        return textOfPage();
      });
    }).then(function (text) {
      index = new lw.BookIndex(text);
      return index;
    });
    loading.catch(function () { loading = null; });
    return loading;
  }

  // The book's text as this page holds it, in text.json's form without
  // boxes: each paragraph and heading of a page's section as a line.
  function textOfPage() {
    var sections = document.querySelectorAll("#book-text section.page");
    return { pages: Array.prototype.map.call(sections, function (section) {
      var lines = Array.prototype.map.call(section.querySelectorAll("p, h3, h4, h5, h6"), function (e) {
        return e.textContent;
      });
      return lines.length ? [1, 1, lines, []] : [];
    }) };
  }

  // The found words' boxes on the player's page; none for page 0.
  function highlight(page, boxes) {
    var player = document.getElementById("player");
    if (!player || !player.leafweaverHighlight || root.classList.contains("no-player")) return;
    try { player.leafweaverHighlight(page, boxes); } catch (e) { /* a player without highlights */ }
  }

  function clear() {
    results.textContent = "";
    highlight(0, []);
  }

  function line(text) {
    var p = document.createElement("p");
    p.textContent = text;
    return p;
  }

  function show(query, found) {
    results.textContent = "";
    results.removeAttribute("hidden");
    results.appendChild(line(found.total === 0 ? "No page holds \u201c" + query + "\u201d."
      : found.total === 1 ? "1 page holds \u201c" + query + "\u201d:"
      : found.total + " pages hold \u201c" + query + "\u201d" + (found.length < found.total ? " (the first " + found.length + " listed):" : ":")));
    if (!found.length) return;
    var list = document.createElement("ol");
    found.forEach(function (f) {
      var item = document.createElement("li");
      var button = document.createElement("button");
      button.type = "button";
      button.setAttribute("data-page", String(f.page));
      var no = document.createElement("span");
      no.className = "page-no";
      no.textContent = "Page " + f.page;
      var mark = document.createElement("mark");
      mark.textContent = f.match;
      button.appendChild(no);
      button.appendChild(document.createTextNode(f.before));
      button.appendChild(mark);
      button.appendChild(document.createTextNode(f.after));
      button.addEventListener("click", function () {
        lw.perform("goto", f.page);
        highlight(f.page, index ? index.boxes(f.page, query) : []);
        // The page chosen is in sight now, not under the list.
        if (lw.closeResults) lw.closeResults();
        try {
          document.dispatchEvent(new CustomEvent("leafweaver-search-chosen", { detail: { page: f.page } }));
        } catch (e) { /* nothing listens in old browsers */ }
      });
      item.appendChild(button);
      list.appendChild(item);
    });
    results.appendChild(list);
  }

  function run(query) {
    query = String(query).trim();
    clear();
    if (!query) return Promise.resolve(null);
    return load().then(function (idx) {
      var t0 = performance.now();
      var found = idx.find(query);
      lw.searchTimes.push(performance.now() - t0);
      show(query, found);
      return found;
    }, function () {
      results.textContent = "";
      results.appendChild(line("The book's text could not be loaded."));
      return null;
    });
  }

  document.getElementById("search-form").addEventListener("submit", function (e) {
    e.preventDefault();
    run(document.getElementById("search-box").value);
  });
  document.getElementById("search-box").addEventListener("keydown", function (e) {
    if (e.key === "Escape") clear();
  });
  // The box's own clear button, or the text deleted.
  document.getElementById("search-box").addEventListener("input", function (e) {
    if (!e.target.value) clear();
  });
  lw.search = run;
})(window.leafweaver = window.leafweaver || {});

// Search in a book's text (source/text.json, written by Leafweaver with the
// book). The page loads this file with the text when the reader first
// searches; tests load it in node.
(function (root) {
  "use strict";

  // Lower case without accents, so that "cafe" finds "Café". Each character
  // keeps its place, so a found place is also a place in the original text.
  function fold(text) {
    var out = text.toLowerCase();
    if (out.normalize) {
      var plain = out.normalize("NFD").replace(/[\u0300-\u036f]/g, "");
      // Only when no character was split into several: places must match.
      if (plain.length === out.length) return plain;
      var kept = "";
      for (var i = 0; i < out.length; i++) {
        var c = out.charAt(i).normalize("NFD").replace(/[\u0300-\u036f]/g, "");
        kept += c.length === 1 ? c : out.charAt(i);
      }
      return kept;
    }
    return out;
  }

  // An index over the pages of {"pages": [["paragraph", ...], ...]}.
  function BookIndex(book) {
    this.pages = [];
    this.folded = [];
    var pages = (book && book.pages) || [];
    for (var i = 0; i < pages.length; i++) {
      var text = (pages[i] || []).join("\n");
      this.pages.push(text);
      this.folded.push(fold(text).replace(/\n/g, " "));
    }
  }

  // The pages holding every word of `query`, page 1 first, as
  // {page, before, match, after}: the first place of the first word with up
  // to `around` characters (whole words) on either side. At most `limit`
  // results (default 200); `total` on the array tells how many pages hold it.
  BookIndex.prototype.find = function (query, limit, around) {
    limit = limit || 200;
    around = around || 40;
    var words = fold(String(query)).split(/\s+/).filter(function (w) { return w.length > 0; });
    var results = [];
    results.total = 0;
    if (!words.length) return results;
    // The whole query first, as the reader typed it; otherwise every word.
    var phrase = words.join(" ");
    for (var p = 0; p < this.folded.length; p++) {
      var folded = this.folded[p];
      var at = folded.indexOf(phrase), length = phrase.length;
      if (at < 0) {
        var all = true;
        for (var w = 0; w < words.length && all; w++) all = folded.indexOf(words[w]) >= 0;
        if (!all) continue;
        at = folded.indexOf(words[0]);
        length = words[0].length;
      }
      results.total++;
      if (results.length >= limit) continue;
      var text = this.pages[p];
      var start = Math.max(0, at - around), end = Math.min(text.length, at + length + around);
      if (start > 0) start = Math.max(start, text.indexOf(" ", start) + 1);
      if (end < text.length) { var e = text.lastIndexOf(" ", end); if (e > at + length) end = e; }
      results.push({
        page: p + 1,
        before: (start > 0 ? "… " : "") + text.slice(start, at).replace(/\n/g, " "),
        match: text.slice(at, at + length).replace(/\n/g, " "),
        after: text.slice(at + length, end).replace(/\n/g, " ") + (end < text.length ? " …" : "")
      });
    }
    return results;
  };

  var api = { BookIndex: BookIndex, fold: fold };
  if (typeof module === "object" && module.exports) module.exports = api;
  else root.LeafweaverSearch = api;
})(this);

// Search in a book's text (source/text.json.gz, written by Leafweaver with
// the book). The page loads this file with the text when the reader first
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

  // A letter and a hyphen at the end of a text.
  var letterHyphen = (function () {
    try { return new RegExp("\\p{L}-$", "u"); } catch (e) { return /[A-Za-z\u00c0-\u024f]-$/; }
  })();

  // Whether a line ending in `text` and the next line `line` make one word
  // split by a hyphen: a letter and "-", then a lower-case letter.
  function joinsHyphen(text, line) {
    var c = line.charAt(0);
    return letterHyphen.test(text) && c !== c.toUpperCase() && c === c.toLowerCase();
  }

  // The words of a page's lines and where each starts in the page's text:
  // the lines joined by a space, or by nothing where a hyphen splits a word
  // (the hyphen dropped). With `onWord(line, k, start, length)` for each word.
  function pageText(lines, onWord) {
    var text = "";
    for (var l = 0; l < lines.length; l++) {
      var line = String(lines[l] || "");
      if (!line) continue;
      if (text && joinsHyphen(text, line)) text = text.slice(0, -1);
      else if (text) text += " ";
      if (onWord) {
        var words = line.split(" "), at = text.length;
        for (var k = 0; k < words.length; k++) {
          onWord(l, k, at, words[k].length);
          at += words[k].length + 1;
        }
      }
      text += line;
    }
    return text;
  }

  // The words' boxes of one page of text.json as shares of the page from its
  // top left, [x, y, w, h] for each word, line by line (the numbers are
  // explained in src/output/booktext.h). Null for a page without them.
  function pageBoxes(page) {
    var width = Number(page[0]), height = Number(page[1]);
    var lines = page[2], numbers = page[3];
    if (!(width > 0) || !(height > 0) || !Array.isArray(lines) || !Array.isArray(numbers) ||
        numbers.length !== lines.length) return null;
    var out = [], top = 0;
    for (var l = 0; l < lines.length; l++) {
      var words = String(lines[l] || "").split(" ");
      var n = String(numbers[l] || "").split(",").map(Number);
      var boxes = [];
      top += n[0] || 0;
      var lineHeight = n[1] || 0, x = n[2] || 0, advance = n[3] || 0, at = 4;
      for (var k = 0; k < words.length; k++) {
        if (k > 0) x += n[at++] || 0;
        var w = (n[at++] || 0) + Math.floor((words[k].length * advance + 5) / 10);
        boxes.push([x / width, top / height, w / width, lineHeight / height]);
        x += w;
      }
      out.push(boxes);
    }
    return out;
  }

  // An index over the pages of text.json: {"pages": [[], [width, height,
  // ["line", ...], ["numbers", ...]], ...]}.
  function BookIndex(book) {
    this.source = [];
    this.pages = [];
    this.folded = [];
    var pages = (book && book.pages) || [];
    for (var i = 0; i < pages.length; i++) {
      var page = Array.isArray(pages[i]) && pages[i].length >= 4 ? pages[i] : null;
      var text = page && Array.isArray(page[2]) ? pageText(page[2]) : "";
      this.source.push(page);
      this.pages.push(text);
      this.folded.push(fold(text));
    }
  }

  function queryWords(query) {
    return fold(String(query)).split(/\s+/).filter(function (w) { return w.length > 0; });
  }

  // The pages holding every word of `query`: those holding the whole query
  // as typed first, then those holding its words apart, each group page 1
  // first, as {page, before, match, after}: the first place of the query
  // (or of its first word) with up to `around` characters (whole words) on
  // either side. At most `limit` results (default 200); `total` on the array
  // tells how many pages hold it.
  BookIndex.prototype.find = function (query, limit, around) {
    limit = limit || 200;
    around = around || 40;
    var words = queryWords(query);
    var results = [];
    results.total = 0;
    if (!words.length) return results;
    var phrase = words.join(" ");
    var whole = [], apart = [];
    for (var p = 0; p < this.folded.length; p++) {
      var folded = this.folded[p];
      var at = folded.indexOf(phrase), length = phrase.length;
      if (at < 0) {
        var all = true;
        for (var w = 0; w < words.length && all; w++) all = folded.indexOf(words[w]) >= 0;
        if (!all) continue;
        at = folded.indexOf(words[0]);
        length = words[0].length;
        apart.push([p, at, length]);
      } else {
        whole.push([p, at, length]);
      }
    }
    results.total = whole.length + apart.length;
    var pages = this.pages;
    whole.concat(apart).slice(0, limit).forEach(function (hit) {
      var text = pages[hit[0]], at = hit[1], length = hit[2];
      var start = Math.max(0, at - around), end = Math.min(text.length, at + length + around);
      if (start > 0) start = Math.max(start, text.indexOf(" ", start) + 1);
      if (end < text.length) { var e = text.lastIndexOf(" ", end); if (e > at + length) end = e; }
      results.push({
        page: hit[0] + 1,
        before: (start > 0 ? "… " : "") + text.slice(start, at),
        match: text.slice(at, at + length),
        after: text.slice(at + length, end) + (end < text.length ? " …" : "")
      });
    });
    return results;
  };

  // The boxes of what `query` finds on page `number` (from 1) as shares of
  // the page, [x, y, w, h]: every place of the whole query, or, where it is
  // not found whole, of each of its words; the words of one place on one
  // line make one box. At most `limit` boxes (default 500); none for a page
  // without boxes.
  BookIndex.prototype.boxes = function (number, query, limit) {
    limit = limit || 500;
    var page = this.source[number - 1];
    var boxes = page && pageBoxes(page);
    if (!boxes) return [];
    var folded = this.folded[number - 1];
    var words = queryWords(query);
    var phrase = words.join(" ");
    var places = [];
    function collect(needle) {
      if (!needle) return;
      for (var at = folded.indexOf(needle); at >= 0; at = folded.indexOf(needle, at + needle.length))
        places.push([at, at + needle.length]);
    }
    collect(phrase);
    if (!places.length) words.forEach(collect);
    if (!places.length) return [];
    // Each word of the page with its place in the text.
    var spans = [];
    pageText(page[2], function (line, k, start, length) {
      // A word whose hyphen was dropped ends where the next one starts.
      if (spans.length) spans[spans.length - 1][1] = Math.min(spans[spans.length - 1][1], start);
      spans.push([start, start + length, line, k]);
    });
    var out = [];
    places.forEach(function (place) {
      var last = null;
      for (var i = 0; i < spans.length && out.length < limit; i++) {
        var s = spans[i];
        if (s[1] <= place[0] || s[0] >= place[1]) continue;
        var b = boxes[s[2]] && boxes[s[2]][s[3]];
        if (!b) continue;
        if (last && last.line === s[2]) {
          // Right-to-left words in logical order go leftwards.
          var left = Math.min(last.box[0], b[0]);
          var right = Math.max(last.box[0] + last.box[2], b[0] + b[2]);
          last.box[0] = left;
          last.box[2] = right - left;
        } else {
          last = { line: s[2], box: b.slice() };
          out.push(last.box);
        }
      }
    });
    return out;
  };

  var api = { BookIndex: BookIndex, fold: fold, pageBoxes: pageBoxes };
  if (typeof module === "object" && module.exports) module.exports = api;
  else {
    var lw = root.leafweaver = root.leafweaver || {};
    lw.BookIndex = BookIndex;
  }
})(this);

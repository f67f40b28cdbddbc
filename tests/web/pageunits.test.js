"use strict";
// The book page's display-free units, run by node's own test runner:
// the page of an address, the renderer asked for and the one the runtime
// names, where the first page lies in the frame book.js gives, and the
// order of the search's results.
// usage: node --test pageunits.test.js
const test = require("node:test");
const assert = require("node:assert");
const address = require("../../data/Resource/source/address.js");
const renderers = require("../../data/Resource/source/renderer.js");
const layout = require("../../data/Resource/source/layout.js");
const portable = require("../../data/Resource/source/portable.js");
const search = require("../../data/Resource/source/search.js");

test("the page an address names", () => {
  for (const [hash, page] of [["#page=12", 12], ["#zoom=2&page=3", 3], ["#page=7&x", 7], ["", 0], ["#page=", 0],
    ["#apage=4", 0], ["#page=0", 0], [undefined, 0]])
    assert.strictEqual(address.pageOfHash(hash), page, String(hash));
});

test("a book from a disk answers for its own files only, each from the script named after it", () => {
  const base = "file:///media/stick/Old%20Book/index.html#page=3";
  for (const [address, path, script] of [
    ["file:///media/stick/Old%20Book/pages/1.swf", "pages/1.swf", "portable/pages/1.swf.js"],
    ["file:///media/stick/Old%20Book/source/outline.json?t=5", "source/outline.json", "portable/source/outline.json.js"],
    ["file:///media/stick/Old%20Book/source/a%20b%23c.jpg", "source/a b#c.jpg", "portable/source/a%20b%23c.jpg.js"],
    ["file:///media/stick/Old%20Book/pages/../../secret.txt", null],
    ["file:///media/stick/Other/pages/1.swf", null],
    ["https://example.org/pages/1.swf", null]]) {
    assert.strictEqual(portable.bookPath(address, base), path, address);
    if (path) assert.strictEqual(portable.scriptOf(path), script, path);
  }
});

test("the language tags handed to the runtime are ones Intl takes", () => {
  for (const [tags, expected] of [[["c"], ["en-US"]], [["he-IL", "C", "fa"], ["he-IL", "fa"]], [[], ["en-US"]]])
    assert.deepStrictEqual(renderers.validLanguages(tags), expected);
});

test("the renderer asked for: the address's choice, else by whether WebGL is emulated", () => {
  for (const [query, emulated, want] of [["", true, "canvas"], ["", false, "wgpu-webgl"],
    ["?renderer=webgl", true, "webgl"], ["?a=1&renderer=canvas", false, "canvas"],
    ["?renderer=webgpu&b", true, "webgpu"], ["?renderer=opengl", true, "canvas"], ["?renderer=webglx", false, "wgpu-webgl"]])
    assert.strictEqual(renderers.choose(query, emulated), want, query);
  for (const [name, platform, emulated] of [["Google SwiftShader", "Linux x86_64", true],
    ["llvmpipe (LLVM 15.0.6, 256 bits)", undefined, true], ["Microsoft Basic Render Driver", "Win32", true], [null, "MacIntel", true],
    ["ANGLE (Intel, Mesa Intel(R) UHD Graphics 620 (KBL GT2), OpenGL 4.6)", "Linux x86_64", false],
    // WebKit's one name for every card: a real one only on Apple's machines.
    ["Apple GPU", "Linux x86_64", true], ["Apple GPU", "MacIntel", false], ["Apple GPU", "iPhone", false]])
    assert.strictEqual(renderers.isEmulated(name, platform), emulated, `${name} on ${platform}`);
});

test("the renderer used is read from the runtime's line while it loads, and console.log is given back", async () => {
  const log = console.log;
  for (const outcome of ["resolve", "reject"]) {
    const seen = [];
    const loading = renderers.watchUsed(() => {
      console.log("%cNew Ruffle instance created (Version: 0.6.0 | WebAssembly extensions: ON | Used renderer: canvas)");
      console.log("Loading SWF file turnleaf.swf");
      return outcome === "resolve" ? Promise.resolve(1) : Promise.reject(new Error("no"));
    }, (name) => seen.push(name));
    assert.notStrictEqual(console.log, log);
    await loading.then(() => {}, () => {});
    assert.strictEqual(console.log, log, outcome);
    assert.deepStrictEqual(seen, ["canvas"], outcome);
  }
});

test("the frame book.js gives, and page 1 laid out in it as the player lays it out", () => {
  for (const [book, frame] of [[{ layout: { margin: 12, panel: 40 } }, { margin: 12, panel: 40 }], [{}, null],
    [undefined, null], [{ layout: { margin: "12", panel: 40 } }, null], [{ layout: { margin: 12, panel: -1 } }, null],
    [{ layout: { margin: 1.5, panel: 40 } }, null]])
    assert.deepStrictEqual(layout.frameOf(book), frame, JSON.stringify(book));
  // The 600 x 800 pages of the program's poster test: 552 x 736 in 1280 x 800.
  const frame = { margin: 12, panel: 40 };
  for (const [w, h, rtl, want] of [[1280, 800, false, { left: 640, top: 12, width: 552, height: 736 }],
    [1280, 800, true, { left: 88, top: 12, width: 552, height: 736 }],
    [700, 1000, false, { left: 12, top: 12 + (936 - 676 * 800 / 600) / 2, width: 676, height: 676 * 800 / 600 }]]) {
    const p = layout.firstPage(frame, 600, 800, w, h, rtl);
    for (const k of Object.keys(want)) assert.ok(Math.abs(p[k] - want[k]) < 1e-6, `${w}x${h} ${k}: ${p[k]}`);
  }
  assert.deepStrictEqual(layout.playerParameters("canvas", true, 5, frame),
    { renderer: "canvas", direction: "rtl", page: "5", margin: "12", panel: "40" });
  assert.deepStrictEqual(layout.playerParameters("webgl", false, 0, null), { renderer: "webgl", direction: "ltr" });
});

test("pages holding the query as typed come first, then those holding its words apart", () => {
  // Every page holds the words; pages 12 and 3 hold the phrase.
  const pages = Array.from({ length: 14 }, (_, i) => [595, 842, [`Line ${i + 1}0 of page 12, line 5 of the list`], ["0"]]);
  pages[11][2] = ["See line 5 of page 12 here"];
  pages[2][2] = ["Line 5 of PAGE 12, again"];
  const found = new search.BookIndex({ format: 2, pages }).find("line 5 of page 12");
  assert.strictEqual(found.total, 14);
  assert.deepStrictEqual(found.slice(0, 3).map((f) => [f.page, f.match]),
    [[3, "Line 5 of PAGE 12"], [12, "line 5 of page 12"], [1, "Line"]]);
  assert.deepStrictEqual(new search.BookIndex({ format: 2, pages }).find("line 5 of page 12", 2).map((f) => f.page), [3, 12]);
});

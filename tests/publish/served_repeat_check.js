"use strict";
// A second visit to a book served by `leafweaver-publish --serve` shows the
// player without downloading the runtime again: the content-hashed runtime
// files come from the browser's cache, the rest is revalidated (304).
// Headless Chromium with one profile for both visits; the network is watched
// through the DevTools protocol.
// Usage: node served_repeat_check.js <program folder>
const path = require("path");
const web = require(path.join(__dirname, "..", "web", "support.js"));
const { startServer } = require("./serve_support.js");

// One visit in a new tab: waits for page 1 and answers what each file of the
// book cost, {path: {status, wire, cached, bytes, encoding}}.
async function visit(context, url) {
  const page = await context.newPage();
  const cdp = await context.newCDPSession(page);
  const seen = new Map();
  const entry = (id) => seen.get(id) || seen.set(id, { bytes: 0, cached: false }).get(id);
  cdp.on("Network.requestWillBeSent", (e) => { entry(e.requestId).url = e.request.url; });
  cdp.on("Network.requestServedFromCache", (e) => { entry(e.requestId).cached = true; });
  cdp.on("Network.responseReceived", (e) => {
    const r = entry(e.requestId);
    r.status = e.response.status;
    r.cached = r.cached || e.response.fromDiskCache || e.response.fromPrefetchCache;
    r.encoding = (e.response.headers["content-encoding"] || e.response.headers["Content-Encoding"] || "");
  });
  // The status on the wire: a revalidated file reports its cached 200 above.
  cdp.on("Network.responseReceivedExtraInfo", (e) => { entry(e.requestId).wire = e.statusCode; });
  cdp.on("Network.loadingFinished", (e) => { entry(e.requestId).bytes = e.encodedDataLength; });
  await cdp.send("Network.enable");
  await page.goto(url + "index.html");
  await web.waitState(page, (st) => {
    const at = st.ready ? st.visible.indexOf(1) : -1;
    return at >= 0 && st.states[at] === "loaded" && st.settled;
  }, 30000, "page 1 shown");
  await page.close();
  const files = {};
  for (const r of seen.values()) if (r.url && r.url.startsWith(url)) files[r.url.slice(url.length)] = r;
  return files;
}

const total = (files) => Object.values(files).reduce((s, r) => s + r.bytes, 0);

async function main() {
  const program = process.argv[2];
  const dir = web.makeBook(web.tempDir("lw-repeat-"), {
    pages: [1, 2].map((n) => ({ name: n + ".png", data: web.solidPng(400, 500, [200, 40 * n, 40]) })),
  });
  const { child, url } = await startServer(program, dir);
  const browser = await web.launch();
  try {
    const first = await visit(browser.context, url);
    const wasm = Object.keys(first).filter((f) => f.endsWith(".wasm"));
    web.assert(wasm.length > 0, "no runtime .wasm fetched: " + Object.keys(first).join(", "));
    for (const f of wasm) {
      web.assert(first[f].status === 200 && first[f].encoding === "br",
        f + " on the first visit: " + JSON.stringify(first[f]));
    }
    const second = await visit(browser.context, url);
    for (const f of wasm) {
      web.assert(second[f] && second[f].cached, f + " fetched again: " + JSON.stringify(second[f]));
    }
    for (const f of ["index.html", "ruffle/ruffle.js"]) {
      const r = second[f];
      web.assert(r && (r.wire === 304 || r.cached), f + " on the second visit: " + JSON.stringify(r));
    }
    web.assert(total(second) < 200 * 1024,
      "second visit moved " + total(second) + " bytes: " + JSON.stringify(second));
    console.log("ok second visit: " + total(second) + " bytes over the network, first " + total(first));
  } finally {
    await browser.close();
    child.kill("SIGINT");
    web.removeTree(dir);
  }
}

main().catch((e) => {
  console.log("FAIL " + (e && e.stack ? e.stack : e));
  process.exitCode = 1;
});

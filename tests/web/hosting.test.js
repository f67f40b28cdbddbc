"use strict";
// A book on web servers as they are installed, configured for nothing:
// Debian's nginx and Apache and Python's http.server on loopback. None of
// them sends the runtime's WebAssembly compressed on its own, so the page
// fetches its gzip copy and unpacks it: the runtime comes in about a third
// of its size, the player starts, and a repeat visit takes the runtime from
// the browser's cache. Set up as the package's .htaccess and the README's
// nginx lines suggest, they send a compressed copy the page keeps, and
// mark it to be kept a year.
// Usage: node hosting.test.js <program folder>
const web = require("./support.js");
const hosts = require("./hosts.js");

const MB = 1024 * 1024;
const opts = { width: 400, height: 500, bgcolor: "5A6470", published: true,
  pages: [1, 2, 3].map((i) => ({ name: i + ".png", data: web.solidPng(400, 500, [40 * i, 120, 200]) })) };

// Opens the book in a new page of `context`; resolves to the bytes received
// for the runtime's WebAssembly (its copies and any answer cut short) once
// the player is ready. The answers' headers go into `headers`.
async function visit(context, url, headers = []) {
  const page = await context.newPage();
  const cdp = await context.newCDPSession(page);
  await cdp.send("Network.enable");
  const wasm = new Set();
  let bytes = 0;
  cdp.on("Network.requestWillBeSent", (e) => { if (/\.wasm/.test(e.request.url)) wasm.add(e.requestId); });
  cdp.on("Network.responseReceived", (e) => { if (wasm.has(e.requestId)) headers.push(e.response.headers); });
  cdp.on("Network.dataReceived", (e) => { if (wasm.has(e.requestId)) bytes += e.encodedDataLength; });
  await page.goto(url);
  await web.waitState(page, (s) => s.ready && s.settled && s.visible.includes(1), 60000, "the player ready");
  await page.close();
  return bytes;
}

const book = web.makeBook(web.tempDir("lw-hosting-book-"), opts);
web.runCases(hosts.KINDS.map((kind) => [`on ${kind} as installed the runtime comes compressed and then from the cache`, async () => {
  if (!hosts.available(kind)) web.skip(kind + " is not installed");
  const host = await hosts.startHost(kind, book);
  const browser = await web.launch();
  try {
    const fresh = await visit(browser.context, host.url + "index.html");
    const repeat = await visit(browser.context, host.url + "index.html");
    console.log(`     ${kind}: ${(fresh / MB).toFixed(2)} MB, then ${(repeat / 1024).toFixed(1)} KB`);
    web.assert(fresh > 1 * MB && fresh < 6 * MB, `the runtime took ${(fresh / MB).toFixed(2)} MB`);
    web.assert(repeat < 64 * 1024, `a repeat visit took ${(repeat / 1024).toFixed(1)} KB of runtime`);
  } finally {
    await browser.close();
    await host.close();
  }
}]).concat([["apache", "br", 4], ["nginx", "gzip", 5.5]].map(([kind, encoding, mb]) => [
  `on ${kind} set up as the book suggests the runtime comes in ${encoding} and is kept a year`, async () => {
  if (!hosts.available(kind)) web.skip(kind + " is not installed");
  const host = await hosts.startHost(kind, book, { overrides: true });
  const browser = await web.launch();
  try {
    const headers = [];
    const bytes = await visit(browser.context, host.url + "index.html", headers);
    const h = headers.map((x) => Object.fromEntries(Object.entries(x).map(([k, v]) => [k.toLowerCase(), v])))
      .find((x) => x["content-encoding"]);
    web.assert(h && h["content-encoding"] === encoding && h["content-type"] === "application/wasm" &&
      /immutable/.test(h["cache-control"] || ""), "the runtime's answer: " + JSON.stringify(headers));
    web.assert(bytes < mb * MB, `the runtime took ${(bytes / MB).toFixed(2)} MB`);
  } finally {
    await browser.close();
    await host.close();
  }
}]))).finally(() => web.removeTree(book));

"use strict";
// Serves a published book with `leafweaver-publish --serve` on a free
// loopback port, opens it in headless Chromium and checks that the player
// shows page 1 and that the runtime's WebAssembly comes with its own type.
// Usage: node served_book_check.js <program folder> <package folder> <page count>
const path = require("path");
const web = require(path.join(__dirname, "..", "web", "support.js"));
const { startServer } = require("./serve_support.js");

async function main() {
  const [program, pkg, pagesText] = process.argv.slice(2);
  const { child, url } = await startServer(program, pkg);
  const exited = new Promise((r) => child.on("exit", (code, signal) => r({ code, signal })));
  const browser = await web.launch();
  try {
    const wasmTypes = [];
    browser.context.on("response", (r) => {
      if (r.url().endsWith(".wasm")) wasmTypes.push(r.headers()["content-type"]);
    });
    const { page, errors } = await web.openBook(browser.context, url + "index.html");
    await web.waitState(page, (st) => {
      if (!st.ready || st.pageCount !== Number(pagesText)) return false;
      const at = st.visible.indexOf(1);
      return at >= 0 && st.states[at] === "loaded" && st.settled;
    }, 30000, "page 1 shown");
    web.assert(wasmTypes.length > 0 && wasmTypes.every((t) => t === "application/wasm"),
      "WebAssembly served as " + JSON.stringify(wasmTypes));
    const real = errors.filter((e) => !/Failed to load resource/.test(e));
    web.assert(real.length === 0, "page errors: " + real.join("; "));
  } finally {
    await browser.close();
    child.kill("SIGINT");
  }
  const end = await exited;
  web.assert(end.code === 0, "Ctrl-C ended the server with " + JSON.stringify(end));
  console.log("ok page 1 shown over leafweaver-publish --serve");
}

main().catch((e) => {
  console.log("FAIL " + (e && e.stack ? e.stack : e));
  process.exitCode = 1;
});

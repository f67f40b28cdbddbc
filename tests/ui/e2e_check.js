"use strict";
// Opens a published book over a loopback web server in headless Chromium and
// checks that the player shows its first page.
// Usage: node e2e_check.js <package folder> <page count> <title>
const path = require("path");
const web = require(path.join(__dirname, "..", "web", "support.js"));

async function main() {
  const [pkg, pagesText, title] = process.argv.slice(2);
  const pages = Number(pagesText);
  const server = await web.serve(pkg);
  const browser = await web.launch();
  try {
    const { page, errors } = await web.openBook(browser.context, server.url + "index.html");
    web.assert((await page.title()) === title, `title ${await page.title()} instead of ${title}`);
    const s = await web.waitState(page, (st) => {
      if (!st.ready || st.pageCount !== pages) return false;
      const at = st.visible.indexOf(1);
      return at >= 0 && st.states[at] === "loaded" && st.settled;
    }, 30000, "page 1 shown");
    for (const want of ["source/Pages.xml", "pages/1.swf"])
      web.assert(server.requests.includes("/" + want), `the player never asked for ${want}`);
    // A missing favicon is the browser's business, not the book's.
    const real = errors.filter((e) => !/Failed to load resource/.test(e));
    web.assert(real.length === 0, "page errors: " + real.join("; "));
    console.log("ok page 1 shown: " + JSON.stringify({ visible: s.visible, states: s.states }));
  } finally {
    await browser.close();
    await server.close();
  }
}

main().catch((e) => {
  console.log("FAIL " + (e && e.stack ? e.stack : e));
  process.exitCode = 1;
});

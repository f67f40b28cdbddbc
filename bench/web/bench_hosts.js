"use strict";
// A published book on the web servers publishers meet, against the HTML5
// flipbook (page-flip with JPEG pages) on the same servers, in the same
// run: `leafweaver-publish --serve`, Debian's nginx and Apache as installed
// (nothing set up for books) and `python3 -m http.server`, all on loopback,
// opened in headless Chromium over an emulated 10 Mbit/s link with 40 ms
// round trips; a 40-page text book. For each, as bench_first_view.js
// measures them: the first spread on screen and its bytes, the moment a
// key turns the page (the book ready), fresh and on a repeat visit.
// Target (ours): ready within 6 s on every server.
//
// Usage: node bench/web/bench_hosts.js <program folder>
// Needs the npm packages, Debian's chromium, nginx, apache2, poppler-utils
// and python3 with reportlab.
const path = require("path");
const web = require("../../tests/web/support.js");
const hosts = require("../../tests/web/hosts.js");
const { startServer } = require("../../tests/publish/serve_support.js");
const { makePdf, publishBook, makeFlipbook, measureVisits, fmt } = require("./bench_first_view.js");

const program = path.resolve(web.programDir());

// Starts the server `kind` on `folder`: {url, pid, close()}.
async function start(kind, folder) {
  if (kind === "--serve") {
    const s = await startServer(program, folder);
    return { url: s.url, pid: s.child.pid, close: async () => s.child.kill("SIGINT") };
  }
  const h = await hosts.startHost(kind, folder);
  return { url: h.url, pid: h.child.pid, close: h.close };
}

async function main() {
  const work = web.tempDir("lw-bench-hosts-");
  const rows = [];
  try {
    const pdf = path.join(work, "text40.pdf");
    makePdf(pdf, 40);
    const folders = { ours: publishBook(pdf, path.join(work, "ours")), "page-flip": makeFlipbook(pdf, path.join(work, "flip")) };
    for (const server of ["--serve"].concat(hosts.KINDS.filter(hosts.available))) {
      for (const kind of ["ours", "page-flip"]) {
        const s = await start(server, folders[kind]);
        const url = s.url + "index.html", skip = [s.pid];
        try {
          const { fresh, repeat } = await measureVisits(url, kind, skip);
          rows.push({ server, kind, fresh, repeat });
          console.log(`${server.padEnd(11)} ${kind.padEnd(9)} fresh:  ${fmt(fresh)}`);
          console.log(`${server.padEnd(11)} ${kind.padEnd(9)} repeat: ${fmt(repeat)}`);
        } finally {
          await s.close();
        }
      }
    }
  } finally {
    web.removeTree(work);
  }
  let ok = true;
  for (const r of rows.filter((x) => x.kind === "ours")) {
    const pass = r.fresh.key !== null && r.fresh.key <= 6;
    console.log(`${pass ? "met    " : "MISSED "} ${r.server}: ready within 6 s (${r.fresh.key === null ? "-" : r.fresh.key.toFixed(2)} s)`);
    ok = ok && pass;
  }
  process.exitCode = ok ? 0 : 1;
}

main().catch((e) => {
  console.log("FAIL " + (e && e.stack ? e.stack : e));
  process.exitCode = 1;
});

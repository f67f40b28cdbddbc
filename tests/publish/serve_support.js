"use strict";
// Starts `leafweaver-publish --serve` for the browser checks of this folder.
const { spawn } = require("child_process");
const path = require("path");

/** Serves `folder`; resolves to {child, url} once the address is printed. */
function startServer(program, folder) {
  const child = spawn(path.join(program, "leafweaver-publish"), ["--serve", folder],
    { stdio: ["ignore", "pipe", "pipe"] });
  return new Promise((resolve, reject) => {
    let out = "";
    const timer = setTimeout(() => reject(new Error("no address printed: " + out)), 10000);
    child.stdout.on("data", (d) => {
      out += d;
      const m = /http:\/\/127\.0\.0\.1:(\d+)\//.exec(out);
      if (m) { clearTimeout(timer); resolve({ child, url: m[0] }); }
    });
    child.on("exit", (code) => reject(new Error("server ended with " + code + ": " + out)));
  });
}

module.exports = { startServer };

"use strict";
// Shared pieces of the browser tests and the player benchmark: a loopback
// static web server, headless Chromium through playwright-core, books built
// from the staged program folder, and pixel reading from screenshots.
const fs = require("fs");
const http = require("http");
const os = require("os");
const path = require("path");
const zlib = require("zlib");

const MIME = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript; charset=utf-8",
  ".wasm": "application/wasm",
  ".swf": "application/x-shockwave-flash",
  ".xml": "application/xml; charset=utf-8",
  ".json": "application/json",
  ".png": "image/png",
  ".jpg": "image/jpeg",
  ".jpeg": "image/jpeg",
  ".gif": "image/gif",
  ".bmp": "image/bmp",
  ".dll": "application/octet-stream",
};

/**
 * Serves `root` on 127.0.0.1 at a free port; with `cors` every answer lets
 * other origins read it. Resolves to {url, close(), requests}.
 */
function serve(root, { cors = false } = {}) {
  root = path.resolve(root);
  const requests = [];
  const server = http.createServer((req, res) => {
    const urlPath = decodeURIComponent(new URL(req.url, "http://localhost").pathname);
    requests.push(urlPath);
    const file = path.join(root, path.normalize(urlPath).replace(/^(\.\.[/\\])+/, ""));
    if (!file.startsWith(path.resolve(root))) {
      res.writeHead(403).end();
      return;
    }
    let target = file;
    try {
      if (fs.statSync(target).isDirectory()) target = path.join(target, "index.html");
    } catch (e) { /* handled below */ }
    fs.readFile(target, (err, data) => {
      if (err) {
        res.writeHead(404, { "Content-Type": "text/plain" }).end("not found");
        return;
      }
      res.writeHead(200, {
        "Content-Type": MIME[path.extname(target).toLowerCase()] || "application/octet-stream",
        "Cache-Control": "no-store",
        ...(cors ? { "Access-Control-Allow-Origin": "*" } : {}),
      });
      res.end(data);
    });
  });
  return new Promise((resolve, reject) => {
    server.on("error", reject);
    server.listen(0, "127.0.0.1", () => {
      const { port } = server.address();
      resolve({
        url: `http://127.0.0.1:${port}/`,
        requests,
        close: () => new Promise((r) => { server.closeAllConnections?.(); server.close(() => r()); }),
      });
    });
  });
}

function programDir() {
  const dir = process.argv[2] || process.env.LW_PROGRAM_DIR;
  if (!dir || !fs.existsSync(path.join(dir, "ImageTool.dll"))) {
    throw new Error("pass the program folder (with ImageTool.dll and Resource/) as the first argument or LW_PROGRAM_DIR");
  }
  return dir;
}

function tempDir(prefix) {
  return fs.mkdtempSync(path.join(os.tmpdir(), prefix));
}

function removeTree(dir) {
  fs.rmSync(dir, { recursive: true, force: true });
}

/**
 * Launches headless Chromium with a fresh profile and a window of `viewport`;
 * `args` are added to its command line; `device` adds context options
 * (deviceScaleFactor, isMobile, hasTouch). Resolves to {context, close()}.
 */
async function launch(viewport = { width: 1000, height: 700 }, { args = [], device = {} } = {}) {
  const { chromium } = require("playwright-core");
  const profile = tempDir("lw-chromium-");
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.LW_CHROMIUM || "/usr/bin/chromium",
    headless: true,
    viewport,
    ...device,
    args: [
      "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync",
      ...args,
    ],
  });
  return {
    context,
    close: async () => { await context.close(); removeTree(profile); },
  };
}

/**
 * Builds a book package in `dir` from the program folder's template:
 * the Resource folder without its sample pages, the player movie and a page list.
 * opts: {width, height, bgcolor, panelcolor, buttoncolor, pages: [{name, data}], pageSrcs, bgJpg,
 * published}; `published` leaves the runtime's WebAssembly in its compressed copies only, as
 * leafweaver-publish does.
 */
function makeBook(dir, opts) {
  const prog = programDir();
  fs.cpSync(path.join(prog, "Resource"), dir, { recursive: true });
  const runtime = path.join(dir, "ruffle");
  if (opts.published)
    for (const f of fs.readdirSync(runtime))
      if (f.endsWith(".wasm") && fs.existsSync(path.join(runtime, f + ".gz"))) fs.rmSync(path.join(runtime, f));
  fs.rmSync(path.join(dir, "pages"), { recursive: true, force: true });
  fs.rmSync(path.join(dir, "source", "bg.jpg"), { force: true });
  fs.mkdirSync(path.join(dir, "pages"), { recursive: true });
  fs.copyFileSync(path.join(prog, "ImageTool.dll"), path.join(dir, "turnleaf.swf"));
  const pages = opts.pages || [];
  for (const p of pages) fs.writeFileSync(path.join(dir, "pages", p.name), p.data);
  if (opts.bgJpg) fs.writeFileSync(path.join(dir, "source", "bg.jpg"), opts.bgJpg);
  const attrs = [`width="${opts.width || 400}"`, `height="${opts.height || 500}"`];
  if (opts.bgcolor) attrs.push(`bgcolor="${opts.bgcolor}"`);
  attrs.push(`loadercolor="ffffff"`, `panelcolor="${opts.panelcolor || "333333"}"`,
    `buttoncolor="${opts.buttoncolor || "EEEEEE"}"`, `textcolor="ffffff"`);
  const srcs = opts.pageSrcs || pages.map((p) => "pages/" + p.name);
  const xml = ['<?xml version="1.0" encoding="utf-8"?>', `<content ${attrs.join(" ")}>`]
    .concat(srcs.map((s) => `  <page src="${s}" />`), ["</content>", ""]).join("\r\n");
  fs.writeFileSync(path.join(dir, "source", "Pages.xml"), xml);
  return dir;
}

// ---- images ----

function crc32(buf) {
  let c, crc = 0xffffffff;
  for (let n = 0; n < buf.length; n++) {
    c = (crc ^ buf[n]) & 0xff;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    crc = (crc >>> 8) ^ c;
  }
  return (crc ^ 0xffffffff) >>> 0;
}

/** A PNG of one colour [r,g,b] with a darker frame, w x h pixels. */
function solidPng(w, h, rgb) {
  const raw = Buffer.alloc((w * 3 + 1) * h);
  for (let y = 0; y < h; y++) {
    raw[y * (w * 3 + 1)] = 0;
    for (let x = 0; x < w; x++) {
      const edge = x < 4 || y < 4 || x >= w - 4 || y >= h - 4;
      const o = y * (w * 3 + 1) + 1 + x * 3;
      raw[o] = edge ? rgb[0] >> 1 : rgb[0];
      raw[o + 1] = edge ? rgb[1] >> 1 : rgb[1];
      raw[o + 2] = edge ? rgb[2] >> 1 : rgb[2];
    }
  }
  const chunk = (type, data) => {
    const len = Buffer.alloc(4); len.writeUInt32BE(data.length);
    const td = Buffer.concat([Buffer.from(type, "ascii"), data]);
    const crc = Buffer.alloc(4); crc.writeUInt32BE(crc32(td));
    return Buffer.concat([len, td, crc]);
  };
  const ihdr = Buffer.alloc(13);
  ihdr.writeUInt32BE(w, 0); ihdr.writeUInt32BE(h, 4);
  ihdr[8] = 8; ihdr[9] = 2; ihdr[10] = 0; ihdr[11] = 0; ihdr[12] = 0;
  return Buffer.concat([Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]), chunk("IHDR", ihdr),
    chunk("IDAT", zlib.deflateSync(raw)), chunk("IEND", Buffer.alloc(0))]);
}

/** A bottom-up BMP, 24 or 32 bits per pixel, of one colour; `bpp` 8 makes a palette image. */
function solidBmp(w, h, rgb, bpp = 24) {
  const stride = Math.ceil((w * bpp) / 32) * 4;
  const palette = bpp === 8 ? 256 * 4 : 0;
  const offset = 14 + 40 + palette;
  const buf = Buffer.alloc(offset + stride * h);
  buf.write("BM", 0, "ascii");
  buf.writeUInt32LE(buf.length, 2);
  buf.writeUInt32LE(offset, 10);
  buf.writeUInt32LE(40, 14);
  buf.writeInt32LE(w, 18);
  buf.writeInt32LE(h, 22);
  buf.writeUInt16LE(1, 26);
  buf.writeUInt16LE(bpp, 28);
  buf.writeUInt32LE(stride * h, 34);
  if (bpp === 8) {
    buf.writeUInt32LE(256, 46);
    buf[54 + 7 * 4] = rgb[2]; buf[54 + 7 * 4 + 1] = rgb[1]; buf[54 + 7 * 4 + 2] = rgb[0];
  }
  for (let y = 0; y < h; y++) {
    for (let x = 0; x < w; x++) {
      const o = offset + y * stride + x * (bpp >> 3);
      if (bpp === 8) buf[o] = 7;
      else { buf[o] = rgb[2]; buf[o + 1] = rgb[1]; buf[o + 2] = rgb[0]; }
    }
  }
  return buf;
}

/** Decodes an 8-bit RGB or RGBA PNG (as screenshots are) into {width, height, px(x,y)}. */
function decodePng(buf) {
  let pos = 8, width = 0, height = 0, type = 0;
  const idat = [];
  while (pos < buf.length) {
    const len = buf.readUInt32BE(pos);
    const t = buf.toString("ascii", pos + 4, pos + 8);
    const data = buf.subarray(pos + 8, pos + 8 + len);
    if (t === "IHDR") { width = data.readUInt32BE(0); height = data.readUInt32BE(4); type = data[9]; }
    if (t === "IDAT") idat.push(data);
    pos += 12 + len;
  }
  const bpp = type === 6 ? 4 : 3;
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = width * bpp;
  const out = Buffer.alloc(stride * height);
  for (let y = 0; y < height; y++) {
    const f = raw[y * (stride + 1)];
    const src = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; x++) {
      const a = x >= bpp ? out[y * stride + x - bpp] : 0;
      const b = y > 0 ? out[(y - 1) * stride + x] : 0;
      const c = x >= bpp && y > 0 ? out[(y - 1) * stride + x - bpp] : 0;
      let v = src[x];
      if (f === 1) v += a;
      else if (f === 2) v += b;
      else if (f === 3) v += (a + b) >> 1;
      else if (f === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        v += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      out[y * stride + x] = v & 255;
    }
  }
  return {
    width, height,
    px: (x, y) => { const o = Math.round(y) * stride + Math.round(x) * bpp; return [out[o], out[o + 1], out[o + 2]]; },
  };
}

function near(c, rgb, tol = 40) {
  return Math.abs(c[0] - rgb[0]) <= tol && Math.abs(c[1] - rgb[1]) <= tol && Math.abs(c[2] - rgb[2]) <= tol;
}

/** Share of the sampled points of box {x0,y0,x1,y1} whose colour is near rgb. */
function shareNear(img, box, rgb, tol = 40) {
  let hit = 0, all = 0;
  for (let y = box.y0; y <= box.y1; y += (box.y1 - box.y0) / 10) {
    for (let x = box.x0; x <= box.x1; x += (box.x1 - box.x0) / 10) {
      all++;
      if (near(img.px(x, y), rgb, tol)) hit++;
    }
  }
  return hit / all;
}

// ---- the player in a page ----

/** Opens a book page and collects its console; resolves to {page, errors, messages}. */
async function openBook(context, url) {
  const page = await context.newPage();
  const errors = [];
  const messages = [];
  page.on("console", (m) => {
    messages.push(`${m.type()}: ${m.text()}`);
    if (m.type() === "error") errors.push(m.text());
  });
  page.on("pageerror", (e) => errors.push(String(e)));
  await page.goto(url);
  return { page, errors, messages };
}

/** The player's state as it reports it, or null before it is up. */
async function state(page) {
  return page.evaluate(() => {
    const p = document.getElementById("player");
    try { return p && p.leafweaverState ? JSON.parse(p.leafweaverState()) : null; } catch (e) { return null; }
  });
}

/** Waits until `test(state)` holds; throws with the last state after `ms`. */
async function waitState(page, test, ms = 20000, what = "player state") {
  const end = Date.now() + ms;
  let last = null;
  while (Date.now() < end) {
    last = await state(page);
    if (last && test(last)) return last;
    await page.waitForTimeout(50);
  }
  throw new Error(`timed out waiting for ${what}; last state ${JSON.stringify(last)}`);
}

async function events(page) {
  return page.evaluate(() => (window.leafweaver || {}).events || []);
}

/** Layout of the book in a stage of w x h for pages pw x ph, mirroring the player (in its default frame). */
function bookBox(w, h, pw, ph, single, { margin, panel } = { margin: 12, panel: 40 }) {
  const vw = w - 2 * margin, vh = h - panel - 2 * margin;
  const bw = single ? pw : 2 * pw;
  const s = Math.min(vw / bw, vh / ph);
  const left = margin + (vw - bw * s) / 2, top = margin + (vh - ph * s) / 2;
  return { scale: s, left, top, spine: single ? left : left + pw * s, width: pw * s, height: ph * s };
}

/** Centre of a control panel button ("first" … "fullscreen", or "number" for the page box), mirroring the player. */
function panelPoint(w, h, name) {
  // Centres along the panel's row of 346 pixels: 28-pixel buttons 6 apart,
  // the page box (96 wide, its number field at 4..44) after "prev".
  const centre = { first: 14, prev: 48, number: 92, next: 184, last: 218, zoomout: 264, zoomin: 298, fullscreen: 332 };
  if (!(name in centre)) throw new Error("no panel control " + name);
  return { x: Math.round((w - 346) / 2) + centre[name], y: h - 20 };
}

async function shot(page, file) {
  const buf = await page.screenshot({ path: file });
  return decodePng(buf);
}

/** Thrown by `skip`: a case that cannot run here. */
class Skipped extends Error {}
/** Ends the running case as skipped, saying why. */
function skip(reason) {
  throw new Skipped(reason);
}

let failures = 0;
/**
 * Runs named async cases one after another; prints a line each. Exits 1 when
 * a case failed, else 77 (skipped) when a case could not run here.
 */
async function runCases(cases) {
  let skipped = 0;
  for (const [name, fn] of cases) {
    const t0 = Date.now();
    try {
      await fn();
      console.log(`ok   ${name} (${Date.now() - t0} ms)`);
    } catch (e) {
      if (e instanceof Skipped) {
        skipped++;
        console.log(`skip ${name}: ${e.message}`);
        continue;
      }
      failures++;
      console.log(`FAIL ${name}: ${e && e.stack ? e.stack : e}`);
    }
  }
  if (failures) {
    console.log(`${failures} case(s) failed`);
    process.exitCode = 1;
  } else if (skipped) {
    console.log(`${skipped} case(s) could not run here`);
    process.exitCode = 77;
  }
}

/** Exits as skipped (77) when Debian's python3 lacks reportlab, which makes the test PDFs. */
function requireReportlab() {
  try {
    require("child_process").execFileSync("/usr/bin/python3", ["-c", "import reportlab"], { stdio: "ignore" });
  } catch (e) {
    console.log("skip: Debian's python3 with reportlab is needed to make the test PDF");
    process.exit(77);
  }
}

/** Share of the box's points where a search highlight's yellow shows, over paper or ink (blue well under red). */
function yellowShare(img, box) {
  let hit = 0, all = 0;
  for (let y = box.y0; y <= box.y1; y += (box.y1 - box.y0) / 6) {
    for (let x = box.x0; x <= box.x1; x += (box.x1 - box.x0) / 12) {
      const [r, , b] = img.px(Math.round(x), Math.round(y));
      all++;
      if (r > 90 && r - b > 70) hit++;
    }
  }
  return hit / all;
}

function assert(cond, msg) {
  if (!cond) throw new Error(msg);
}

module.exports = {
  yellowShare,
  serve, launch, makeBook, programDir, tempDir, removeTree, solidPng, solidBmp, decodePng,
  near, shareNear, openBook, state, waitState, events, bookBox, panelPoint, shot, runCases, skip, assert,
  requireReportlab,
};

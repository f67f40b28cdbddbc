"use strict";
// The browser tests' way into three engines: Chromium (playwright-core),
// Firefox ESR (puppeteer-core over WebDriver BiDi) and WebKitGTK (its own
// WebDriver, WebKitWebDriver, driving MiniBrowser on the display). Each gives
// pages with the operations the tests use, named and called as playwright
// names them, so support.js's `state`, `waitState`, `events` and `shot` read
// any of them alike.
//
// WebKit is driven by the few W3C WebDriver commands below over fetch rather
// than by selenium-webdriver, which would bring a driver manager and its
// binaries for three systems for the sake of eight HTTP requests.
const { spawn } = require("child_process");
const fs = require("fs");
const net = require("net");
const path = require("path");
const web = require("./support.js");

const ENGINES = ["chromium", "firefox", "webkit"];
const EXECUTABLES = {
  chromium: process.env.LW_CHROMIUM || "/usr/bin/chromium",
  firefox: process.env.LW_FIREFOX || "/usr/bin/firefox-esr",
  webkit: process.env.LW_WEBKITDRIVER || "/usr/bin/WebKitWebDriver",
};

/** Why `engine` cannot run here (its browser absent, no display for WebKit), or null when it can. */
function missing(engine) {
  if (!EXECUTABLES[engine]) return "no engine called " + engine;
  if (!fs.existsSync(EXECUTABLES[engine])) return EXECUTABLES[engine] + " is not installed";
  if (engine === "webkit" && !process.env.DISPLAY) return "WebKitGTK needs a display (DISPLAY is not set)";
  return null;
}

/** The file:// address of `index.html` in a book folder, with `hash` ("#page=3") when given. */
function fileUrl(folder, hash = "") {
  return require("url").pathToFileURL(path.join(path.resolve(folder), "index.html")).href + hash;
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// Polls `test` (async, answers a value) until the value is truthy; throws after `ms`.
async function poll(test, ms, what) {
  const end = Date.now() + ms;
  let last;
  for (;;) {
    try { last = await test(); } catch (e) { last = e; }
    if (last && !(last instanceof Error)) return last;
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}` + (last instanceof Error ? ": " + last.message : ""));
    await sleep(100);
  }
}

// What a page offers beside the engine's own operations: filling a field
// and clicking an element, both through the keyboard and the mouse.
function withHelpers(page) {
  page.waitForTimeout = page.waitForTimeout || sleep;
  page.centreOf = (selector) => page.evaluate((s) => {
    const el = document.querySelector(s);
    if (!el) return null;
    const r = el.getBoundingClientRect();
    return { x: r.left + r.width / 2, y: r.top + r.height / 2 };
  }, selector);
  page.clickOn = async (selector) => {
    const at = await poll(() => page.centreOf(selector), 10000, selector);
    await page.mouse.click(at.x, at.y);
  };
  page.typeInto = async (selector, text) => {
    await page.evaluate((s) => { const el = document.querySelector(s); el.focus(); el.value = ""; }, selector);
    await page.keyboard.type(text);
  };
  /** Drags with the mouse from (x0, y0) to (x1, y1) in `steps` moves, then lets go. */
  page.drag = async (x0, y0, x1, y1, steps = 12) => {
    await page.mouse.move(x0, y0);
    await page.mouse.down();
    for (let i = 1; i <= steps; i++) await page.mouse.move(x0 + ((x1 - x0) * i) / steps, y0 + ((y1 - y0) * i) / steps);
    await page.mouse.up();
  };
  return page;
}

// ---- Chromium: playwright-core, as the other browser tests ----

async function launchChromium(viewport) {  // in the test process's environment
  const browser = await web.launch(viewport);
  return {
    version: browser.context.browser() ? browser.context.browser().version() : "chromium",
    newPage: async () => {
      const page = await browser.context.newPage();
      page.errors = [];
      page.on("console", (m) => { if (m.type() === "error") page.errors.push(m.text()); });
      page.on("pageerror", (e) => page.errors.push(String(e)));
      const wait = page.waitForFunction.bind(page);
      page.waitForFunction = async (fn, arg, opts) => (await wait(fn, arg, opts)).jsonValue();
      return withHelpers(page);
    },
    close: browser.close,
  };
}

// ---- Firefox: puppeteer-core over WebDriver BiDi, headless ----

async function launchFirefox(viewport, env) {
  const puppeteer = require("puppeteer-core");
  const profile = web.tempDir("lw-firefox-");
  const browser = await puppeteer.launch({
    browser: "firefox", executablePath: EXECUTABLES.firefox, headless: true, userDataDir: profile,
    defaultViewport: viewport, env: { ...process.env, ...env },
    // No updates, studies or first-run pages on loopback-only machines.
    extraPrefsFirefox: { "app.update.enabled": false, "browser.shell.checkDefaultBrowser": false, "datareporting.policy.dataSubmissionEnabled": false },
  });
  const version = await browser.version();
  return {
    version,
    newPage: async () => {
      const p = await browser.newPage();
      const errors = [];
      p.on("console", (m) => { if (m.type() === "error") errors.push(m.text()); });
      p.on("pageerror", (e) => errors.push(String(e)));
      // Playwright's names and argument orders over puppeteer's page.
      const page = {
        errors,
        raw: p,
        goto: (url) => p.goto(url, { waitUntil: "load" }),
        evaluate: (fn, arg) => p.evaluate(fn, arg),
        waitForFunction: async (fn, arg, { timeout = 30000 } = {}) => {
          const handle = await p.waitForFunction(fn, { timeout, polling: 100 }, arg);
          const value = await handle.jsonValue();
          await handle.dispose();
          return value;
        },
        keyboard: {
          press: async (key) => {
            const keys = key.split("+");
            for (const k of keys.slice(0, -1)) await p.keyboard.down(k);
            await p.keyboard.press(keys[keys.length - 1]);
            for (const k of keys.slice(0, -1).reverse()) await p.keyboard.up(k);
          },
          type: (text) => p.keyboard.type(text),
        },
        mouse: p.mouse,
        screenshot: async (opts = {}) => Buffer.from(await p.screenshot(opts)),
        close: () => p.close(),
      };
      return withHelpers(page);
    },
    close: async () => { await browser.close(); web.removeTree(profile); },
  };
}

// ---- WebKitGTK: WebKitWebDriver, which starts MiniBrowser on the display ----

// The keys' code points in WebDriver's key actions.
const WD_KEYS = {
  Backspace: "\uE003", Tab: "\uE004", Enter: "\uE007", Shift: "\uE008", Control: "\uE009", Alt: "\uE00A",
  Escape: "\uE00C", PageUp: "\uE00E", PageDown: "\uE00F", End: "\uE010", Home: "\uE011",
  ArrowLeft: "\uE012", ArrowUp: "\uE013", ArrowRight: "\uE014", ArrowDown: "\uE015", Delete: "\uE017",
};

function freePort() {
  return new Promise((resolve, reject) => {
    const s = net.createServer();
    s.on("error", reject);
    s.listen(0, "127.0.0.1", () => { const { port } = s.address(); s.close(() => resolve(port)); });
  });
}

async function launchWebKit(viewport, env) {
  const port = await freePort();
  // The driver and the browser it starts form a process group of their own,
  // ended with the test however it ends: the browser outlives its driver.
  const driver = spawn(EXECUTABLES.webkit, ["--port=" + port],
    { stdio: ["ignore", "ignore", "pipe"], env: { ...process.env, ...env }, detached: true });
  const endGroup = () => { try { process.kill(-driver.pid, "SIGTERM"); } catch (e) { /* already gone */ } };
  process.once("exit", endGroup);
  for (const signal of ["SIGINT", "SIGTERM", "SIGHUP", "SIGPIPE"]) process.once(signal, () => { endGroup(); process.exit(1); });
  let driverLog = "";
  driver.stderr.on("data", (d) => { driverLog = (driverLog + d).slice(-4000); });
  const base = `http://127.0.0.1:${port}`;
  const call = async (method, where, body) => {
    const r = await fetch(base + where, { method, headers: { "Content-Type": "application/json" },
      body: body === undefined ? undefined : JSON.stringify(body) });
    const answer = await r.json();
    if (answer.value && answer.value.error) throw new Error(`WebDriver ${where}: ${answer.value.error}: ${answer.value.message}`);
    return answer.value;
  };
  try {
    await poll(() => call("GET", "/status").then((s) => s.ready), 15000, "WebKitWebDriver");
  } catch (e) {
    endGroup();
    throw new Error(e.message + " " + driverLog);
  }
  let session;
  try {
    session = await call("POST", "/session", { capabilities: { alwaysMatch: { "webkitgtk:browserOptions": { args: ["--automation"] } } } });
  } catch (e) {
    endGroup();
    throw e;
  }
  const s = (where) => `/session/${session.sessionId}${where}`;
  const evaluate = (fn, arg) => call("POST", s("/execute/sync"),
    { script: `return (${fn}).apply(null, arguments);`, args: arg === undefined ? [] : [arg] });
  // The window grows until its content area (below MiniBrowser's own bar) is `viewport`.
  await call("POST", s("/window/rect"), { width: viewport.width, height: viewport.height });
  const inner = await evaluate(() => ({ w: innerWidth, h: innerHeight }));
  if (inner.w !== viewport.width || inner.h !== viewport.height) {
    await call("POST", s("/window/rect"), { width: 2 * viewport.width - inner.w, height: 2 * viewport.height - inner.h });
  }
  const keyActions = (list) => call("POST", s("/actions"), { actions: [{ type: "key", id: "keyboard", actions: list }] });
  const pointer = (list) => call("POST", s("/actions"),
    { actions: [{ type: "pointer", id: "mouse", parameters: { pointerType: "mouse" }, actions: list }] });
  const moveTo = (x, y) => ({ type: "pointerMove", origin: "viewport", duration: 0, x: Math.round(x), y: Math.round(y) });
  const page = {
    errors: [],  // WebDriver does not hand over the console
    goto: (url) => call("POST", s("/url"), { url }),
    evaluate,
    waitForFunction: (fn, arg, { timeout = 30000 } = {}) => poll(() => evaluate(fn, arg), timeout, "a condition in the page"),
    keyboard: {
      press: (key) => {
        const keys = key.split("+").map((k) => WD_KEYS[k] || (k.length === 1 ? k.toLowerCase() : null));
        if (keys.includes(null)) throw new Error("no WebDriver key for " + key);
        return keyActions(keys.map((value) => ({ type: "keyDown", value }))
          .concat(keys.slice().reverse().map((value) => ({ type: "keyUp", value }))));
      },
      type: (text) => keyActions([...text].flatMap((value) => [{ type: "keyDown", value }, { type: "keyUp", value }])),
    },
    mouse: {
      move: (x, y) => pointer([moveTo(x, y)]),
      down: () => pointer([{ type: "pointerDown", button: 0 }]),
      up: () => pointer([{ type: "pointerUp", button: 0 }]),
      click: (x, y) => pointer([moveTo(x, y), { type: "pointerDown", button: 0 }, { type: "pointerUp", button: 0 }]),
    },
    screenshot: async (opts = {}) => {
      const png = Buffer.from(await call("GET", s("/screenshot")), "base64");
      if (opts.path) fs.writeFileSync(opts.path, png);
      return png;
    },
    close: async () => {},
  };
  withHelpers(page);
  const version = session.capabilities.browserVersion || "webkitgtk";
  let used = false;
  return {
    version,
    // One window a session: each new page is that window, on a blank page.
    newPage: async () => {
      if (used) await page.goto("about:blank");
      used = true;
      return page;
    },
    close: async () => {
      try { await call("DELETE", s("")); } catch (e) { /* the browser may be gone already */ }
      const exited = new Promise((r) => (driver.exitCode !== null ? r() : driver.once("exit", r)));
      endGroup();
      await exited;
      process.removeListener("exit", endGroup);
    },
  };
}

/**
 * Starts `engine` ("chromium", "firefox" or "webkit") with a content area of
 * `viewport`, its processes with `env` added to the environment (Firefox
 * and WebKit). Resolves to {engine, version, newPage(), close()}; a page has
 * goto, evaluate, waitForFunction (answers the truthy value), waitForTimeout, keyboard.press/type,
 * mouse.move/down/up/click, screenshot, drag, clickOn, typeInto and the
 * console's `errors` (none from WebKit). Throws when the engine cannot
 * start; ask `missing(engine)` first.
 */
async function launch(engine, viewport = { width: 1000, height: 700 }, { env = {} } = {}) {
  const start = { chromium: launchChromium, firefox: launchFirefox, webkit: launchWebKit }[engine];
  if (!start) throw new Error("no engine called " + engine);
  return { engine, ...(await start(viewport, env)) };
}

/** Opens a book folder from the disk (file://, page `hash` when given) in a new page of `browser`; resolves to the page. */
async function openFromDisk(browser, folder, hash = "") {
  const page = await browser.newPage();
  await page.goto(fileUrl(folder, hash));
  return page;
}

module.exports = { ENGINES, missing, launch, fileUrl, openFromDisk, poll };

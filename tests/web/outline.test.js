"use strict";
// The outline and links of a book published from a PDF with bookmarks and
// links, in headless Chromium over loopback: the bookmarks' pages follow the
// page range, the outline opens from its button and an entry turns to its
// page; a web link opens a new tab, a link to a page turns there.
// Usage: node outline.test.js <program folder> <artefact folder>
const { execFileSync } = require("child_process");
const fs = require("fs");
const path = require("path");
const web = require("./support.js");

const prog = path.resolve(web.programDir());
const artefacts = process.argv[3] || web.tempDir("lw-outline-shots-");
fs.mkdirSync(artefacts, { recursive: true });

const haveReportlab = (() => {
  try {
    execFileSync("/usr/bin/python3", ["-c", "import reportlab"], { stdio: "ignore" });
    return true;
  } catch (e) {
    return false;
  }
})();
if (!haveReportlab) {
  console.log("skip: reportlab for /usr/bin/python3 is not installed");
  process.exit(77);
}

// A PDF of `count` pages, each with its number (centred on [x, baseline]
// in points from the bottom left of `at`, on the page's middle without), bookmarks [title, level, page] and
// links [page, x1, y1, x2, y2, to] (PDF points from the bottom left; `to` an
// address or a page number), pages from 1.
function makePdf(file, count, marks, links = [], at = null) {
  execFileSync("/usr/bin/python3", ["-c", `
import json, sys
from reportlab.pdfgen import canvas
from reportlab.lib.pagesizes import A4
out, count, marks, links, at = sys.argv[1], int(sys.argv[2]), json.loads(sys.argv[3]), json.loads(sys.argv[4]), json.loads(sys.argv[5])
c = canvas.Canvas(out, pagesize=A4)
for n in range(1, count + 1):
    c.setFont("Helvetica-Bold", 96)
    c.drawCentredString(*(at or (A4[0] / 2, A4[1] / 2)), str(n))
    c.bookmarkPage("p%d" % n)
    for i, (title, level, page) in enumerate(marks):
        if page == n:
            c.addOutlineEntry(title, "p%d" % n, level=level)
    for (page, x1, y1, x2, y2, to) in links:
        if page == n:
            if isinstance(to, str):
                c.linkURL(to, (x1, y1, x2, y2), relative=0)
            else:
                c.linkAbsolute("", "p%d" % to, (x1, y1, x2, y2))
    c.showPage()
c.save()
`, file, String(count), JSON.stringify(marks), JSON.stringify(links), JSON.stringify(at)]);
}

// Publishes `args` with the program folder's leafweaver-publish; resolves to the book's folder.
function publish(args, cwd, home) {
  const out = execFileSync(path.join(prog, "leafweaver-publish"), args.concat(["-q"]),
    { cwd, env: { ...process.env, XDG_DATA_HOME: home, QT_QPA_PLATFORM: "offscreen" } });
  return String(out).trim();
}

async function withPublished(args, files, check) {
  const src = web.tempDir("lw-outline-src-"), home = web.tempDir("lw-outline-home-");
  try {
    files(src);
    const root = publish(args.concat(["-o", path.join(src, "out")]), src, home);
    const server = await web.serve(root);
    const browser = await web.launch();
    try {
      await check(root, browser, server);
    } finally {
      await browser.close();
      await server.close();
    }
  } finally {
    web.removeTree(src);
    web.removeTree(home);
  }
}

// Where the player draws the outline's button and its rows (Panel, OutlinePanel, Main's margin).
const contentsButton = { x: 1000 - 8 - 14, y: 700 - 20 };
const row = (i) => ({ x: 12 + 120, y: 12 + 8 + 26 * i + 13 });

// How many pixel columns of row i's title (left of its page number) hold
// ink: anything far from the panel's colour, read left of the title.
function titleInk(img, i) {
  const top = 12 + 8 + 26 * i + 3, left = 12 + 10, right = 12 + 320 - 56;
  const panel = img.px(left - 4, top + 10);
  let columns = 0;
  for (let x = left; x < right; x++) {
    for (let y = top; y < top + 20; y++) {
      if (!web.near(img.px(x, y), panel, 90)) { columns++; break; }
    }
  }
  return columns;
}

web.runCases([
  ["a PDF's bookmarks become the outline; choosing an entry turns there", async () => {
    const marks = [["Preface", 0, 2], ["Chapter One", 0, 3], ["Section 1.1", 1, 5], ["Chapter Two", 0, 10]];
    await withPublished(["book.pdf", "--pages", "1,3-12"], (src) => makePdf(path.join(src, "book.pdf"), 12, marks),
      async (root, browser, server) => {
        // The bookmark of the left-out page 2 is gone; the others follow the range.
        const outline = JSON.parse(fs.readFileSync(path.join(root, "source", "outline.json"), "utf8"));
        web.assert(JSON.stringify(outline.map((e) => [e.title, e.level, e.page])) ===
          JSON.stringify([["Chapter One", 0, 2], ["Section 1.1", 1, 4], ["Chapter Two", 0, 9]]),
          "outline.json: " + JSON.stringify(outline));
        const { page, errors } = await web.openBook(browser.context, server.url + "index.html");
        await web.waitState(page, (s) => s.ready && s.outline === 3 && s.settled, 30000, "the outline");
        await page.mouse.click(contentsButton.x, contentsButton.y);
        await web.waitState(page, (s) => s.outlineOpen, 10000, "the open outline");
        // The list is drawn over the book: its rows wait for a frame.
        await page.waitForFunction(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => r(true)))));
        await page.screenshot({ path: path.join(artefacts, "outline.png") });
        await page.mouse.click(row(2).x, row(2).y);
        const st = await web.waitState(page, (s) => !s.outlineOpen && s.visible.includes(9) && !s.turning && s.settled,
          15000, "Chapter Two's page");
        web.assert(JSON.stringify(st.visible) === "[8,9]", "visible " + st.visible);
        await page.mouse.click(contentsButton.x, contentsButton.y);
        await web.waitState(page, (s) => s.outlineOpen, 10000, "the outline again");
        await page.mouse.click(row(1).x, row(1).y);
        await web.waitState(page, (s) => !s.outlineOpen && s.visible.includes(4) && !s.turning, 15000, "Section 1.1's page");
        const real = errors.filter((e) => !/Failed to load resource/.test(e));
        web.assert(real.length === 0, "console errors: " + real.join("; "));
      });
  }],
  ["a book without bookmarks has no outline and no button, and asks for neither side file", async () => {
    await withPublished(["plain.pdf"], (src) => makePdf(path.join(src, "plain.pdf"), 3, []),
      async (root, browser, server) => {
        web.assert(!fs.existsSync(path.join(root, "source", "outline.json")), "an outline.json without bookmarks");
        const asked = [];
        browser.context.on("request", (r) => asked.push(r.url()));
        const { page } = await web.openBook(browser.context, server.url + "index.html");
        await page.waitForFunction(() => ["outline", "links"].every((n) => ((window.leafweaver || {}).events || []).some((e) => e.name === n)),
          null, { timeout: 30000 });
        const st = await web.state(page);
        web.assert(st.outline === 0 && !st.outlineOpen, "state " + JSON.stringify(st));
        const sideFiles = server.requests.filter((p) => /outline\.json|links\.json/.test(p));
        web.assert(sideFiles.length === 0, "asked for " + sideFiles.join());
        // The book's own files are asked for at their addresses: the server's validators decide.
        const busted = asked.filter((u) => /\/source\/.*\?/.test(u));
        web.assert(busted.length === 0, "asked with a query: " + busted.join());
      });
  }],
  ["titles in Chinese and Persian show all their characters", async () => {
    const marks = [["第1节 简介", 0, 1], ["فصل ۲ مقدمه کتاب", 0, 2], ["1", 0, 3]];
    await withPublished(["scripts.pdf"], (src) => makePdf(path.join(src, "scripts.pdf"), 3, marks),
      async (root, browser, server) => {
        const outline = JSON.parse(fs.readFileSync(path.join(root, "source", "outline.json"), "utf8"));
        web.assert(outline[0].picture && outline[1].picture && outline[1].rtl && !outline[2].picture,
          "outline.json: " + JSON.stringify(outline));
        const { page } = await web.openBook(browser.context, server.url + "index.html");
        await web.waitState(page, (s) => s.ready && s.outline === 3 && s.settled, 30000, "the outline");
        await page.mouse.click(contentsButton.x, contentsButton.y);
        await page.waitForFunction(() => (window.leafweaver.events || []).some((e) => e.name === "title-sheet"),
          null, { timeout: 10000 });
        await page.waitForFunction(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => r(true)))));
        const img = await web.shot(page, path.join(artefacts, "outline-scripts.png"));
        // A title of digits alone is what a missing font leaves of the others.
        const [chinese, persian, digits] = [0, 1, 2].map((i) => titleInk(img, i));
        console.log(`ink columns: Chinese ${chinese}, Persian ${persian}, a digit ${digits}`);
        web.assert(digits > 0 && chinese > 5 * digits && persian > 5 * digits,
          `ink columns: Chinese ${chinese}, Persian ${persian}, a digit ${digits}`);
      });
  }],
  ["a zoomed page stays under the control bar", async () => {
    await withPublished(["zoom.pdf"], (src) => makePdf(path.join(src, "zoom.pdf"), 3, [], [], [200, 160]),
      async (root, browser, server) => {
        const { page } = await web.openBook(browser.context, server.url + "index.html");
        let st = await web.waitState(page, (s) => s.ready && s.settled, 30000, "the book");
        const zoomIn = st.controls.shown.find((c) => c.name === "zoomin");
        // Page 1's digit, low on the page, lies partly under the bar once zoomed about the middle.
        // The first click may only give the player the focus: click until the zoom is 2.
        for (let tries = 0; (await web.state(page)).zoom < 2; tries++) {
          web.assert(tries < 6, "the zoom button does not zoom");
          const before = (await web.state(page)).zoom;
          await page.mouse.click(zoomIn.x + 14, zoomIn.y + 14);
          await web.waitState(page, (s) => s.zoom > before && s.settled, 3000, "zoom above " + before).catch(() => {});
        }
        st = await web.state(page);
        const img = await web.shot(page, path.join(artefacts, "zoomed-bar.png"));
        let ink = 0;
        for (let x = 500; x < 1000; x++) if (web.near(img.px(x, 650), [0, 0, 0], 60)) ink++;
        web.assert(ink > 10, "the digit does not reach the bar: " + ink);
        const bar = img.px(260, 690);
        const inButton = (x, y) => st.controls.shown.some((c) => x >= c.x - 2 && x <= c.x + c.w + 2 && y >= c.y - 2 && y <= c.y + c.h + 2);
        let seen = 0;
        for (let x = 260; x < 1000; x += 2) {
          for (let y = 664; y < 698; y += 2) {
            if (inButton(x, y)) continue;
            web.assert(web.near(img.px(x, y), bar, 4), `the bar at ${x},${y} is ${img.px(x, y)}, not ${bar}`);
            seen++;
          }
        }
        web.assert(seen > 1000, "bar points read: " + seen);
      });
  }],
  ["a web link opens a new tab with its address, a link to a page turns there", async () => {
    // The address the link leads to, on a loopback server of its own.
    const landingDir = web.tempDir("lw-landing-");
    fs.writeFileSync(path.join(landingDir, "landing.html"), "<!DOCTYPE html><title>landing</title><p>landed</p>");
    const landing = await web.serve(landingDir);
    const address = landing.url + "landing.html?from=pdf&n=1";
    try {
      const links = [[1, 100, 600, 400, 700, address], [1, 100, 200, 400, 300, 8], [1, 450, 50, 550, 100, "javascript:alert(1)"]];
      await withPublished(["linked.pdf"], (src) => makePdf(path.join(src, "linked.pdf"), 12, [], links),
        async (root, browser, server) => {
          const data = JSON.parse(fs.readFileSync(path.join(root, "source", "links.json"), "utf8"));
          web.assert(Object.keys(data).join() === "1" && data["1"].length === 2, "links.json: " + JSON.stringify(data));
          const { page, errors } = await web.openBook(browser.context, server.url + "index.html");
          const st = await web.waitState(page, (s) => s.ready && s.links === 2 && s.settled, 30000, "the links");
          // Page 1 lies right of the spine; an A4 book's page fills its sheet.
          const b = web.bookBox(1000, 700, 595, 842, st.single);
          const at = (x, y) => ({ x: b.spine + (x / 595) * b.width, y: b.top + ((842 - y) / 842) * b.height });
          const web1 = at(250, 650);
          const [tab] = await Promise.all([browser.context.waitForEvent("page", { timeout: 10000 }),
            page.mouse.click(web1.x, web1.y)]);
          await tab.waitForLoadState();
          web.assert(tab.url() === address, "new tab at " + tab.url());
          await tab.close();
          const still = await web.state(page);
          web.assert(JSON.stringify(still.visible) === "[1]" && !still.turning, "the web link turned the page");
          const inner = at(250, 250);
          await page.mouse.click(inner.x, inner.y);
          await web.waitState(page, (s) => s.visible.includes(8) && !s.turning && s.settled, 15000, "page 8");
          const real = errors.filter((e) => !/Failed to load resource/.test(e));
          web.assert(real.length === 0, "console errors: " + real.join("; "));
        });
    } finally {
      await landing.close();
      web.removeTree(landingDir);
    }
  }],
]);

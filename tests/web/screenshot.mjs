// Opens a packed web page from file:// in headless Chromium (WebGL2 through
// SwiftShader), shows one beat paused and writes a screenshot:
//   node tests/web/screenshot.mjs PAGE.html BEAT OUT.png [WIDTHxHEIGHT]
// Prints the phase, the load time and the console; status 1 when the page
// ends in "error" or logs an error.
import puppeteer from "puppeteer-core";
import path from "node:path";

const [page_path, beat, out, size = "960x540"] = process.argv.slice(2);
if (!page_path || beat === undefined || !out) {
  console.error("usage: node screenshot.mjs PAGE.html BEAT OUT.png [WIDTHxHEIGHT]");
  process.exit(2);
}
const [width, height] = size.split("x").map(Number);

const browser = await puppeteer.launch({
  executablePath: process.env.QB_CHROMIUM || "/usr/bin/chromium-headless-shell",
  headless: "shell",
  args: ["--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--no-sandbox",
         "--autoplay-policy=no-user-gesture-required", `--window-size=${width},${height}`],
});
let failed = false;
try {
  const page = await browser.newPage();
  await page.setViewport({ width, height });
  page.on("console", (message) => {
    console.log(`console.${message.type()}: ${message.text()}`);
    if (message.type() === "error") failed = true;
  });
  page.on("pageerror", (error) => {
    console.log(`page error: ${error.message}`);
    failed = true;
  });
  const started = Date.now();
  await page.goto(`file://${path.resolve(page_path)}#beat=${beat}&pause`);
  // A page that never gets there is still photographed, to see why.
  await page.waitForFunction(
    () => window.quillbarrow && ["paused", "error", "ended"].includes(window.quillbarrow.phase),
    { timeout: Number(process.env.QB_WEB_TIMEOUT_MS || 120000), polling: 100 }).catch((error) => {
    console.log(error.message);
    failed = true;
  });
  const loaded = Date.now() - started;
  // A few animation frames, so the paused beat has been drawn.
  await page.evaluate(() => new Promise((done) => {
    let frames = 0;
    const next = () => (++frames >= 5 ? done() : requestAnimationFrame(next));
    requestAnimationFrame(next);
  }));
  const state = await page.evaluate(() => window.quillbarrow);
  console.log(`phase ${state.phase}, beat ${state.beat}, loaded in ${loaded} ms`);
  if (state.phase !== "paused") failed = true;
  await page.screenshot({ path: out });
} finally {
  await browser.close();
}
process.exit(failed ? 1 : 0);

// The web player in headless Chromium (WebGL2 through SwiftShader), opened
// from file:// as a viewer would open it:
//   node tests/web/web_player_test.mjs WORK_DIR PAGE=NATIVE_PREFIX:BEAT,BEAT... ...
// WORK_DIR holds the packed pages and the native renders of the same beats
// (NATIVE_PREFIX-0.png, -1.png, ... in the order of the beats), made by
// scripts/test-web.sh. Prints one line per check and the figures; status 1
// when any check fails.
import puppeteer from "puppeteer-core";
import fs from "node:fs";
import path from "node:path";

const [work, ...cases] = process.argv.slice(2);
if (!work || cases.length === 0) {
  console.error("usage: node web_player_test.mjs WORK_DIR PAGE=NATIVE_PREFIX:BEAT,BEAT ...");
  process.exit(2);
}
const width = 960, height = 540;
// SwiftShader and llvmpipe round differently and differ in sin() and its
// kin, so hash-noise shaders (star fields, grain) move single pixels; text,
// shapes, colours, scenes and shadows must agree. A frame passes when its
// mean difference is small and few pixels differ visibly.
const kMeanTolerance = 3.0;       // mean absolute difference per channel, 0..255
const kVisibleDifference = 48;    // a channel difference a viewer would notice
const kVisibleShareTolerance = 0.02;

let failures = 0;
function check(ok, what, detail = "") {
  console.log(`${ok ? "ok  " : "FAIL"} ${what}${detail ? ": " + detail : ""}`);
  if (!ok) failures++;
}

const browser = await puppeteer.launch({
  executablePath: process.env.QB_CHROMIUM || "/usr/bin/chromium-headless-shell",
  headless: "shell",
  args: ["--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--no-sandbox",
         "--allow-file-access-from-files", `--window-size=${width},${height}`],
});

// A page of the player with its console and page errors collected.
async function open(file, hash = "") {
  const page = await browser.newPage();
  await page.setViewport({ width, height });
  const errors = [];
  page.on("console", (m) => { if (m.type() === "error") errors.push(m.text()); });
  page.on("pageerror", (e) => errors.push(e.message));
  const started = Date.now();
  await page.goto(`file://${path.resolve(work, file)}${hash}`);
  return { page, errors, started };
}

async function phase_of(page, phases, timeout = 120000) {
  await page.waitForFunction((p) => window.quillbarrow && p.includes(window.quillbarrow.phase),
    { timeout, polling: 50 }, phases).catch(() => {});
  return page.evaluate(() => window.quillbarrow.phase);
}

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// Both images decoded in a blank page's 2D canvas and compared there.
async function compare(png_a, png_b) {
  const page = await browser.newPage();
  const url = (png) => "data:image/png;base64," + png.toString("base64");
  const result = await page.evaluate(async (a, b, visible) => {
    const pixels = async (src) => {
      const image = new Image();
      image.src = src;
      await image.decode();
      const canvas = new OffscreenCanvas(image.width, image.height);
      const context = canvas.getContext("2d");
      context.drawImage(image, 0, 0);
      return context.getImageData(0, 0, image.width, image.height);
    };
    const [x, y] = [await pixels(a), await pixels(b)];
    if (x.width !== y.width || x.height !== y.height) return { size: `${x.width}x${x.height} vs ${y.width}x${y.height}` };
    let sum = 0, visible_pixels = 0;
    for (let i = 0; i < x.data.length; i += 4) {
      let largest = 0;
      for (let c = 0; c < 3; c++) {
        const d = Math.abs(x.data[i + c] - y.data[i + c]);
        sum += d;
        largest = Math.max(largest, d);
      }
      if (largest > visible) visible_pixels++;
    }
    const count = x.data.length / 4;
    return { mean: sum / (count * 3), visible: visible_pixels / count };
  }, url(png_a), url(png_b), kVisibleDifference);
  await page.close();
  return result;
}

const figures = [];
try {
  for (const entry of cases) {
    const [file, rest] = entry.split("=");
    const [prefix, beat_list] = rest.split(":");
    const beats = beat_list.split(",");

    // Frames at fixed beats beside the native renderer's.
    for (let i = 0; i < beats.length; i++) {
      const { page, errors } = await open(file, `#beat=${beats[i]}&pause`);
      const phase = await phase_of(page, ["paused", "error"]);
      const state = await page.evaluate(() => window.quillbarrow);
      const shot = await page.screenshot({ path: path.join(work, `${prefix}-web-${i}.png`) });
      const native = fs.readFileSync(path.join(work, `${prefix}-${i}.png`));
      const difference = await compare(shot, native);
      check(phase === "paused" && Number(state.beat) === Number(beats[i]), `${file} #beat=${beats[i]}&pause`, phase);
      check(difference.mean <= kMeanTolerance && difference.visible <= kVisibleShareTolerance,
        `${file} beat ${beats[i]} matches the native frame`,
        difference.size || `mean ${difference.mean.toFixed(2)}, visibly different ${(100 * difference.visible).toFixed(2)}%`);
      check(errors.length === 0, `${file} beat ${beats[i]} logs no error`, errors.join(" | "));
      await page.close();
    }

    // Played as a viewer plays it: click, the clock, the sound, Escape, again.
    const { page, errors, started } = await open(file);
    const waiting = await phase_of(page, ["waiting", "error"]);
    const load_ms = Date.now() - started;
    check(waiting === "waiting", `${file} loads to the click overlay`, `${waiting} after ${load_ms} ms`);
    check(await page.$eval("#message", (m) => m.textContent) === "Click to start", `${file} asks for the click`);
    await page.click("#overlay");
    check(await phase_of(page, ["playing", "error"], 30000) === "playing", `${file} plays after the click`);
    const first = await page.evaluate(() => ({ ...window.quillbarrow }));
    const frame_ms = await page.evaluate(() => new Promise((done) => {
      const times = [];
      const next = (t) => { times.push(t); times.length < 61 ? requestAnimationFrame(next) : done((times[60] - times[0]) / 60); };
      requestAnimationFrame(next);
    }));
    await sleep(1000);
    const second = await page.evaluate(() => ({ ...window.quillbarrow }));
    check(second.beat > first.beat, `${file} beat clock advances`, `${first.beat} -> ${second.beat}`);
    const audio = await page.evaluate(() => Module.SDL2 && Module.SDL2.audioContext && Module.SDL2.audioContext.state);
    check(audio === "running", `${file} audio context runs`, String(audio));
    const levels = new Set();
    for (let i = 0; i < 10; i++) {
      levels.add(await page.evaluate(() => window.quillbarrow.level));
      await sleep(100);
    }
    check(levels.size > 1, `${file} music analysis moves`, [...levels].join(" "));
    await page.keyboard.press("Escape");
    check(await phase_of(page, ["ended"], 10000) === "ended", `${file} Escape ends`);
    check(await page.$eval("#overlay", (o) => !o.hidden), `${file} shows the end screen`);
    await page.click("#overlay");
    check(await phase_of(page, ["playing"], 10000) === "playing", `${file} plays again after a click on the end screen`);
    check(errors.length === 0, `${file} console holds no error`, errors.join(" | "));
    figures.push(`${file}: click overlay after ${load_ms} ms, ${frame_ms.toFixed(1)} ms a frame while playing at ${width}x${height}`);
    await page.close();
  }

  // A program the browser cannot link: its log is on the page, and the
  // rest of the production still draws.
  {
    const { page } = await open("shader-error.html", "#beat=8&pause");
    const phase = await phase_of(page, ["paused", "error"]);
    const log = await page.$eval("#log", (l) => (l.hidden ? "" : l.textContent));
    check(phase === "paused" && log.includes("LINKER ERROR"), "a shader that does not link is shown on the page", log.trim());
    await page.close();
  }

  // A page whose payload was damaged says so on the page.
  const good = fs.readFileSync(path.join(work, cases[0].split("=")[0]), "utf8");
  const start = good.indexOf('id="quillbarrow-payload"');
  const body = good.indexOf(">", start) + 1;
  fs.writeFileSync(path.join(work, "damaged.html"), good.slice(0, body) + "AAAA!!!!" + good.slice(body + 8));
  {
    const { page } = await open("damaged.html");
    const phase = await phase_of(page, ["error", "waiting"], 60000);
    const message = await page.$eval("#message", (m) => m.textContent);
    check(phase === "error" && message.startsWith("Cannot play this production"), "a damaged payload shows an error on the page", message);
    await page.close();
  }
  const truncated = good.slice(0, body) + good.slice(body + 40000);
  fs.writeFileSync(path.join(work, "truncated.html"), truncated);
  {
    const { page } = await open("truncated.html");
    const phase = await phase_of(page, ["error", "waiting"], 60000);
    const message = await page.$eval("#message", (m) => m.textContent);
    check(phase === "error" && message.length > 0, "a truncated payload shows an error on the page", message);
    await page.close();
  }
} finally {
  await browser.close();
}
for (const line of figures) console.log(line);
console.log(failures === 0 ? "All web checks passed" : `${failures} web check(s) failed`);
process.exit(failures === 0 ? 0 : 1);

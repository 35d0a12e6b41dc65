// The web edition's figures in headless Chromium: what the page downloads, how long after
// the start of a page load its first frame is drawn, and what a frame costs.
// Usage: node measure.mjs WEB_DIR BENCH_DIR (scripts/web.sh --measure passes both).
import fs from "node:fs";
import path from "node:path";
import zlib from "node:zlib";

import { launch, serveFolder, waitFor } from "../../tests/web/browser.mjs";

const [webFolder, benchFolder] = process.argv.slice(2);
const LOADS = 6;
const REPETITIONS = 5;

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

function kilobytes(bytes) {
  return `${(bytes / 1000).toFixed(1)} KB`;
}

// Everything the page fetches as it loads: the page, the program's JavaScript and its
// WebAssembly. The GIF encoder and its licence come only with the first animation saved.
const fetchedLater = new Set(["gifenc.js", "gifenc-LICENSE.md"]);
let raw = 0;
let gzipped = 0;
for (const name of fs.readdirSync(webFolder).filter((name) => !fetchedLater.has(name))) {
  const bytes = fs.readFileSync(path.join(webFolder, name));
  raw += bytes.length;
  gzipped += zlib.gzipSync(bytes, { level: 9 }).length;
}
console.log(`download: ${kilobytes(raw)} raw, ${kilobytes(gzipped)} gzip -9`);

const browser = await launch("chromium");
try {
  // The moment the first frame that drew anything can be shown, in milliseconds after the
  // page load began (performance.now() counts from there).
  const site = await serveFolder(webFolder);
  const firstFrames = [];
  const lastFrames = [];
  for (let load = 0; load < LOADS; ++load) {
    const page = await browser.newPage();
    await page.evaluateOnNewDocument(() => {
      let drew = false;
      const draw = WebGL2RenderingContext.prototype.drawElements;
      WebGL2RenderingContext.prototype.drawElements = function (...args) {
        drew = true;
        return draw.apply(this, args);
      };
      const request = window.requestAnimationFrame.bind(window);
      // Only an animation frame's own draws count: the start's warm-up draws out of sight.
      // The frame can be shown once the GL has drawn it: a one-pixel read-back in the next
      // animation frame returns then (where the browser composites in software, it has
      // read the canvas back itself before that frame).
      window.requestAnimationFrame = (callback) => request((time) => {
        drew = false;
        callback(time);
        window.lastAnimationFrame = performance.now();
        if (drew && window.firstFrame === undefined) {
          window.firstFrame = performance.now();
          request(() => {
            const gl = Module.ctx;
            gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, new Uint8Array(4));
            window.firstShown = performance.now();
          });
        }
      });
    });
    await page.goto(site.address);
    await waitFor(page, () => window.firstShown !== undefined);
    firstFrames.push(await page.evaluate(() => window.firstShown));
    // Left alone, the page runs animation frames only until the tint rests.
    await waitFor(page, () => Module._pageTintLevel() === Math.fround(0.99997318), 30);
    lastFrames.push(await page.evaluate(() => window.lastAnimationFrame));
    await page.close();
  }
  // Soft shadows in the page itself: from a drag event, the last input, to the end of the
  // animation frame after which none follows, the one that drew the fully refined picture.
  // A one-pixel read-back after each frame waits until the frame is drawn, not only sent.
  const softPage = await browser.newPage();
  await softPage.goto(site.address);
  await waitFor(softPage, () => typeof Module !== "undefined" && Module.calledRun);
  await new Promise((resolve) => setTimeout(resolve, 1500));
  await softPage.evaluate(() => {
    const request = window.requestAnimationFrame.bind(window);
    const pixel = new Uint8Array(4);
    window.requestAnimationFrame = (callback) => request((time) => {
      callback(time);
      Module.ctx.readPixels(0, 0, 1, 1, Module.ctx.RGBA, Module.ctx.UNSIGNED_BYTE, pixel);
      window.lastAnimationFrame = performance.now();
    });
    Module._pageMenu(259);
  });
  const refinements = [];
  for (let run = 0; run < REPETITIONS; ++run) {
    await new Promise((resolve) => setTimeout(resolve, 1500));
    refinements.push(await softPage.evaluate(async (x) => {
      const input = performance.now();
      Module._pageDrag(x, 100);
      await new Promise((resolve) => setTimeout(resolve, 6000));
      return window.lastAnimationFrame - input;
    }, 300 + 10 * run));
  }
  await softPage.close();
  site.server.close();
  console.log(`first frame shown after the load began: ${firstFrames[0].toFixed(0)} ms for ` +
              `the first page of a new browser, median ` +
              `${median(firstFrames.slice(1)).toFixed(0)} ms over the ${LOADS - 1} loads after it`);
  console.log(`animation frames stop, the tint at rest: median ${median(lastFrames).toFixed(0)} ms ` +
              `after the load began`);

  const bench = await serveFolder(benchFolder);
  const page = await browser.newPage();
  await page.goto(bench.address + "web_frame_benchmark.html");
  await waitFor(page, () => typeof Module !== "undefined" && Module.calledRun);
  const views = [["shadow frame", 0], ["plain frame", 1], ["bare clear", 2]];
  const times = {};
  for (const [name, view] of views) {
    // The first frames after loading pay for compiling shaders and filling caches.
    await page.evaluate((v) => Module._timeFrames(v, 50), view);
    const runs = [];
    for (let run = 0; run < REPETITIONS; ++run) {
      runs.push(await page.evaluate((v) => Module._timeFrames(v, 200), view));
    }
    times[name] = median(runs);
    console.log(`${name}: ${times[name].toFixed(2)} ms (median of ${REPETITIONS} runs of 200)`);
  }
  // Each light after the first draws its own shadows; the casters, the shell and the markers
  // are drawn once, lit by all. Timed in turns with the one-light frame, the order flipped
  // each round, so that a changing load falls on both alike; also as processor time summed
  // over the browser's processes, which other programs' load stretches less. The share is
  // the median of the rounds' own.
  const session = await browser.target().createCDPSession();
  const processorTime = async () => {
    const { processInfo } = await session.send("SystemInfo.getProcessInfo");
    return processInfo.reduce((sum, process) => sum + process.cpuTime, 0);
  };
  const timeLights = async (count) => {
    await page.evaluate((n) => Module._setLightCount(n), count);
    await page.evaluate(() => Module._timeFrames(0, 5));
    const before = await processorTime();
    const time = await page.evaluate(() => Module._timeFrames(0, 50));
    return { time, processor: (1000 * ((await processorTime()) - before)) / 50 };
  };
  const ROUNDS = 12;
  for (const lights of [2, 3, 4]) {
    const shares = { time: [], processor: [] };
    const times = [];
    for (let round = 0; round < ROUNDS; ++round) {
      const order = round % 2 === 0 ? [1, lights] : [lights, 1];
      const measured = {};
      for (const count of order) {
        measured[count] = await timeLights(count);
      }
      times.push(measured[lights].time);
      for (const kind of ["time", "processor"]) {
        const one = measured[1][kind];
        shares[kind].push((measured[lights][kind] - one) / (lights - 1) / one);
      }
    }
    const percent = (values) => `${(100 * median(values)).toFixed(0)} %`;
    console.log(`shadow frame, ${lights} lights: ${median(times).toFixed(2)} ms (median of ` +
                `${ROUNDS} runs of 50, in turns with one light); each light after the first: ` +
                `${percent(shares.time)} of a one-light frame, ${percent(shares.processor)} in ` +
                "processor time");
  }
  await page.evaluate(() => Module._setLightCount(1));
  // Each receiver beyond the floor and the left wall, in turns with the frame of those two
  // as the lights are: the five faces, then the five faces and the board.
  const timeReceivers = async ([faces, board]) => {
    await page.evaluate((f, b) => Module._setReceivers(f, b), faces, board);
    await page.evaluate(() => Module._timeFrames(0, 5));
    const before = await processorTime();
    const time = await page.evaluate(() => Module._timeFrames(0, 50));
    return { time, processor: (1000 * ((await processorTime()) - before)) / 50 };
  };
  for (const [name, setting, extra] of [["five faces", [1, 0], 3], ["five faces and the board", [1, 1], 4]]) {
    const shares = { time: [], processor: [] };
    const times = [];
    for (let round = 0; round < ROUNDS; ++round) {
      const two = round % 2 === 0 ? await timeReceivers([0, 0]) : null;
      const more = await timeReceivers(setting);
      const base = two ?? await timeReceivers([0, 0]);
      times.push(more.time);
      for (const kind of ["time", "processor"]) {
        shares[kind].push((more[kind] - base[kind]) / extra / base[kind]);
      }
    }
    const percent = (values) => `${(100 * median(values)).toFixed(0)} %`;
    console.log(`shadow frame, ${name} receiving: ${median(times).toFixed(2)} ms (median of ` +
                `${ROUNDS} runs of 50, in turns with the floor and the left wall); each receiver ` +
                `beyond those two: ${percent(shares.time)} of their frame, ${percent(shares.processor)} ` +
                "in processor time");
  }
  await page.evaluate(() => Module._setReceivers(0, 0));
  for (const samples of [1, 8, 32]) {
    // Fewer frames for the slower steps, about as long a run for each.
    const frames = Math.ceil(80 / samples);
    await page.evaluate((n) => Module._timeSoftFrames(n, 2), samples);
    const runs = [];
    for (let run = 0; run < REPETITIONS; ++run) {
      runs.push(await page.evaluate((n, f) => Module._timeSoftFrames(n, f), samples, frames));
    }
    const name = samples === 1 ? "soft shadows, frame while dragging" : `soft shadows, ${samples} samples`;
    console.log(`${name}: ${median(runs).toFixed(2)} ms (median of ${REPETITIONS} runs of ${frames})`);
  }
  {
    await page.evaluate(() => Module._timeBatchFrames(2));
    const runs = [];
    for (let run = 0; run < REPETITIONS; ++run) {
      runs.push(await page.evaluate(() => Module._timeBatchFrames(4)));
    }
    console.log(`soft shadows, a batch of 8 averaged in: ${median(runs).toFixed(2)} ms ` +
                `(median of ${REPETITIONS} runs of 4)`);
  }
  for (const soft of [0, 1]) {
    const frames = soft ? 4 : 100;
    await page.evaluate((s) => Module._timeStencilViewFrames(s, 2), soft);
    const runs = [];
    for (let run = 0; run < REPETITIONS; ++run) {
      runs.push(await page.evaluate((s, f) => Module._timeStencilViewFrames(s, f), soft, frames));
    }
    console.log(`stencil view frame${soft ? ", soft shadows from 32 samples" : ""}: ` +
                `${median(runs).toFixed(2)} ms (median of ${REPETITIONS} runs of ${frames})`);
  }
  console.log(`soft shadows, last input to the picture at rest (256 points): median ` +
              `${median(refinements).toFixed(0)} ms ` +
              `over ${REPETITIONS} drags`);
  // The drawing buffer of a screen with 2 and 3 device pixels per CSS pixel.
  for (const side of [1024, 1536]) {
    await page.evaluate((s) => Module._setFrameSize(s), side);
    await page.evaluate(() => Module._timeFrames(0, 50));
    const runs = [];
    for (let run = 0; run < REPETITIONS; ++run) {
      runs.push(await page.evaluate(() => Module._timeFrames(0, 200)));
    }
    console.log(`shadow frame at ${side} × ${side}: ${median(runs).toFixed(2)} ms ` +
                `(median of ${REPETITIONS} runs of 200)`);
  }
  console.log(`shadow frame / bare clear: ${(times["shadow frame"] / times["bare clear"]).toFixed(1)}, ` +
              `shadow frame / plain frame: ${(times["shadow frame"] / times["plain frame"]).toFixed(1)}`);
  bench.server.close();
} finally {
  await browser.close();
}

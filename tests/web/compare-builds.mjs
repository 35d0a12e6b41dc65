// Two builds of the web edition timed against each other in one browser, on a machine whose
// load changes from minute to minute: the frame benchmark of one build, then the other's,
// in turns, each turn in a fresh tab. The order flips every round, so a load that rises or
// falls through the run weighs on both alike. Each build's figure is the median over the
// rounds; the ratio is the median of each round's own ratio, and the ranges show the spread.
// Besides the time a frame takes, the processor time it costs, summed over the browser's
// processes (the page's, and the GPU process's where SwiftShader draws): other programs'
// load stretches the first much more than the second.
// Usage: node compare-builds.mjs OLD_BENCH_DIR NEW_BENCH_DIR [ROUNDS]
// (an Emscripten build folder each, holding web_frame_benchmark.html; scripts/web.sh
// --measure OLD passes them).
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

import { Chromium, serveFolder } from "./chromium.mjs";

const [oldFolder, newFolder, roundsArgument] = process.argv.slice(2);
const ROUNDS = Number(roundsArgument ?? 6);
const RUNS = 5;
const FRAMES = 200;
const VIEWS = [["shadow frame", 0], ["plain frame", 1]];
const FIGURES = VIEWS.flatMap(([name]) => [name, `${name}, processor time`]);

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

function range(values, digits = 2) {
  return `${Math.min(...values).toFixed(digits)} to ${Math.max(...values).toFixed(digits)}`;
}

// Seconds of processor time the browser's processes have used so far.
async function processorTime(browser) {
  const { processInfo } = await browser.send("SystemInfo.getProcessInfo");
  return processInfo.reduce((sum, process) => sum + process.cpuTime, 0);
}

// Milliseconds per frame of each view, time taken and processor time: the medians of RUNS
// runs of FRAMES frames, after 50 frames that pay for compiling shaders and filling caches.
async function timeViews(browser, address) {
  const page = await browser.newPage();
  await page.goto(address + "web_frame_benchmark.html");
  await page.waitFor(() => typeof Module !== "undefined" && Module.calledRun);
  const times = {};
  for (const [name, view] of VIEWS) {
    await page.evaluate((v) => Module._timeFrames(v, 50), view);
    const runs = [];
    const processor = [];
    for (let run = 0; run < RUNS; ++run) {
      const before = await processorTime(browser);
      runs.push(await page.evaluate((v, n) => Module._timeFrames(v, n), view, FRAMES));
      processor.push((1000 * ((await processorTime(browser)) - before)) / FRAMES);
    }
    times[name] = median(runs);
    times[`${name}, processor time`] = median(processor);
  }
  await page.close();
  return times;
}

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), "planar-shadows-compare-"));
const browser = await Chromium.launch(path.join(scratch, "profile"));
try {
  const builds = [
    { name: "old", ...(await serveFolder(oldFolder)), times: [] },
    { name: "new", ...(await serveFolder(newFolder)), times: [] },
  ];
  for (let round = 0; round < ROUNDS; ++round) {
    const order = round % 2 === 0 ? builds : [...builds].reverse();
    for (const build of order) {
      build.times.push(await timeViews(browser, build.address));
    }
    console.log(`round ${round + 1}: ` + FIGURES.map((name) =>
      `${name} old ${builds[0].times[round][name].toFixed(2)} ms, ` +
      `new ${builds[1].times[round][name].toFixed(2)} ms`).join("; "));
  }
  for (const name of FIGURES) {
    const [before, after] = builds.map((build) => build.times.map((t) => t[name]));
    const ratios = after.map((time, round) => time / before[round]);
    console.log(`${name}: old median ${median(before).toFixed(2)} ms (${range(before)}), ` +
                `new median ${median(after).toFixed(2)} ms (${range(after)}), ` +
                `new / old median ${median(ratios).toFixed(3)} (${range(ratios, 3)}), ` +
                `${ROUNDS} rounds`);
  }
  builds.forEach((build) => build.server.close());
} finally {
  await browser.close();
  fs.rmSync(scratch, { recursive: true, force: true });
}

// Two builds of the web edition timed against each other in one browser, on a machine whose
// load changes from second to second: each build's frame benchmark in a tab of its own,
// both kept open, and short runs of frames of one build, then the other's, in turns, the
// tab brought to the front for its run. The order flips every round, so a load that rises or
// falls through the run weighs on both alike. Each build's figure is the median over the
// rounds; the ratio is the median of each round's own ratio, and the ranges show the spread.
// Besides the time a frame takes, the processor time it costs, summed over the browser's
// processes (the page's, and the GPU process's where SwiftShader draws): other programs'
// load stretches the first much more than the second.
// Usage: node compare-builds.mjs OLD_BENCH_DIR NEW_BENCH_DIR [ROUNDS]
// (an Emscripten build folder each, holding web_frame_benchmark.html; scripts/web.sh
// --measure OLD passes them).
import { launch, serveFolder, waitFor } from "../../tests/web/browser.mjs";

const [oldFolder, newFolder, roundsArgument] = process.argv.slice(2);
const ROUNDS = Number(roundsArgument ?? 24);
const FRAMES = 100;
const VIEWS = [["shadow frame", 0], ["plain frame", 1]];
const FIGURES = VIEWS.flatMap(([name]) => [name, `${name}, processor time`]);

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

function range(values, digits = 2) {
  return `${Math.min(...values).toFixed(digits)} to ${Math.max(...values).toFixed(digits)}`;
}

// Seconds of processor time the browser's processes have used so far, as the browser's own
// DevTools session tells.
async function processorTime(session) {
  const { processInfo } = await session.send("SystemInfo.getProcessInfo");
  return processInfo.reduce((sum, process) => sum + process.cpuTime, 0);
}

// The build's benchmark page, its shaders compiled and caches filled by 50 frames of each view.
async function openBenchmark(browser, address) {
  const page = await browser.newPage();
  await page.goto(address + "web_frame_benchmark.html");
  await waitFor(page, () => typeof Module !== "undefined" && Module.calledRun);
  for (const [, view] of VIEWS) {
    await page.evaluate((v) => Module._timeFrames(v, 50), view);
  }
  return page;
}

// Milliseconds per frame of each view over FRAMES frames, time taken and processor time.
async function timeViews(session, page) {
  await page.bringToFront();
  const times = {};
  for (const [name, view] of VIEWS) {
    const before = await processorTime(session);
    times[name] = await page.evaluate((v, n) => Module._timeFrames(v, n), view, FRAMES);
    times[`${name}, processor time`] = (1000 * ((await processorTime(session)) - before)) / FRAMES;
  }
  return times;
}

const browser = await launch("chromium");
try {
  const session = await browser.target().createCDPSession();
  const builds = [
    { name: "old", ...(await serveFolder(oldFolder)), times: [] },
    { name: "new", ...(await serveFolder(newFolder)), times: [] },
  ];
  for (const build of builds) {
    build.page = await openBenchmark(browser, build.address);
  }
  for (let round = 0; round < ROUNDS; ++round) {
    const order = round % 2 === 0 ? builds : [...builds].reverse();
    for (const build of order) {
      build.times.push(await timeViews(session, build.page));
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
}

// The web edition in a browser engine, driven with real input: its frames must be the
// snapshot tool's pictures of the same states, and every control must work as on the
// desktop. BROWSER_ENGINE names the engine ("chromium", the default, or "firefox"; the
// test command runs each as a test of its own). Needs WEB_DIR (the built page), SNAPSHOT_EXE
// and an X display for the snapshot tool and for Firefox (the test command runs this under
// scripts/with-xvfb.sh).
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { after, before, test } from "node:test";

import { launch, readPng, serveFolder, waitFor } from "./browser.mjs";

const ENGINE = process.env.BROWSER_ENGINE ?? "chromium";
const WEB_DIR = process.env.WEB_DIR;
const SNAPSHOT_EXE = process.env.SNAPSHOT_EXE;
const REST_TINT = "0.99997318";
const SIZE = 512;

// A frame may differ from the snapshot tool's picture of its state by more than LEVELS in
// a channel in this share of its pixels: the engines and the desktop round edges
// differently. Measured in the stencilled states: at most 0.04 % in Chromium's
// SwiftShader, none in Firefox's llvmpipe, the desktop's own renderer. The same state
// drawn by the other pass differs in 0.95 % or more, so the budget tells the passes apart.
const LEVELS = 40;
const STENCILLED_SHARE = 0.0025;
// Without the stencil the flattened casters fight their receiver for depth in its very
// plane, and each rasteriser settles that fight its own way (1.4 % of the pixels apart
// between SwiftShader and llvmpipe), more than the stencilled and the naive pass differ in
// some states. So a naive frame gets the old budget, and is told from a stencilled one by
// the fight itself: inside the black shadows the stencilled pass draws, it shows receiver
// pixels that won the fight, lit, in at least this share of its pixels (a stencilled frame
// shows none).
const NAIVE_SHARE = 0.02;
const LIT_THROUGH_SHARE = 0.002;

// Only DevTools emulates a phone's browser (its layout viewport from the page's viewport
// meta tag, overlay scrollbars); WebDriver BiDi sets a phone's size, density and touch.
const EMULATES_MOBILE = ENGINE === "chromium";

let server;
let address;
let browser;
let scratch;

before(async () => {
  scratch = fs.mkdtempSync(path.join(os.tmpdir(), "planar-shadows-web-"));
  ({ server, address } = await serveFolder(WEB_DIR));
  browser = await launch(ENGINE);
});

// Closing the browser ends its processes and removes its profile, whatever failed.
after(async () => {
  await browser?.close();
  server?.close();
  fs.rmSync(scratch, { recursive: true, force: true });
});

// ---- Pictures ------------------------------------------------------------------------

// The snapshot tool's picture of a state, with the budget a frame of that state gets; for
// an opaque frame without the stencil, also the stencilled picture of the same state.
function snapshot(...options) {
  return snapshotWithCaption(...options).picture;
}

// With --step the tool also prints the step's caption, on its first line (the step's GL
// state follows on the next ones).
function snapshotWithCaption(...options) {
  const file = path.join(scratch, "expected.png");
  const output = execFileSync(SNAPSHOT_EXE, [...options, "-o", file], { encoding: "utf8" });
  const lines = output.split("\n");
  const picture = readPng(fs.readFileSync(file));
  fs.rmSync(file);
  const naive = options.includes("--no-stencil");
  picture.share = naive ? NAIVE_SHARE : STENCILLED_SHARE;
  if (naive && !options.includes("--translucent") && !options.includes("--step")) {
    picture.stencilled = snapshot(...options.filter((option) => option !== "--no-stencil"));
  }
  return { picture, caption: lines[0].trim(), state: lines.slice(1).join("\n") };
}

// How many pixels differ by more than LEVELS in some channel.
function differingPixels(a, b) {
  assert.equal(a.width, b.width);
  assert.equal(a.height, b.height);
  let count = 0;
  for (let i = 0; i < a.data.length; i += 4) {
    if (Math.abs(a.data[i] - b.data[i]) > LEVELS || Math.abs(a.data[i + 1] - b.data[i + 1]) > LEVELS ||
        Math.abs(a.data[i + 2] - b.data[i + 2]) > LEVELS) {
      ++count;
    }
  }
  return count;
}

// The mean of every channel's difference but alpha's, per pixel: small enough to tell
// averages of more or fewer points of the light apart where LEVELS cannot.
function meanDifference(a, b) {
  let sum = 0;
  for (let i = 0; i < a.data.length; ++i) {
    sum += i % 4 === 3 ? 0 : Math.abs(a.data[i] - b.data[i]);
  }
  return sum / (a.width * a.height);
}

// How many pixels are black in the stencilled picture and lit in the frame.
function litThroughPixels(frame, stencilled) {
  let count = 0;
  for (let i = 0; i < frame.data.length; i += 4) {
    const black = Math.max(stencilled.data[i], stencilled.data[i + 1], stencilled.data[i + 2]) < 10;
    count += black && Math.max(frame.data[i], frame.data[i + 1], frame.data[i + 2]) > LEVELS;
  }
  return count;
}

// What keeps a frame from passing for the snapshot tool's picture, in words; "" if nothing.
function mismatch(frame, expected) {
  const pixels = frame.width * frame.height;
  const share = differingPixels(frame, expected) / pixels;
  const problems = [];
  if (share > expected.share) {
    problems.push(`${(100 * share).toFixed(3)} % of the pixels differ by more than ${LEVELS} ` +
                  `levels (at most ${100 * expected.share} %)`);
  }
  if (expected.stencilled) {
    const litThrough = litThroughPixels(frame, expected.stencilled) / pixels;
    if (litThrough < LIT_THROUGH_SHARE) {
      problems.push(`${(100 * litThrough).toFixed(3)} % of the pixels show lit through the ` +
                    `stencilled pass's shadows (at least ${100 * LIT_THROUGH_SHARE} %)`);
    }
  }
  return problems.join("; ");
}

function alike(frame, expected) {
  return mismatch(frame, expected) === "";
}

// ---- The page -------------------------------------------------------------------------

class Visit {
  // A new tab of this many CSS pixels, with this many device pixels to each, and a phone's
  // touch screen or a desktop's mouse, at the page with this query.
  static async open(query = "", screen = {}) {
    const visit = await Visit.start(screen);
    await visit.goto(address + query);
    return visit;
  }

  // The tab, blank, recording what a visitor does not see: the console, uncaught errors
  // and failed requests. A failed load is looked for in the responses, since only Chromium
  // also reports one on the console.
  static async start({ width = 544, height = 1000, scale = 1, touch = false } = {}) {
    const visit = new Visit();
    visit.console = [];
    visit.errors = [];
    visit.failedRequests = [];
    visit.page = await browser.newPage();
    visit.page.on("console", (message) => visit.console.push(message.text()));
    visit.page.on("pageerror", (error) => visit.errors.push(error.message));
    visit.page.on("response", (response) => {
      if (response.status() >= 400) {
        visit.failedRequests.push(`${response.status()} ${response.url()}`);
      }
    });
    // A request that failed after its response came (Chromium aborts a 404 whose body the
    // page does not read) is already counted by its response.
    visit.page.on("requestfailed", (request) => {
      if (!request.response()) {
        visit.failedRequests.push(`${request.failure()?.errorText} ${request.url()}`);
      }
    });
    await visit.page.setViewport({ width, height, deviceScaleFactor: scale, hasTouch: touch,
                                   isMobile: touch && EMULATES_MOBILE });
    return visit;
  }

  async goto(url) {
    await this.page.goto(url);
    await this.findCanvas();
  }

  // Where the canvas is, again after the page's layout has changed.
  async findCanvas() {
    this.box = await this.page.evaluate(() => {
      const box = document.getElementById("canvas").getBoundingClientRect();
      return { x: box.left, y: box.top, width: box.width, height: box.height };
    });
  }

  waitFor(predicate, seconds) {
    return waitFor(this.page, predicate, seconds);
  }

  // The canvas as the screen shows it, in device pixels.
  async frame() {
    const png = await this.page.screenshot({ clip: this.box, captureBeyondViewport: false });
    return readPng(Buffer.from(png));
  }

  // Polls the canvas until it shows a picture like `expected`; the last frame otherwise.
  async waitForFrameLike(expected, seconds = 5) {
    const until = Date.now() + seconds * 1000;
    let frame;
    do {
      frame = await this.frame();
      if (alike(frame, expected)) {
        break;
      }
      await new Promise((resolve) => setTimeout(resolve, 100));
    } while (Date.now() < until);
    return frame;
  }

  // Also returns the frame.
  async expectFrameLike(expected, what) {
    const frame = await this.waitForFrameLike(expected);
    const pixels = frame.width * frame.height;
    const share = `${((100 * differingPixels(frame, expected)) / pixels).toFixed(3)} %`;
    const litThrough = expected.stencilled ? `, ${(100 * litThroughPixels(frame, expected.stencilled) /
                                                   pixels).toFixed(3)} % lit through` : "";
    console.log(`${what}: ${share} of the pixels differ by more than ${LEVELS} levels${litThrough}`);
    assert.equal(mismatch(frame, expected), "", what);
    return frame;
  }

  // Presses and releases each key: the characters of a string, or the key names in an array.
  async type(keys) {
    for (const key of keys) {
      await this.page.keyboard.press(key);
    }
  }

  async typeWithShift(key) {
    await this.page.keyboard.down("Shift");
    await this.page.keyboard.press(key);
    await this.page.keyboard.up("Shift");
  }

  // Canvas pixels from the top left, as the program counts them. A move carries the button
  // held, as a real drag does.
  async movePointer(x, y) {
    await this.page.mouse.move(this.box.x + x, this.box.y + y);
  }

  // Button "left", "middle" or "right".
  async press(x, y, button = "left") {
    await this.movePointer(x, y);
    await this.page.mouse.down({ button });
  }

  async release(button = "left") {
    await this.page.mouse.up({ button });
  }

  // A finger down at canvas pixel (x, y); the handle moves it (canvas pixels too) and lifts it.
  async touch(x, y) {
    const at = (px, py) => [this.box.x + px, this.box.y + py];
    const finger = await this.page.touchscreen.touchStart(...at(x, y));
    return { move: (px, py) => finger.move(...at(px, py)), end: () => finger.end() };
  }

  // A click on the middle of the page's element that matches this CSS selector.
  async click(selector) {
    const middle = await this.page.evaluate((s) => {
      const element = document.querySelector(s).getBoundingClientRect();
      return [element.left + element.width / 2, element.top + element.height / 2];
    }, selector);
    await this.page.mouse.click(...middle);
  }

  // Opens the menu with the right button and chooses the item at this index.
  async chooseMenuItem(index) {
    await this.press(100, 150, "right");
    await this.release("right");
    await this.click(`#menu li:nth-child(${index + 1}) button`);
  }

  // The tint climbs on the first animation frames after the start and then rests; a
  // redraw after that shows the teapot's and the sphere's final colours.
  async waitForTintToRest() {
    await this.waitFor(() => typeof Module !== "undefined" && Module.calledRun &&
                             Module._pageTintLevel() === Math.fround(0.99997318), 30);
  }

  // No uncaught error, and no failed request but those expected (the icon included).
  async close(expectedFailures = []) {
    assert.deepEqual(this.errors, []);
    assert.deepEqual(this.failedRequests, expectedFailures);
    await this.page.close();
  }
}

// Where a press at canvas pixel (x, y) puts the light, as the desktop's 512 × 512 window,
// or a drawing buffer `size` pixels square.
function lightAcross(x, y, size = SIZE) {
  return [((x - size) * 200) / size + 100, ((size - y) * 200) / size - 100];
}
function lightDepth(y) {
  return -320 - ((SIZE - y) * 200) / SIZE;
}

// ---- Frames ---------------------------------------------------------------------------

// The figure's board: the cone's shadow across it, cut at its edges, its own on the back wall.
const BOARD_LINK = "light=-30,40,-330&receivers=floor,left-wall,back-wall&board=-30,-450,20";
const CLIPPED_LINK = "light=-30,-70,-330&board=-30,-370,0";

test("frames match the snapshot tool's pictures of the same states, and not the other pass's", async (t) => {
  // `otherPass`: the state drawn the other way, with the stencil or without it, is not
  // alike. Not for the plain view, which has no pass, nor for a light below the floor,
  // where only the wall takes shadows and both passes draw them alike (0.04 % apart).
  const states = [
    { name: "start", act: (v) => v.type("b"), expected: [], otherPass: true },
    {
      name: "light moved",
      act: async (v) => {
        await v.press(128, 96);
        await v.release();
      },
      expected: ["--light", `${lightAcross(128, 96)},-320`],
      otherPass: true,
    },
    { name: "teapot moved", act: (v) => v.type("t"), expected: ["--teapot-offset", "15"], otherPass: true },
    { name: "plain view", act: (v) => v.type("n"), expected: ["--view", "plain"] },
    { name: "translucent shadows", act: (v) => v.chooseMenuItem(3), expected: ["--translucent"], otherPass: true },
    { name: "shadows without the stencil", act: (v) => v.chooseMenuItem(4), expected: ["--no-stencil"], otherPass: true },
    {
      name: "three lights, the third the sun",
      act: (v) => v.type("llu"),
      expected: ["--light", "50,50,-320", "--light", "-30,80,-340", "--light", "20,60,-500,0"],
    },
    {
      name: "the back wall and a tilted board receiving, from a link",
      act: (v) => v.page.evaluate((link) => { location.hash = link; }, BOARD_LINK),
      expected: ["--state", BOARD_LINK],
      otherPass: true,
    },
    {
      // The cone stands behind the board's plane, which the shader's clipping keeps it off.
      name: "a caster behind the board throws nothing onto it",
      act: (v) => v.page.evaluate((link) => { location.hash = link; }, CLIPPED_LINK),
      expected: ["--state", CLIPPED_LINK],
    },
    {
      // Dragged out of the canvas, below it: the light leaves the room through the floor.
      name: "light below the floor",
      act: async (v) => {
        await v.press(256, 256);
        await v.movePointer(256, 400);
        await v.movePointer(256, 640);
        await v.release();
      },
      expected: ["--light", `${lightAcross(256, 640)},-320`],
    },
  ];
  for (const state of states) {
    await t.test(state.name, async () => {
      const visit = await Visit.open();
      await visit.waitForTintToRest();
      await state.act(visit);
      const frame = await visit.expectFrameLike(snapshot("--tint", REST_TINT, ...state.expected), state.name);
      if (state.otherPass) {
        const naive = state.expected.includes("--no-stencil");
        const other = naive ? state.expected.filter((option) => option !== "--no-stencil")
                            : [...state.expected, "--no-stencil"];
        const problem = mismatch(frame, snapshot("--tint", REST_TINT, ...other));
        console.log(`${state.name}, against the other pass's picture: ${problem}`);
        assert.notEqual(problem, "", `${state.name}: the other pass's picture passes too`);
      }
      await visit.close();
    });
  }
});

// A state text as the snapshot tool's options: "light=1,2,3&soft" as --light 1,2,3 --soft.
function stateOptions(text) {
  return text === "" ? [] : text.split("&").flatMap((part) => {
    const [key, value] = part.split("=");
    return value === undefined ? [`--${key}`] : [`--${key}`, value];
  });
}

test("the gallery's links open their states, each variant's picture unlike the right pass's, which c shows while held", async () => {
  const visit = await Visit.open();
  const { page } = visit;
  await visit.waitForTintToRest();
  const entries = await page.evaluate(() => [...document.querySelectorAll("#gallery-list li")]
    .map((item) => [...item.querySelectorAll("a")].map((link) => decodeURIComponent(link.hash.slice(1)))));
  assert.ok(entries.some(([wrong]) => wrong.includes("variant=")));
  for (const [index, [wrong, right]] of entries.entries()) {
    const link = `#gallery-list li:nth-child(${index + 1}) a`;
    await page.$eval(link, (element) => element.scrollIntoView());
    await visit.click(link);
    await page.evaluate(() => window.scrollTo(0, 0));
    await visit.findCanvas();
    // The program writes the state it opened back into the address: the link, as it is.
    await page.waitForFunction((link) => decodeURIComponent(location.hash.slice(1)) === link,
                               { timeout: 5000 }, wrong);
    if (wrong.includes("variant=")) {
      const wrongPicture = snapshot("--tint", REST_TINT, ...stateOptions(wrong));
      // Where depth rounding decides pixels, as without the stencil, WebGL rounds otherwise.
      if (/depth-tested-clear|polygon-offset/.test(wrong)) {
        wrongPicture.share = NAIVE_SHARE;
      }
      const frame = await visit.expectFrameLike(wrongPicture, wrong);
      const rightPicture = snapshot("--tint", REST_TINT, ...stateOptions(right));
      assert.notEqual(mismatch(frame, rightPicture), "", `${wrong}: the right pass's picture passes too`);
      await page.focus("#canvas");
      await page.keyboard.down("c");
      await visit.expectFrameLike(rightPicture, `${wrong}, c held`);
      await page.keyboard.up("c");
      await visit.expectFrameLike(wrongPicture, `${wrong}, c let go`);
    }
  }
  await visit.close();
});

// Soft shadows refine on animation frames while nothing moves, and the frames stop once the
// picture is the snapshot tool's fully refined one.
test("soft shadows refine to the snapshot tool's picture, then the page rests", async () => {
  const visit = await Visit.open();
  const { page } = visit;
  await visit.waitForTintToRest();
  // Animation frames asked for and not yet run; a frame's callback asks for the next one
  // before it counts as run, so 0 means that nothing more will be drawn.
  await page.evaluate(() => {
    const request = window.requestAnimationFrame;
    window.pendingFrames = 0;
    window.requestAnimationFrame = (callback) => {
      ++window.pendingFrames;
      return request((time) => {
        try {
          callback(time);
        } finally {
          --window.pendingFrames;
        }
      });
    };
  });
  await visit.chooseMenuItem(6);
  // '=' is the unshifted '+': twice makes the light's radius 10.
  await visit.type("==");
  await visit.waitFor(() => window.pendingFrames === 0, 60);

  const soft = snapshot("--tint", REST_TINT, "--soft", "--light-radius", "10");
  const hard = snapshot("--tint", REST_TINT);
  const refined = await visit.waitForFrameLike(soft);
  const share = (frame) => differingPixels(frame, soft) / (SIZE * SIZE);
  console.log(`soft shadows: ${(100 * share(refined)).toFixed(3)} % of the pixels differ by ` +
              `more than ${LEVELS} levels; the hard frame: ${(100 * share(hard)).toFixed(3)} %`);
  assert.ok(alike(refined, soft));
  // At this radius the penumbrae are wide enough that the hard frame fails the budget.
  assert.ok(!alike(hard, soft), "the budget cannot tell the hard frame from the soft one");
  // Past the first batch of 32 points: nearer the tool's 256 than its 32, on average.
  const firstBatch = snapshot("--tint", REST_TINT, "--soft", "--light-radius", "10", "--samples", "32");
  console.log(`mean difference from 256 points ${meanDifference(refined, soft).toFixed(4)}, ` +
              `from 32 ${meanDifference(refined, firstBatch).toFixed(4)}`);
  assert.ok(meanDifference(refined, soft) < meanDifference(refined, firstBatch));
  await visit.close();
});

// Where the browser cannot render into floating point, the picture rests at the first batch
// of 32 points, and the status line says why.
test("without floating-point targets soft shadows rest at 32 points, and the page says so", async () => {
  const visit = await Visit.start();
  await visit.page.evaluateOnNewDocument(() => {
    const getExtension = WebGL2RenderingContext.prototype.getExtension;
    WebGL2RenderingContext.prototype.getExtension = function (name) {
      return name === "EXT_color_buffer_float" ? null : getExtension.call(this, name);
    };
  });
  await visit.goto(`${address}#soft&light-radius=10`);
  await visit.waitFor(() => /rest at 32 points/.test(document.getElementById("status").textContent), 30);
  console.log(await visit.page.evaluate(() => document.getElementById("status").textContent));
  const firstBatch = snapshot("--tint", REST_TINT, "--soft", "--light-radius", "10", "--samples", "32");
  const resting = snapshot("--tint", REST_TINT, "--soft", "--light-radius", "10");
  const frame = await visit.expectFrameLike(firstBatch, "soft shadows from the first batch alone");
  assert.ok(meanDifference(frame, firstBatch) < meanDifference(frame, resting));
  await visit.close();
});

// The lights from the buttons under the picture, as on a phone; what cannot be is said in
// the status line until the next input.
test("the buttons add lights up to four, and the status line says what cannot be", async () => {
  const visit = await Visit.open();
  const { page } = visit;
  await visit.waitForTintToRest();
  const status = () => page.evaluate(() => document.getElementById("status").textContent);
  const addLight = await buttonCentre(page, "Add a light, l (now 1 of 4)");
  for (let add = 0; add < 4; ++add) {
    await page.mouse.click(...addLight);
  }
  await visit.waitFor(() => document.getElementById("status").textContent !== "");
  assert.match(await status(), /^There are four lights already/);
  await visit.expectFrameLike(snapshot("--tint", REST_TINT, "--light", "50,50,-320", "--light",
                                       "-30,80,-340", "--light", "20,60,-500", "--light",
                                       "90,0,-420"), "four lights");
  // Keys reach the program once the picture has the focus again, not the button.
  await page.evaluate(() => document.getElementById("canvas").focus());
  await visit.type("LLL3");
  await visit.waitFor(() => document.getElementById("status").textContent.includes("light 3"));
  assert.equal(await status(), "There is no light 3: there is 1, and l adds another.");
  await visit.expectFrameLike(snapshot("--tint", REST_TINT), "one light again");
  await visit.close();
});

// ---- Stepping through the drawing -----------------------------------------------------

test("each step of the drawing matches the snapshot tool's, with its caption and its GL state", async () => {
  const visit = await Visit.open();
  const { page } = visit;
  await visit.waitForTintToRest();
  const shown = (id) => page.evaluate((i) => {
    const element = document.getElementById(i);
    return element.hidden ? "" : element.textContent;
  }, id);
  const caption = () => shown("caption");
  const expectStep = async (step, of, ...options) => {
    const expected = snapshotWithCaption("--tint", REST_TINT, "--step", `${step}`, ...options);
    await visit.expectFrameLike(expected.picture, `step ${step} of ${of} ${options.join(" ")}`);
    assert.equal(await caption(), `Step ${step} of ${of}: ${expected.caption}`);
    assert.equal(await shown("step-state"), expected.state);
  };

  // ']' does nothing until the menu turns the mode on, at the first step.
  await visit.type("]");
  assert.equal(await caption(), "");
  await visit.chooseMenuItem(5);
  await expectStep(1, 7);
  for (let step = 2; step <= 7; ++step) {
    await visit.type("]");
    await expectStep(step, 7);
  }
  // The steps stop at the last one and go back one at a time.
  await visit.type("]][");
  await expectStep(6, 7);
  // Without the stencil there are fewer steps: the step held becomes the last of those.
  await visit.chooseMenuItem(4);
  await expectStep(5, 5, "--no-stencil");
  await visit.type("[[[[[[");
  await expectStep(1, 5, "--no-stencil");
  // 'b' shows the whole frame, and the caption goes.
  await visit.type("b");
  await visit.expectFrameLike(snapshot("--tint", REST_TINT, "--no-stencil"), "'b' after stepping");
  assert.equal(await caption(), "");
  assert.equal(await shown("step-state"), "");
  await visit.close();
});

// ---- Every row's state ----------------------------------------------------------------

// Walks the shadow view's frame as the page's state stands, row by row (the test entries
// draw a range of rows), and after each row reads WebGL's state back: getParameter, and
// getUniform for what the shader keeps (lighting, the colour, which lights and whether the
// ambient light). Compares it with the row's own numbers from the pass's table, not with
// what the renderer set. Returns the rows walked and every field that differed.
function walkRows(page) {
  return page.evaluate(() => {
    const gl = Module.ctx;
    // The program that draws a row, and its uniform's value; a program without uniforms for
    // which lights is the one for light 1 alone.
    const uniform = (name) => {
      const program = gl.getParameter(gl.CURRENT_PROGRAM);
      return gl.getUniform(program, gl.getUniformLocation(program, name));
    };
    const lights = () => gl.getUniformLocation(gl.getParameter(gl.CURRENT_PROGRAM), "lights")
      ? uniform("lights") & ((1 << uniform("lightsUpTo")) - 1) : 1;
    const names = ["stencil test", "stencil function", "stencil reference", "stencil value mask",
                   "stencil fail", "stencil depth fail", "stencil depth pass", "stencil write mask",
                   "colour writes", "depth test", "depth function", "depth writes", "lighting",
                   "blending", "blend source", "blend destination", "red", "green", "blue", "alpha",
                   "lights", "ambient light"];
    const differing = [];
    const count = Module._testDrawShadowViewRows(1, 0);
    for (let row = 1; row <= count; ++row) {
      Module._testDrawShadowViewRows(row, row);
      const at = Module._testShadowViewRow(row - 1) / 8;
      const expected = Array.from(Module.HEAPF64.subarray(at, at + names.length));
      const mask = gl.getParameter(gl.COLOR_WRITEMASK);
      const actual = [
        gl.isEnabled(gl.STENCIL_TEST), gl.getParameter(gl.STENCIL_FUNC),
        gl.getParameter(gl.STENCIL_REF), gl.getParameter(gl.STENCIL_VALUE_MASK) & 0xFF,
        gl.getParameter(gl.STENCIL_FAIL), gl.getParameter(gl.STENCIL_PASS_DEPTH_FAIL),
        gl.getParameter(gl.STENCIL_PASS_DEPTH_PASS), gl.getParameter(gl.STENCIL_WRITEMASK) & 0xFF,
        mask.every((channel) => channel) ? 1 : (mask.some((channel) => channel) ? 0.5 : 0),
        gl.isEnabled(gl.DEPTH_TEST), gl.getParameter(gl.DEPTH_FUNC),
        gl.getParameter(gl.DEPTH_WRITEMASK), uniform("lighting"),
        gl.isEnabled(gl.BLEND), gl.getParameter(gl.BLEND_SRC_RGB), gl.getParameter(gl.BLEND_DST_RGB),
        ...uniform("colour"), lights(), uniform("ambient") !== 0,
      ].map(Number);
      actual.forEach((value, field) => {
        if (value !== expected[field]) {
          differing.push(`row ${row}: ${names[field]} ${value}, the table's ${expected[field]}`);
        }
      });
    }
    return { count, differing };
  });
}

test("after each row of a frame, WebGL holds exactly that row's state", async () => {
  const visit = await Visit.open();
  await visit.waitForTintToRest();
  // Each switch stays as the one before left it.
  const modes = [
    ["opaque", async () => {}],
    ["translucent", (v) => v.chooseMenuItem(3)],
    ["translucent, without the stencil", (v) => v.chooseMenuItem(4)],
    ["without the stencil, stepping, at step 2", async (v) => {
      await v.chooseMenuItem(5);
      await v.type("]");
    }],
    ["stepping at step 5", async (v) => {
      await v.chooseMenuItem(4);
      await v.type("]]]");
    }],
    ["two lights, the second the sun", async (v) => {
      await v.chooseMenuItem(5);
      await v.type("lu");
    }],
    // The hard frame has 23 rows; from 8 points of both lights, the first step's and each
    // batch's after the first 32, the frame has about 90, from all 32 about 300, every
    // one of them with the same kinds of rows.
    ["two lights, soft shadows, refining", async (v) => {
      await v.chooseMenuItem(6);
      await v.waitFor(() => Module._testDrawShadowViewRows(1, 0) > 60, 30);
    }],
    ["the stencil view of the soft counts", (v) => v.type("v")],
  ];
  for (const [name, act] of modes) {
    await act(visit);
    const { count, differing } = await walkRows(visit.page);
    console.log(`${name}: ${count} rows, ${differing.length} fields differ`);
    assert.ok(count > 1, name);
    assert.deepEqual(differing, [], name);
  }
  await visit.close();
});

// ---- The stencil view -------------------------------------------------------------------

// The snapshot tool's history of a pixel, as the page shows it.
function history(...options) {
  return execFileSync(SNAPSHOT_EXE, [...options, "--tint", REST_TINT], { encoding: "utf8" }).trim();
}

// The same words and stencil values; colours within a few levels, where SwiftShader and
// llvmpipe round lighting differently.
function assertSameHistory(shown, expected) {
  const colours = (text) => [...text.matchAll(/#(\w\w)(\w\w)(\w\w)/g)]
    .flatMap((m) => m.slice(1).map((channel) => parseInt(channel, 16)));
  assert.equal(shown.replace(/#\w{6}/g, "#"), expected.replace(/#\w{6}/g, "#"));
  const [a, b] = [colours(shown), colours(expected)];
  assert.ok(a.every((channel, i) => Math.abs(channel - b[i]) <= 3), `${shown}\n!=\n${expected}`);
}

async function buttonLabels(page) {
  return page.evaluate(() => [...document.querySelectorAll("#buttons button")]
    .filter((button) => !button.hidden).map((button) => button.textContent));
}

// The middle of the shown button with this label.
async function buttonCentre(page, label) {
  const centre = await page.evaluate((text) => {
    const found = [...document.querySelectorAll("#buttons button")]
      .find((button) => !button.hidden && button.textContent === text);
    const box = found?.getBoundingClientRect();
    return box && [box.left + box.width / 2, box.top + box.height / 2];
  }, label);
  assert.ok(centre, `no button "${label}"`);
  return centre;
}

async function pressButton(visit, label) {
  await visit.page.mouse.click(...await buttonCentre(visit.page, label));
}

test("the stencil view, a pixel's history under the pointer, and the buttons that come with the modes", async () => {
  // Tall enough for every button under the legend and the caption.
  const visit = await Visit.open("", { height: 1600 });
  const { page } = visit;
  await visit.waitForTintToRest();
  const shot = (...options) => snapshot("--tint", REST_TINT, "--show-stencil", ...options);
  const shown = (id) => page.evaluate((element) => {
    const e = document.getElementById(element);
    return e.hidden ? "" : e.textContent;
  }, id);

  await pressButton(visit, "Stencil view, v (now off)");
  await visit.expectFrameLike(shot(), "the stencil view");
  assert.match(await shown("legend"), /^0: unmarked.*1: marked.*2k: soft shadows/);

  // A shadowed floor pixel, then one the flattened cone reaches past the floor's edge.
  for (const [x, y] of [[396, 471], [30, 440]]) {
    await visit.movePointer(x, y);
    const until = Date.now() + 10000;
    while (!(await shown("history")).startsWith(`Pixel ${x}, ${y} `) && Date.now() < until) {
      await new Promise((resolve) => setTimeout(resolve, 50));
    }
    assertSameHistory((await shown("history")).trim(), history("--pixel", `${x},${y}`));
  }

  // While stepping, the next and previous steps; with soft shadows, a larger and a smaller
  // light: each does what its key does.
  await pressButton(visit, "Step by step, [ and ] (now off)");
  await pressButton(visit, "Next step (])");
  await visit.expectFrameLike(shot("--step", "2"), "the next step's button");
  assert.match(await shown("caption"), /^Step 2 of 7/);
  await pressButton(visit, "Next step (])");
  await pressButton(visit, "Previous step ([)");
  await visit.expectFrameLike(shot("--step", "2"), "the previous step's button");
  await pressButton(visit, "Whole frame (now step by step)");
  assert.ok(!(await buttonLabels(page)).includes("Next step (])"));
  await pressButton(visit, "Soft shadows (now hard)");
  for (const label of ["Larger light (+)", "Larger light (+)", "Larger light (+)", "Smaller light (-)"]) {
    await pressButton(visit, label);
  }
  // The counts in colour tell a light of 10 from one of 7.5 or 12.5, where the frame cannot.
  await visit.expectFrameLike(shot("--soft", "--light-radius", "10"), "the light-size buttons");
  await pressButton(visit, "The frame, v (now the stencil view)");
  assert.equal(await shown("legend"), "");
  assert.equal(await shown("history"), "");
  await visit.close();
});

test("a phone: the stencil view's switch, and a finger that points at a pixel instead of moving the light", async () => {
  const visit = await Visit.open("", { width: 390, height: 1600, scale: 3, touch: true });
  const { page } = visit;
  await visit.waitForTintToRest();
  const side = await page.evaluate(() => canvas.width);
  const tap = async (label) => page.touchscreen.tap(...await buttonCentre(page, label));
  await tap("Stencil view, v (now off)");
  await tap("Finger points at a pixel (now moves the light)");
  const finger = await visit.touch(300, 350);
  await finger.end();
  const [x, y] = [300, 350].map((css) => Math.floor((css * side) / visit.box.width));
  await visit.waitFor(() => !document.getElementById("history").hidden, 10);
  assertSameHistory(await page.evaluate(() => document.getElementById("history").textContent.trim()),
                    history("--size", `${side}x${side}`, "--pixel", `${x},${y}`));
  await visit.expectFrameLike(snapshot("--tint", REST_TINT, "--size", `${side}x${side}`, "--show-stencil"),
                              "the light where it was");
  await visit.close();
});

// ---- Controls -------------------------------------------------------------------------

test("every control works with real input, and Esc ends the program", async () => {
  const visit = await Visit.open("?ss");
  const { page } = visit;
  await visit.waitForTintToRest();
  // "?ss" is the desktop's first argument "ss": one line on the console for each 's'.
  assert.deepEqual(visit.console.filter((line) => line.includes("Buffered")),
                   ["Single Buffered", "Single Buffered"]);

  // Once the tint rests, nothing runs until the visitor does something.
  const callbacks = await page.evaluate(async () => {
    let count = 0;
    const request = window.requestAnimationFrame;
    const timeout = window.setTimeout;
    window.requestAnimationFrame = (callback) => ++count && request(callback);
    window.setTimeout = (callback, delay) => ++count && timeout(callback, delay);
    await new Promise((resolve) => timeout(resolve, 1000));
    window.requestAnimationFrame = request;
    window.setTimeout = timeout;
    return count;
  });
  assert.equal(callbacks, 0, "animation frames or timers while nobody touches the page");

  // Keys reach the program before anything was clicked.
  const shot = (...options) => snapshot("--tint", REST_TINT, ...options);
  await visit.type("tt");
  await visit.expectFrameLike(shot("--teapot-offset", "30"), "'tt' before a click");

  // Shift + left button and the middle button move the light in depth only; a drag that
  // leaves the canvas keeps going, as with the desktop's pointer grab.
  await page.keyboard.down("Shift");
  await visit.press(40, 128);
  await visit.release();
  await page.keyboard.up("Shift");
  let light = `50,50,${lightDepth(128)}`;
  await visit.expectFrameLike(shot("--teapot-offset", "30", "--light", light), "Shift + left");
  await visit.press(300, 300, "middle");
  await visit.movePointer(300, -20);
  await visit.release("middle");
  light = `50,50,${lightDepth(-20)}`;
  await visit.expectFrameLike(shot("--teapot-offset", "30", "--light", light), "middle drag");
  await visit.press(400, 200);
  await visit.movePointer(450, 560);
  await visit.movePointer(500, 600);
  await visit.release();
  light = `${lightAcross(500, 600)},${lightDepth(-20)}`;
  await visit.expectFrameLike(shot("--teapot-offset", "30", "--light", light),
                              "left drag out of the canvas");

  // The right button opens the desktop's menu at the pointer, instead of the browser's.
  const browsersMenu = page.evaluate(() => new Promise((resolve) => {
    window.addEventListener("contextmenu", (event) => resolve(!event.defaultPrevented), { once: true });
  }));
  await visit.press(100, 150, "right");
  await visit.release("right");
  assert.equal(await browsersMenu, false, "the browser's own context menu would open");
  const menu = await page.evaluate(() => {
    const element = document.getElementById("menu");
    return {
      hidden: element.hidden,
      items: [...element.querySelectorAll("button")].map((button) => button.textContent),
      corner: [element.getBoundingClientRect().left, element.getBoundingClientRect().top],
    };
  });
  assert.equal(menu.hidden, false);
  assert.deepEqual(menu.items, ["Move teapot right (t)", "Move teapot left (T)", "Quit (Esc)",
                                "Translucent shadows (now opaque)",
                                "Shadows without the stencil (now with)",
                                "Step by step, [ and ] (now off)",
                                "Soft shadows (now hard)",
                                "Add a light, l (now 1 of 4)",
                                "Remove the last light, L",
                                "Next light, 1 to 4 (now 1)",
                                "Light 1 as the sun, u (now a point light)",
                                "Stencil view, v (now off)",
                                "Back wall takes shadows (now not)",
                                "Right wall takes shadows (now not)",
                                "Ceiling takes shadows (now not)",
                                "Add a board, k",
                                "Next variant of the pass (now none)",
                                "Full screen (f)",
                                "Record the light's path, or stop (up to 20 s)",
                                "Save picture (PNG)",
                                "Save animation of the path (GIF)"]);
  assert.deepEqual(menu.corner, [visit.box.x + 100, visit.box.y + 150]);
  await visit.click("#menu li:nth-child(2) button");
  await visit.expectFrameLike(shot("--teapot-offset", "15", "--light", light), "menu: teapot left");
  assert.equal(await page.evaluate(() => document.getElementById("menu").hidden), true);

  // Esc ends the program: the last frame stays, and nothing reaches the program any more.
  const last = await visit.frame();
  await visit.type(["Escape"]);
  await visit.waitFor(() => document.getElementById("status").textContent.includes("ended"));
  assert.match(await page.evaluate(() => document.getElementById("status").textContent),
               /Reload the page/);
  await visit.type("tT");
  await visit.press(10, 10);
  await visit.movePointer(300, 400);
  await visit.release();
  await new Promise((resolve) => setTimeout(resolve, 300));
  assert.ok((await visit.frame()).data.equals(last.data), "the program still answered after Esc");
  await visit.close();
});

// ---- Every visitor --------------------------------------------------------------------

test("a phone: the page fits, one finger moves the light, two move it in depth, and a long press opens the menu", async () => {
  const visit = await Visit.open("", { width: 390, height: 844, scale: 3, touch: true });
  const { page } = visit;
  await visit.waitForTintToRest();
  const { scrollWidth, side } = await page.evaluate(() => ({
    scrollWidth: document.documentElement.scrollWidth, side: canvas.width }));
  assert.ok(scrollWidth <= 390, `the page is ${scrollWidth} px wide`);
  assert.equal(side, Math.round(visit.box.width * 3));
  // Canvas CSS pixels from the top left, as drawing buffer pixels.
  const pixel = (css) => Math.floor((css * side) / visit.box.width);
  const shot = (light) => snapshot("--tint", REST_TINT, "--size", `${side}x${side}`, "--light", light);

  const finger = await visit.touch(200, 200);
  await finger.move(150, 120);
  await finger.move(90, 60);
  await finger.end();
  const across = lightAcross(pixel(90), pixel(60), side);
  await visit.expectFrameLike(shot(`${across},-320`), "one finger");

  // The first finger down is a press of the left button; the second makes it the middle
  // one, at the fingers' midpoint.
  const fingers = [await visit.touch(100, 300), await visit.touch(200, 340)];
  await fingers[0].move(100, 200);
  await fingers[1].move(200, 240);
  await fingers[0].move(100, 100);
  await fingers[1].move(200, 140);
  await fingers[0].end();
  await fingers[1].end();
  const depth = -320 - ((side - pixel(120)) * 200) / side;
  await visit.expectFrameLike(shot(`${lightAcross(pixel(100), pixel(300), side)},${depth}`),
                              "two fingers");
  assert.deepEqual(await page.evaluate(() => [scrollX, scrollY]), [0, 0], "the page scrolled");

  const held = await visit.touch(300, 300);
  await visit.waitFor(() => !document.getElementById("menu").hidden);
  await held.end();
  const corner = await page.evaluate(() => {
    const menu = document.getElementById("menu").getBoundingClientRect();
    return [menu.left, menu.right <= innerWidth, menu.bottom <= innerHeight];
  });
  // Near the right edge, the menu opens to the finger's left to stay in the window.
  assert.ok(corner[0] < visit.box.x + 300 && corner[1] && corner[2], `menu at ${corner}`);
  await visit.close();
});

// Where the engine cannot emulate a phone's browser, the phone above is its desktop browser
// at a phone's size, density and touch.
if (!EMULATES_MOBILE) {
  test("a phone's browser, as DevTools' mobile emulation makes one", {
    skip: "WebDriver BiDi has no mobile emulation (the viewport meta tag, overlay scrollbars); " +
          "the phone test ran at a phone's size, density and touch",
  });
}

test("at 2 device pixels per CSS pixel the drawing buffer has them all", async () => {
  const visit = await Visit.open("", { scale: 2 });
  await visit.waitForTintToRest();
  assert.deepEqual(await visit.page.evaluate(() => [canvas.width, canvas.height]), [1024, 1024]);
  await visit.press(128, 96);
  await visit.release();
  await visit.expectFrameLike(snapshot("--tint", REST_TINT, "--size", "1024x1024", "--light",
                                       `${lightAcross(256, 192, 1024)},-320`), "pressed at 2×");
  await visit.close();
});

// The boxes of the canvas and of these elements (found by id, "#caption", or by a button's
// label), in CSS pixels, with the window's size.
function boxes(page, labels) {
  return page.evaluate((wanted) => {
    const place = (element) => {
      const box = element?.getBoundingClientRect();
      return box && { left: box.left, top: box.top, right: box.right, bottom: box.bottom };
    };
    const buttons = [...document.querySelectorAll("#buttons button")];
    const found = Object.fromEntries(wanted.map((name) => [name, place(
      name.startsWith("#") ? document.querySelector(name)
                           : buttons.find((button) => button.textContent === name))]));
    return { ...found, canvas: place(document.getElementById("canvas")), innerWidth, innerHeight };
  }, labels);
}

function assertInside(box, window, what) {
  assert.ok(box && box.left >= 0 && box.top >= 0 && box.right <= window.innerWidth &&
            box.bottom <= window.innerHeight, `${what} at ${JSON.stringify(box)} is not inside ` +
            `the ${window.innerWidth} × ${window.innerHeight} window`);
}

// The picture as large as the window allows, wholly on the first screen: beside the controls
// on a wide window, above them on a phone, where while stepping the caption and the step
// buttons are on the first screen too.
test("the picture fills the window, beside the controls or above them", async () => {
  for (const { width, height, scale = 1, touch = false, least } of [
    { width: 390, height: 844, scale: 3, touch: true, least: 350 },
    { width: 1280, height: 900, least: 700 },
    { width: 1920, height: 1080, least: 900 },
  ]) {
    const visit = await Visit.open("#step=1", { width, height, scale, touch });
    await visit.waitFor(() => !document.getElementById("buttons").hidden, 30);
    const steps = ["#caption", "Next step (])", "Previous step ([)"];
    const layout = await boxes(visit.page, ["#buttons", ...steps]);
    const side = layout.canvas.right - layout.canvas.left;
    console.log(`${width} × ${height}: the picture is ${side} × ${layout.canvas.bottom - layout.canvas.top}`);
    assert.ok(side >= least, `the picture is ${side} pixels wide at ${width} × ${height}`);
    assertInside(layout.canvas, layout, "the picture");
    if (touch) {
      steps.forEach((what) => assertInside(layout[what], layout, what));
      assert.ok(layout["#buttons"].top >= layout.canvas.bottom, "the buttons are not under the picture");
    } else {
      assert.ok(layout["#buttons"].left >= layout.canvas.right, "the buttons are not beside the picture");
    }
    await visit.close();
  }
});

// f fills the screen with the picture and, while stepping, its caption; Esc only leaves full
// screen, as a browser's own Esc does, and the program goes on.
test("full screen shows the picture and the caption alone, and Esc leaves it", async () => {
  const visit = await Visit.open("#step=1");
  const { page } = visit;
  await visit.waitForTintToRest();
  await page.evaluate(() => document.getElementById("canvas").focus());
  await visit.type("f");
  await visit.waitFor(() => document.fullscreenElement !== null &&
                            document.getElementById("canvas").width > 512);
  const shown = await page.evaluate(() => [...document.querySelectorAll("body *")]
    .filter((element) => element.getClientRects().length > 0)
    .map((element) => element.id || element.tagName));
  assert.deepEqual(shown, ["app", "stage", "frame", "canvas", "side", "caption"]);
  const layout = await boxes(page, ["#caption"]);
  console.log(`full screen: ${layout.innerWidth} × ${layout.innerHeight}, the picture ` +
              `${layout.canvas.right - layout.canvas.left} wide`);
  assertInside(layout.canvas, layout, "the picture");
  assertInside(layout["#caption"], layout, "the caption");
  assert.ok(layout.canvas.bottom - layout.canvas.top >= layout.innerHeight - layout["#caption"].bottom +
            layout["#caption"].top - 1 || layout.canvas.right - layout.canvas.left === layout.innerWidth,
            "the picture does not fill the screen");

  await visit.type(["Escape"]);
  await visit.waitFor(() => document.fullscreenElement === null &&
                            document.getElementById("canvas").width === 512);
  await visit.type("]");
  await visit.waitFor(() => document.getElementById("caption").textContent.startsWith("Step 2"));
  assert.doesNotMatch(await page.evaluate(() => document.getElementById("status").textContent),
                      /ended/);
  await visit.close();
});

test("the keyboard alone reaches the canvas, the menu and the buttons", async () => {
  const visit = await Visit.open();
  const { page } = visit;
  await visit.waitForTintToRest();
  const focused = () => page.evaluate(() => document.activeElement.id || document.activeElement.textContent);

  await visit.type(["Tab"]);
  assert.equal(await focused(), "canvas");
  // A twentieth of the room across, and towards the back wall.
  await visit.type(["ArrowRight", "PageUp"]);

  // Esc in the menu closes it, gives the focus back, and leaves the program running.
  await visit.typeWithShift("F10");
  assert.equal(await focused(), "Move teapot right (t)");
  await visit.type(["ArrowDown", "Escape"]);
  assert.equal(await page.evaluate(() => document.getElementById("menu").hidden), true);
  assert.equal(await focused(), "canvas");
  await visit.typeWithShift("F10");
  await visit.type(["ArrowDown", "ArrowDown", "ArrowDown", "Enter"]);
  assert.equal(await focused(), "canvas");

  // The first button, the stepping group's; a key typed there does not reach the program.
  await visit.type(["Tab"]);
  assert.equal(await focused(), "Step by step, [ and ] (now off)");
  await visit.type("t");
  // Back on the canvas: "T" without Shift, as with Caps Lock on, moves the teapot left.
  await visit.typeWithShift("Tab");
  assert.equal(await focused(), "canvas");
  await visit.type("T");
  await visit.expectFrameLike(snapshot("--tint", REST_TINT, "--translucent", "--teapot-offset", "-15",
                                       "--light", "60,50,-330"), "keyboard alone");
  assert.doesNotMatch(await page.evaluate(() => document.getElementById("status").textContent), /ended/);
  await visit.close();
});

test("the context menu key opens the menu at the picture's centre", {
  skip: ENGINE === "firefox" && "WebDriver has no key for ContextMenu (Shift+F10 is tested)",
}, async () => {
  // Wide enough for the menu to open right of the picture's centre, and tall enough for
  // the whole menu below it.
  const visit = await Visit.open("", { width: 800, height: 1200 });
  const { page } = visit;
  await visit.waitForTintToRest();
  const side = await page.evaluate(() => canvas.width);
  await visit.type(["Tab", "ContextMenu"]);
  const menu = await page.evaluate(() => {
    const box = document.getElementById("menu").getBoundingClientRect();
    return [box.left, box.top, document.activeElement.textContent];
  });
  assert.deepEqual(menu, [visit.box.x + visit.box.width / 2, visit.box.y + visit.box.height / 2,
                          "Move teapot right (t)"]);
  await visit.type(["ArrowDown", "ArrowDown", "ArrowDown", "Enter"]);
  assert.equal(await page.evaluate(() => document.activeElement.id), "canvas");
  await visit.expectFrameLike(snapshot("--tint", REST_TINT, "--translucent", "--size", `${side}x${side}`),
                              "context menu key");
  await visit.close();
});

test("a lost context, given back, draws the same frame again", async () => {
  const visit = await Visit.open();
  const { page } = visit;
  await visit.waitForTintToRest();
  await visit.type(["t", "ArrowUp"]);
  const expected = snapshot("--tint", REST_TINT, "--teapot-offset", "15", "--light", "50,60,-320");
  await visit.expectFrameLike(expected, "before the loss");
  const before = await visit.frame();

  await page.evaluate(() => {
    window.contextControl = canvas.getContext("webgl2").getExtension("WEBGL_lose_context");
    window.contextControl.loseContext();
  });
  await visit.waitFor(() => document.getElementById("status").textContent.includes("restored"));
  await page.evaluate(() => window.contextControl.restoreContext());
  await visit.waitFor(() => document.getElementById("status").textContent === "");
  await visit.expectFrameLike(expected, "after the context came back");
  assert.ok((await visit.frame()).data.equals(before.data), "not the very frame of before");
  await visit.close();
});

// ---- Saving what the page shows ------------------------------------------------------

// -40,80,-450, then 0,60,-400, then 40,80,-450 (state/light_path.h's form).
const SAVED_PATH = "_nBgwC_hOgoB_TgyBgoBgU_xB";

// A GIF's frames as its blocks give them: how many, each one's delay in hundredths of a
// second, and whether the Netscape extension makes it loop.
function gifFrames(bytes) {
  const table = (packed) => (packed & 0x80 ? 3 * 2 ** ((packed & 7) + 1) : 0);
  let at = 13 + table(bytes[10]);
  const skipSubBlocks = () => {
    while (bytes[at] !== 0) {
      at += bytes[at] + 1;
    }
    at += 1;
  };
  const gif = { frames: 0, delays: [], loops: false };
  while (bytes[at] !== 0x3b) {
    if (bytes[at] === 0x21) {
      if (bytes[at + 1] === 0xf9) {
        gif.delays.push(bytes.readUInt16LE(at + 4));
      }
      gif.loops ||= bytes.toString("latin1", at + 3, at + 14) === "NETSCAPE2.0";
      at += 2;
    } else {
      assert.equal(bytes[at], 0x2c, `a GIF block at byte ${at}`);
      gif.frames += 1;
      at += 11 + table(bytes[at + 9]);
    }
    skipSubBlocks();
  }
  return gif;
}

test("Save picture downloads the frame as drawn, and Save animation a looping GIF of the path's frames", async () => {
  const link = `light=-40,80,-450&step=3&path=${SAVED_PATH}`;
  const visit = await Visit.open(`#${link}`);
  const { page } = visit;
  await visit.waitForTintToRest();
  // The page keeps what it offers instead of the browser saving it: each download link's
  // click is cancelled, and its file read.
  await page.evaluate(() => {
    window.saved = [];
    document.addEventListener("click", async (event) => {
      const { download, href } = event.target;
      if (!download) {
        return;
      }
      event.preventDefault();
      const blob = await (await fetch(href)).blob();
      const reader = new FileReader();
      reader.onload = () => window.saved.push({ name: download, bytes: reader.result.split(",")[1] });
      reader.readAsDataURL(blob);
    }, true);
  });
  // WebGL keeps the frame only until the browser shows it: the button is clicked and the
  // drawing buffer read in one task.
  const drawn = await page.evaluate(() => {
    [...document.querySelectorAll("#buttons button")]
      .find((button) => button.textContent.startsWith("Save picture")).click();
    const gl = Module.ctx;
    const { drawingBufferWidth: width, drawingBufferHeight: height } = gl;
    const rows = new Uint8Array(4 * width * height);
    gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, rows);
    const topDown = [];
    for (let y = height - 1; y >= 0; --y) {
      topDown.push(...rows.subarray(4 * width * y, 4 * width * (y + 1)));
    }
    return { width, height, topDown };
  });
  await visit.waitFor(() => window.saved.length === 1);
  const [picture] = await page.evaluate(() => window.saved);
  assert.equal(picture.name, "planar-shadows-step-3.png");
  const png = readPng(Buffer.from(picture.bytes, "base64"));
  assert.deepEqual([png.width, png.height], [drawn.width, drawn.height]);
  assert.ok(png.data.equals(Buffer.from(drawn.topDown)), "the PNG is the frame as drawn");
  assert.equal(mismatch(png, snapshot("--state", link)), "");

  // Each frame is the snapshot tool's picture of its position, and the page keeps showing
  // the link's own picture.
  const second = await page.evaluate(() => {
    const at = Module._pagePathPicture(1);
    const rgb = Module.HEAPU8.subarray(at, at + 3 * 512 * 512);
    const data = [];
    rgb.forEach((value, i) => data.push(...(i % 3 === 2 ? [value, 255] : [value])));
    return data;
  });
  const secondFrame = { width: SIZE, height: SIZE, data: Buffer.from(second) };
  assert.equal(mismatch(secondFrame, snapshot("--state", "light=0,60,-400&step=3")), "");
  await visit.expectFrameLike(snapshot("--state", link), "the picture while the animation is saved");

  // Below the fold on this page's buttons.
  await page.evaluate(() => [...document.querySelectorAll("#buttons button")]
    .find((button) => button.textContent.startsWith("Save animation")).scrollIntoView());
  await pressButton(visit, "Save animation of the path (GIF)");
  await visit.waitFor(() => window.saved.length === 2, 30);
  const animation = (await page.evaluate(() => window.saved))[1];
  assert.equal(animation.name, "planar-shadows-step-3.gif");
  assert.deepEqual(gifFrames(Buffer.from(animation.bytes, "base64")),
                   { frames: 3, delays: [10, 10, 10], loops: true });
  // The browser's own decoder gives the first frame: the first position's picture, within
  // the rounding of its 256 colours.
  const first = await page.evaluate(async (bytes) => {
    const bitmap = await createImageBitmap(await (await fetch(`data:image/gif;base64,${bytes}`)).blob());
    const context = new OffscreenCanvas(bitmap.width, bitmap.height).getContext("2d");
    context.drawImage(bitmap, 0, 0);
    return Array.from(context.getImageData(0, 0, bitmap.width, bitmap.height).data);
  }, animation.bytes);
  const firstFrame = { width: SIZE, height: SIZE, data: Buffer.from(first) };
  assert.equal(mismatch(firstFrame, snapshot("--state", "light=-40,80,-450&step=3")), "");
  await visit.close();
});

// ---- Links that hold the picture ----------------------------------------------------

const hash = () => location.hash;
const statusText = () => document.getElementById("status").textContent;

test("the address follows real input, and a reload or the snapshot tool draws its picture again", async () => {
  const visit = await Visit.open();
  const { page } = visit;
  await visit.waitForTintToRest();
  const entries = await page.evaluate(() => history.length);
  await visit.press(300, 200);
  await visit.movePointer(320, 180);
  await visit.release();
  await visit.type("l");
  await visit.chooseMenuItem(3);
  await visit.chooseMenuItem(5);
  await page.evaluate(() => document.getElementById("canvas").focus());
  await visit.type("]");
  // The drag's light, then a second light, translucent shadows, and step 2.
  const [x, y] = lightAcross(320, 180);
  const expected = `#light=${x},${y},-320&light=-30,80,-340&translucent&step=2`;
  await visit.waitFor(`location.hash === ${JSON.stringify(expected)}`, 10);
  assert.equal(await page.evaluate(() => history.length), entries);
  const before = await visit.expectFrameLike(snapshot("--state", expected), "the address's state");

  await page.reload();
  await visit.waitForTintToRest();
  const until = Date.now() + 10000;
  let after = await visit.frame();
  while (Buffer.compare(after.data, before.data) !== 0 && Date.now() < until) {
    await new Promise((resolve) => setTimeout(resolve, 100));
    after = await visit.frame();
  }
  assert.ok(Buffer.compare(after.data, before.data) === 0, "the reloaded frame is the same, byte for byte");
  assert.equal(await page.evaluate(hash), expected);
  assert.equal(await page.evaluate(statusText), "");
  await visit.close();
});

test("what the address cannot give is left out and said, and an edited address applies", async () => {
  const visit = await Visit.open("#step=99&light=a,b,c&frobnicate&teapot-offset=-15&translucent");
  const { page } = visit;
  await visit.waitForTintToRest();
  await visit.expectFrameLike(snapshot("--state", "teapot-offset=-15&translucent"), "what could be read");
  assert.equal(await page.evaluate(statusText), "Left out of the address, which this page could " +
               "not read: 'light=a,b,c': not X,Y,Z or X,Y,Z,W, each coordinate from -1e6 to 1e6 " +
               "and W 0 or 1; 'frobnicate': no such setting; 'step=99': the steps go from 1 to 7.");
  await visit.waitFor(() => location.hash === "#teapot-offset=-15&translucent");

  await page.evaluate(() => { location.hash = "#light=-40,80,-450&step=3"; });
  await visit.expectFrameLike(snapshot("--state", "light=-40,80,-450&step=3"), "an edited address");
  assert.equal(await page.evaluate(() => document.getElementById("caption").hidden), false);

  await page.evaluate(() => { location.hash = `#${"light=1,2,3&".repeat(1000)}`; });
  await visit.waitFor(() => document.getElementById("status").textContent.includes("characters long"));
  await visit.expectFrameLike(snapshot("--state", ""), "an address far too long");
  await visit.close();
});

test("embedded, the page shows the picture and its buttons in the frame, and copies a link without 'embed'", async () => {
  const visit = await Visit.open("#embed&show-stencil", { width: 640, height: 800 });
  const { page } = visit;
  await visit.waitForTintToRest();
  const layout = await page.evaluate(() => {
    const shown = (selector) => getComputedStyle(document.querySelector(selector)).display !== "none";
    const canvas = document.getElementById("canvas").getBoundingClientRect();
    const lastButton = [...document.querySelectorAll("#buttons button")].pop().getBoundingClientRect();
    return { text: ["h1", "#intro", "#controls", "#about"].filter(shown),
             canvas: [canvas.width, canvas.height], bottom: lastButton.bottom,
             scrolls: document.documentElement.scrollHeight > innerHeight };
  });
  assert.deepEqual(layout.text, []);
  assert.equal(layout.canvas[0], layout.canvas[1]);
  assert.ok(layout.canvas[0] > 300, `the picture is ${layout.canvas[0]} pixels wide`);
  assert.ok(layout.bottom <= 800 && !layout.scrolls, "the buttons are inside the frame");
  await visit.findCanvas();
  const side = await page.evaluate(() => document.getElementById("canvas").width);
  await visit.expectFrameLike(snapshot("--state", "show-stencil", "--size", `${side}x${side}`),
                              "embedded");

  // Where the browser refuses the clipboard, the link waits selected in a field.
  const link = `${address}#show-stencil`;
  await page.evaluate(() => {
    navigator.clipboard.writeText = (text) => { window.copied = text; return Promise.resolve(); };
  });
  await pressButton(visit, "Copy link");
  await visit.waitFor(() => window.copied !== undefined);
  assert.equal(await page.evaluate(() => window.copied), link);
  assert.match(await page.evaluate(statusText), /link is copied/);
  await page.evaluate(() => {
    navigator.clipboard.writeText = () => Promise.reject(new Error("refused"));
  });
  await pressButton(visit, "Copy link");
  await visit.waitFor(() => !document.getElementById("link").hidden);
  assert.deepEqual(await page.evaluate(() => {
    const field = document.getElementById("link");
    return [field.value, field.selectionStart, field.selectionEnd, document.activeElement === field];
  }), [link, 0, link.length, true]);
  await visit.close();
});

test("failures are said on the page, without an uncaught error", async (t) => {
  const status = () => document.getElementById("status").textContent;

  await t.test("a browser without WebGL 2", async () => {
    const visit = await Visit.start();
    await visit.page.evaluateOnNewDocument(() => {
      const getContext = HTMLCanvasElement.prototype.getContext;
      HTMLCanvasElement.prototype.getContext = function (type, ...rest) {
        return type === "webgl2" ? null : getContext.call(this, type, ...rest);
      };
    });
    await visit.goto(address);
    await visit.waitFor(() => document.getElementById("status").textContent.includes("WebGL 2"));
    await visit.close();
  });

  await t.test("a folder without the WebAssembly", async () => {
    const folder = path.join(scratch, "without-wasm");
    fs.mkdirSync(folder);
    for (const name of fs.readdirSync(WEB_DIR).filter((file) => file !== "planar-shadows.wasm")) {
      fs.copyFileSync(path.join(WEB_DIR, name), path.join(folder, name));
    }
    const partial = await serveFolder(folder);
    try {
      const visit = await Visit.start();
      await visit.goto(partial.address);
      await visit.waitFor(() => document.getElementById("status").textContent.includes("could not be loaded"));
      // The browser tells the page and the driver about the response each on its own.
      const until = Date.now() + 10000;
      while (visit.failedRequests.length === 0 && Date.now() < until) {
        await new Promise((resolve) => setTimeout(resolve, 20));
      }
      assert.match(await visit.page.evaluate(status), /planar-shadows\.wasm .*404.*web server/);
      await visit.close([`404 ${partial.address}planar-shadows.wasm`]);
    } finally {
      partial.server.close();
    }
  });

  await t.test("the page opened from a file", async () => {
    const visit = await Visit.start();
    await visit.goto(`file://${path.resolve(WEB_DIR, "index.html")}`);
    assert.match(await visit.page.evaluate(status), /file:\/\/.*web server/);
    await visit.close();
  });

  // Only a query without "=" is the first argument; a malformed one is ignored too.
  for (const query of ["?utm_source=s", "?s%"]) {
    await t.test(`the address ${query}`, async () => {
      const visit = await Visit.open(query);
      await visit.waitForTintToRest();
      assert.deepEqual(visit.console.filter((line) => line.includes("Buffered")), []);
      await visit.close();
    });
  }
});

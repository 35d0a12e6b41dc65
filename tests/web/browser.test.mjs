// The web edition in Debian's headless Chromium, driven with real input: its frames must be
// the snapshot tool's pictures of the same states, and every control must work as on the
// desktop. Needs WEB_DIR (the built page), SNAPSHOT_EXE and an X display for the snapshot
// tool (the test command runs this under scripts/with-xvfb.sh).
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { after, before, test } from "node:test";

import { Chromium, readPng, serveFolder } from "./chromium.mjs";

const WEB_DIR = process.env.WEB_DIR;
const SNAPSHOT_EXE = process.env.SNAPSHOT_EXE;
const REST_TINT = "0.99997318";
const SIZE = 512;

// SwiftShader and llvmpipe round edges differently: at most 2 % of the pixels may differ
// by more than 40 levels in a channel.
const MOST_DIFFERENT_SHARE = 0.02;
const LEVELS = 40;

let server;
let address;
let browser;
let scratch;

before(async () => {
  scratch = fs.mkdtempSync(path.join(os.tmpdir(), "planar-shadows-web-"));
  ({ server, address } = await serveFolder(WEB_DIR));
  browser = await Chromium.launch(path.join(scratch, "profile"));
});

after(async () => {
  await browser?.close();
  server?.close();
  fs.rmSync(scratch, { recursive: true, force: true });
});

// ---- Pictures ------------------------------------------------------------------------

function snapshot(...options) {
  const file = path.join(scratch, "expected.png");
  execFileSync(SNAPSHOT_EXE, [...options, "-o", file]);
  const picture = readPng(fs.readFileSync(file));
  fs.rmSync(file);
  return picture;
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

function alike(a, b) {
  return differingPixels(a, b) <= MOST_DIFFERENT_SHARE * a.width * a.height;
}

// ---- The page -------------------------------------------------------------------------

class Visit {
  static async open(query = "") {
    const visit = new Visit();
    visit.page = await browser.newPage();
    await visit.page.goto(address + query);
    visit.box = await visit.page.evaluate(() => {
      const box = document.getElementById("canvas").getBoundingClientRect();
      return { x: box.left, y: box.top, width: box.width, height: box.height };
    });
    return visit;
  }

  async frame() {
    return readPng(await this.page.screenshot(this.box));
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

  async expectFrameLike(expected, what) {
    const frame = await this.waitForFrameLike(expected);
    const share = `${((100 * differingPixels(frame, expected)) / (SIZE * SIZE)).toFixed(3)} %`;
    console.log(`${what}: ${share} of the pixels differ by more than ${LEVELS} levels`);
    assert.ok(alike(frame, expected), `${what}: ${share} of the pixels differ`);
  }

  // Canvas pixels from the top left, as the program counts them.
  async movePointer(x, y) {
    this.pointer = [this.box.x + x, this.box.y + y];
    await this.page.mouse("mouseMoved", ...this.pointer);
  }

  async press(x, y, button = "left") {
    await this.movePointer(x, y);
    await this.page.mouse("mousePressed", ...this.pointer, button);
  }

  async release(button = "left") {
    await this.page.mouse("mouseReleased", ...this.pointer, button);
  }

  // A click on the middle of the page's element that matches this CSS selector.
  async click(selector) {
    const box = await this.page.evaluate((s) => {
      const element = document.querySelector(s).getBoundingClientRect();
      return [element.left + element.width / 2, element.top + element.height / 2];
    }, selector);
    await this.page.mouse("mouseMoved", ...box);
    await this.page.mouse("mousePressed", ...box, "left");
    await this.page.mouse("mouseReleased", ...box, "left");
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
    await new Promise((resolve) => setTimeout(resolve, 2000));
  }

  async close() {
    assert.deepEqual(this.page.errors, []);
    await this.page.close();
  }
}

// Where a press at canvas pixel (x, y) puts the light, as the desktop's 512 × 512 window.
function lightAcross(x, y) {
  return [((x - SIZE) * 200) / SIZE + 100, ((SIZE - y) * 200) / SIZE - 100];
}
function lightDepth(y) {
  return -320 - ((SIZE - y) * 200) / SIZE;
}

// ---- Frames ---------------------------------------------------------------------------

test("frames match the snapshot tool's pictures of the same states", async (t) => {
  const states = [
    { name: "start", act: (v) => v.page.type("b"), expected: [] },
    {
      name: "light moved",
      act: async (v) => {
        await v.press(128, 96);
        await v.release();
      },
      expected: ["--light", `${lightAcross(128, 96)},-320`],
    },
    { name: "teapot moved", act: (v) => v.page.type("t"), expected: ["--teapot-offset", "15"] },
    { name: "plain view", act: (v) => v.page.type("n"), expected: ["--view", "plain"] },
    { name: "translucent shadows", act: (v) => v.chooseMenuItem(3), expected: ["--translucent"] },
    { name: "shadows without the stencil", act: (v) => v.chooseMenuItem(4), expected: ["--no-stencil"] },
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
      await visit.expectFrameLike(snapshot("--tint", REST_TINT, ...state.expected), state.name);
      await visit.close();
    });
  }
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
  await visit.chooseMenuItem(5);
  // '=' is the unshifted '+': twice makes the light's radius 10.
  await page.type("==");
  await page.waitFor(() => window.pendingFrames === 0, 60);

  const soft = snapshot("--tint", REST_TINT, "--soft", "--light-radius", "10");
  const hard = snapshot("--tint", REST_TINT);
  const refined = await visit.waitForFrameLike(soft);
  const share = (frame) => differingPixels(frame, soft) / (SIZE * SIZE);
  console.log(`soft shadows: ${(100 * share(refined)).toFixed(3)} % of the pixels differ by ` +
              `more than ${LEVELS} levels; the hard frame: ${(100 * share(hard)).toFixed(3)} %`);
  assert.ok(alike(refined, soft));
  // At this radius the penumbrae are wide enough that the hard frame fails the budget.
  assert.ok(!alike(hard, soft), "the budget cannot tell the hard frame from the soft one");
  await visit.close();
});

// ---- Controls -------------------------------------------------------------------------

test("every control works with real input, and Esc ends the program", async () => {
  const visit = await Visit.open("?ss");
  const { page } = visit;
  await visit.waitForTintToRest();
  // "?ss" is the desktop's first argument "ss": one line on the console for each 's'.
  assert.deepEqual(page.console.filter((line) => line.includes("Buffered")),
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
  await page.type("tt");
  await visit.expectFrameLike(shot("--teapot-offset", "30"), "'tt' before a click");

  // Shift + left button and the middle button move the light in depth only; a drag that
  // leaves the canvas keeps going, as with the desktop's pointer grab.
  await page.key("keyDown", "Shift");
  await visit.press(40, 128);
  await visit.release();
  await page.key("keyUp", "Shift");
  let light = `50,50,${lightDepth(128)}`;
  await visit.expectFrameLike(shot("--teapot-offset", "30", "--light", light), "Shift + left");
  await visit.press(300, 300, "middle");
  await visit.movePointer(300, -20);
  await visit.release("middle");
  light = `50,50,${lightDepth(-20)}`;
  await visit.expectFrameLike(shot("--teapot-offset", "30", "--light", light), "middle drag");
  await visit.press(400, 200);
  await visit.movePointer(600, 250);
  await visit.movePointer(700, 300);
  await visit.release();
  light = `${lightAcross(700, 300)},${lightDepth(-20)}`;
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
                                "Soft shadows (now hard)"]);
  assert.deepEqual(menu.corner, [visit.box.x + 100, visit.box.y + 150]);
  await visit.click("#menu li:nth-child(2) button");
  await visit.expectFrameLike(shot("--teapot-offset", "15", "--light", light), "menu: teapot left");
  assert.equal(await page.evaluate(() => document.getElementById("menu").hidden), true);

  // Esc ends the program: the last frame stays, and nothing reaches the program any more.
  const last = await visit.frame();
  await page.type(["Escape"]);
  await page.waitFor(() => document.getElementById("status").textContent.includes("ended"));
  assert.match(await page.evaluate(() => document.getElementById("status").textContent),
               /Reload the page/);
  await page.type("tT");
  await visit.press(10, 10);
  await visit.movePointer(300, 400);
  await visit.release();
  await new Promise((resolve) => setTimeout(resolve, 300));
  assert.ok((await visit.frame()).data.equals(last.data), "the program still answered after Esc");
  await visit.close();
});

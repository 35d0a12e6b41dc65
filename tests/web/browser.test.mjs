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
  return snapshotWithCaption(...options).picture;
}

// With --step the tool also prints the step's caption on the first line, and the step's GL
// state on the lines after it.
function snapshotWithCaption(...options) {
  const file = path.join(scratch, "expected.png");
  const printed = execFileSync(SNAPSHOT_EXE, [...options, "-o", file], { encoding: "utf8" });
  const [caption, ...state] = printed.trim().split("\n");
  const picture = readPng(fs.readFileSync(file));
  fs.rmSync(file);
  return { picture, caption, state: state.join("\n") };
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
  // `screen`: the page's size, density and touch, as Chromium.newPage takes them.
  static async open(query = "", screen = {}) {
    const visit = new Visit();
    visit.page = await browser.newPage(screen);
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
    const share = `${((100 * differingPixels(frame, expected)) / (frame.width * frame.height)).toFixed(3)} %`;
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
    await this.page.waitFor(() => typeof Module !== "undefined" && Module.calledRun &&
                                  Module._pageTintLevel() === Math.fround(0.99997318), 30);
  }

  // No uncaught error, and no failed request (the icon included).
  async close() {
    assert.deepEqual(this.page.errors, []);
    assert.deepEqual(this.page.log, []);
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
      name: "three lights, the third the sun",
      act: (v) => v.page.type("llu"),
      expected: ["--light", "50,50,-320", "--light", "-30,80,-340", "--light", "20,60,-500,0"],
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
  await visit.chooseMenuItem(6);
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

// The lights from the buttons under the picture, as on a phone; what cannot be is said in
// the status line until the next input.
test("the buttons add lights up to four, and the status line says what cannot be", async () => {
  const visit = await Visit.open();
  const { page } = visit;
  await visit.waitForTintToRest();
  const status = () => page.evaluate(() => document.getElementById("status").textContent);
  const addLight = "#buttons button:nth-child(8)";
  assert.equal(await page.evaluate((s) => document.querySelector(s).textContent, addLight),
               "Add a light, l (now 1 of 4)");
  for (let add = 0; add < 4; ++add) {
    await visit.click(addLight);
  }
  await page.waitFor(() => document.getElementById("status").textContent !== "");
  assert.match(await status(), /^There are four lights already/);
  await visit.expectFrameLike(snapshot("--tint", REST_TINT, "--light", "50,50,-320", "--light",
                                       "-30,80,-340", "--light", "20,60,-500", "--light",
                                       "90,0,-420"), "four lights");
  // Keys reach the program once the picture has the focus again, not the button.
  await page.evaluate(() => document.getElementById("canvas").focus());
  await page.type("LLL3");
  await page.waitFor(() => document.getElementById("status").textContent.includes("light 3"));
  assert.equal(await status(), "There is no light 3: there is 1, and l adds another.");
  await visit.expectFrameLike(snapshot("--tint", REST_TINT), "one light again");
  await visit.close();
});

// ---- Stepping through the drawing -----------------------------------------------------

test("each step of the drawing matches the snapshot tool's, with its caption", async () => {
  const visit = await Visit.open();
  const { page } = visit;
  await visit.waitForTintToRest();
  const shown = (id) => page.evaluate((i) => {
    const element = document.getElementById(i);
    return element.hidden ? "" : element.textContent.trim();
  }, id);
  const caption = () => shown("caption");
  const expectStep = async (step, of, ...options) => {
    const expected = snapshotWithCaption("--tint", REST_TINT, "--step", `${step}`, ...options);
    await visit.expectFrameLike(expected.picture, `step ${step} of ${of} ${options.join(" ")}`);
    assert.equal(await caption(), `Step ${step} of ${of}: ${expected.caption}`);
    assert.equal(await shown("step-state"), expected.state);
  };

  // ']' does nothing until the menu turns the mode on, at the first step.
  await page.type("]");
  assert.equal(await caption(), "");
  await visit.chooseMenuItem(5);
  await expectStep(1, 7);
  for (let step = 2; step <= 7; ++step) {
    await page.type("]");
    await expectStep(step, 7);
  }
  // The steps stop at the last one and go back one at a time.
  await page.type("]][");
  await expectStep(6, 7);
  // Without the stencil there are fewer steps: the step held becomes the last of those.
  await visit.chooseMenuItem(4);
  await expectStep(5, 5, "--no-stencil");
  await page.type("[[[[[[");
  await expectStep(1, 5, "--no-stencil");
  // 'b' shows the whole frame, and the caption goes.
  await page.type("b");
  await visit.expectFrameLike(snapshot("--tint", REST_TINT, "--no-stencil"), "'b' after stepping");
  assert.equal(await caption(), "");
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
                                "Step by step, [ and ] (now off)",
                                "Soft shadows (now hard)",
                                "Add a light, l (now 1 of 4)",
                                "Remove the last light, L",
                                "Next light, 1 to 4 (now 1)",
                                "Light 1 as the sun, u (now a point light)"]);
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

// ---- Every visitor --------------------------------------------------------------------

test("a phone: the page fits, one finger moves the light, two move it in depth, and a long press opens the menu", async () => {
  const visit = await Visit.open("", { width: 390, height: 844, scale: 3, touch: true });
  const { page } = visit;
  await visit.waitForTintToRest();
  const { scrollWidth, side } = await page.evaluate(() => ({
    scrollWidth: document.documentElement.scrollWidth, side: canvas.width }));
  assert.ok(scrollWidth <= 390, `the page is ${scrollWidth} px wide`);
  assert.equal(side, Math.round(visit.box.width * 3));
  // Canvas CSS pixels from the top left, as page points and as drawing buffer pixels.
  const at = (x, y) => [visit.box.x + x, visit.box.y + y];
  const pixel = (css) => Math.floor((css * side) / visit.box.width);
  const shot = (light) => snapshot("--tint", REST_TINT, "--size", `${side}x${side}`, "--light", light);

  await page.touch("touchStart", [at(200, 200)]);
  await page.touch("touchMove", [at(150, 120)]);
  await page.touch("touchMove", [at(90, 60)]);
  await page.touch("touchEnd", []);
  const across = lightAcross(pixel(90), pixel(60), side);
  await visit.expectFrameLike(shot(`${across},-320`), "one finger");

  // The first finger down is a press of the left button; the second makes it the middle
  // one, at the fingers' midpoint.
  await page.touch("touchStart", [at(100, 300)]);
  await page.touch("touchStart", [at(100, 300), at(200, 340)]);
  await page.touch("touchMove", [at(100, 200), at(200, 240)]);
  await page.touch("touchMove", [at(100, 100), at(200, 140)]);
  await page.touch("touchEnd", []);
  const depth = -320 - ((side - pixel(120)) * 200) / side;
  await visit.expectFrameLike(shot(`${lightAcross(pixel(100), pixel(300), side)},${depth}`),
                              "two fingers");
  assert.deepEqual(await page.evaluate(() => [scrollX, scrollY]), [0, 0], "the page scrolled");

  await page.touch("touchStart", [at(300, 300)]);
  await page.waitFor(() => !document.getElementById("menu").hidden);
  await page.touch("touchEnd", []);
  const corner = await page.evaluate(() => {
    const menu = document.getElementById("menu").getBoundingClientRect();
    return [menu.left, menu.right <= innerWidth, menu.bottom <= innerHeight];
  });
  // Near the right edge, the menu opens to the finger's left to stay in the window.
  assert.ok(corner[0] < visit.box.x + 300 && corner[1] && corner[2], `menu at ${corner}`);
  await visit.close();
});

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

test("the keyboard alone reaches the canvas, the menu and the buttons", async () => {
  const visit = await Visit.open();
  const { page } = visit;
  await visit.waitForTintToRest();
  const focused = () => page.evaluate(() => document.activeElement.id || document.activeElement.textContent);
  const withShift = async (key) => {
    await page.key("keyDown", "Shift");
    await page.type([key]);
    await page.key("keyUp", "Shift");
  };

  await page.type(["Tab"]);
  assert.equal(await focused(), "canvas");
  // A twentieth of the room across, and towards the back wall.
  await page.type(["ArrowRight", "PageUp"]);

  // Esc in the menu closes it, gives the focus back, and leaves the program running.
  await withShift("F10");
  assert.equal(await focused(), "Move teapot right (t)");
  await page.type(["ArrowDown", "Escape"]);
  assert.equal(await page.evaluate(() => document.getElementById("menu").hidden), true);
  assert.equal(await focused(), "canvas");
  await page.type(["ContextMenu", "ArrowDown", "ArrowDown", "ArrowDown", "Enter"]);
  assert.equal(await focused(), "canvas");

  // The first button under the canvas; a key typed there does not reach the program.
  await page.type(["Tab"]);
  assert.equal(await focused(), "Move teapot right (t)");
  await page.type(["Enter", "t"]);
  // Back on the canvas: "T" without Shift, as with Caps Lock on, moves the teapot left.
  await withShift("Tab");
  assert.equal(await focused(), "canvas");
  for (let time = 0; time < 2; ++time) {
    await page.key("keyDown", "T", { shift: false });
    await page.key("keyUp", "T", { shift: false });
  }
  await visit.expectFrameLike(snapshot("--tint", REST_TINT, "--translucent", "--teapot-offset", "-15",
                                       "--light", "60,50,-330"), "keyboard alone");
  assert.doesNotMatch(await page.evaluate(() => document.getElementById("status").textContent), /ended/);
  await visit.close();
});

test("a lost context, given back, draws the same frame again", async () => {
  const visit = await Visit.open();
  const { page } = visit;
  await visit.waitForTintToRest();
  await page.type(["t", "ArrowUp"]);
  const expected = snapshot("--tint", REST_TINT, "--teapot-offset", "15", "--light", "50,60,-320");
  await visit.expectFrameLike(expected, "before the loss");
  const before = await visit.frame();

  await page.evaluate(() => {
    window.contextControl = canvas.getContext("webgl2").getExtension("WEBGL_lose_context");
    window.contextControl.loseContext();
  });
  await page.waitFor(() => document.getElementById("status").textContent.includes("restored"));
  await page.evaluate(() => window.contextControl.restoreContext());
  await page.waitFor(() => document.getElementById("status").textContent === "");
  await visit.expectFrameLike(expected, "after the context came back");
  assert.ok((await visit.frame()).data.equals(before.data), "not the very frame of before");
  await visit.close();
});

test("failures are said on the page, without an uncaught error", async (t) => {
  const status = () => document.getElementById("status").textContent;

  await t.test("a browser without WebGL 2", async () => {
    const page = await browser.newPage();
    await page.send("Page.addScriptToEvaluateOnNewDocument", {
      source: `(${() => {
        const getContext = HTMLCanvasElement.prototype.getContext;
        HTMLCanvasElement.prototype.getContext = function (type, ...rest) {
          return type === "webgl2" ? null : getContext.call(this, type, ...rest);
        };
      }})()`,
    });
    await page.goto(address);
    await page.waitFor(() => document.getElementById("status").textContent.includes("WebGL 2"));
    assert.deepEqual([page.errors, page.log], [[], []]);
    await page.close();
  });

  await t.test("a folder without the WebAssembly", async () => {
    const folder = path.join(scratch, "without-wasm");
    fs.mkdirSync(folder);
    for (const name of fs.readdirSync(WEB_DIR).filter((file) => file !== "planar-shadows.wasm")) {
      fs.copyFileSync(path.join(WEB_DIR, name), path.join(folder, name));
    }
    const partial = await serveFolder(folder);
    const page = await browser.newPage();
    await page.goto(partial.address);
    await page.waitFor(() => document.getElementById("status").textContent.includes("could not be loaded"));
    assert.match(await page.evaluate(status), /planar-shadows\.wasm .*404.*web server/);
    assert.deepEqual(page.errors, []);
    assert.equal(page.log.length, 1, "the one failed request");
    await page.close();
    partial.server.close();
  });

  await t.test("the page opened from a file", async () => {
    const page = await browser.newPage();
    await page.goto(`file://${path.resolve(WEB_DIR, "index.html")}`);
    assert.match(await page.evaluate(status), /file:\/\/.*web server/);
    assert.deepEqual([page.errors, page.log], [[], []]);
    await page.close();
  });

  // Only a query without "=" is the first argument; a malformed one is ignored too.
  for (const query of ["?utm_source=s", "?s%"]) {
    await t.test(`the address ${query}`, async () => {
      const visit = await Visit.open(query);
      await visit.waitForTintToRest();
      assert.deepEqual(visit.page.console.filter((line) => line.includes("Buffered")), []);
      await visit.close();
    });
  }
});

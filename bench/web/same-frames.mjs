// Two builds of the web edition must draw the very same frames, byte for byte: each build's
// page in turn, in one headless Chromium, driven through the same input, and the canvas read
// back with readPixels after every step (one tab at a time: a tab in the background gets no
// animation frames, so it would not draw). The steps are the browser tests' states, then a
// sweep of light positions (across, in depth, out of the room), teapot offsets, and the
// menu's two switches in all four combinations, the stepping mode's steps, and the sweep
// again with soft shadows, and up to four lights with the sun among them and the stencil
// view. Run by hand when the renderer's drawing changes and its frames
// must not:
//   node bench/web/same-frames.mjs OLD_WEB_DIR NEW_WEB_DIR
// (a built page folder each, as scripts/web.sh --build leaves in build-web/). Exits with 1
// if any state's frames differ.
import crypto from "node:crypto";

import { launch, serveFolder } from "../../tests/web/browser.mjs";

const MENU_TRANSLUCENT_SHADOWS = 256;
const MENU_STENCIL = 257;
const MENU_STEPPING = 258;
const MENU_SOFT_SHADOWS = 259;

// Keeps the drawing buffer after each frame, so it can be read back at any time (this
// changes what is kept, not what is drawn), counts frames by their first clear, and counts
// the animation frames asked for and not yet run: the tint's idle steps run in them
// without drawing, and the program is at rest once none is left.
function instrumentPage() {
  window.pending_animation_frames = 0;
  const request = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (callback) => {
    ++window.pending_animation_frames;
    return request((time) => {
      --window.pending_animation_frames;
      callback(time);
    });
  };
  const getContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function (type, attributes) {
    return getContext.call(this, type, { ...attributes, preserveDrawingBuffer: true });
  };
  window.frames_drawn = 0;
  const clear = WebGL2RenderingContext.prototype.clear;
  WebGL2RenderingContext.prototype.clear = function (mask) {
    ++window.frames_drawn;
    return clear.call(this, mask);
  };
}

class Tab {
  static async open(browser, address) {
    const tab = new Tab();
    tab.page = await browser.newPage();
    tab.errors = [];
    tab.page.on("pageerror", (error) => tab.errors.push(error.message));
    await tab.page.evaluateOnNewDocument(instrumentPage);
    await tab.page.goto(address);
    tab.box = await tab.page.evaluate(() => {
      const box = document.getElementById("canvas").getBoundingClientRect();
      return { x: box.left, y: box.top };
    });
    await tab.settle(0);
    return tab;
  }

  // Waits until more than `drawn` frames have been drawn and no animation frame is pending:
  // the tint has rested and the last input's redraw is done.
  async settle(drawn) {
    const until = Date.now() + 20000;
    for (;;) {
      const [count, pending] = await this.page.evaluate(
        () => [window.frames_drawn, window.pending_animation_frames]);
      if (count > drawn && pending === 0) {
        return;
      }
      if (Date.now() > until) {
        throw new Error("the page kept drawing");
      }
      await new Promise((resolve) => setTimeout(resolve, 50));
    }
  }

  async pixels() {
    const base64 = await this.page.evaluate(() => {
      const gl = Module.ctx;
      const data = new Uint8Array(gl.drawingBufferWidth * gl.drawingBufferHeight * 4);
      gl.readPixels(0, 0, gl.drawingBufferWidth, gl.drawingBufferHeight, gl.RGBA,
                    gl.UNSIGNED_BYTE, data);
      let text = "";
      for (let i = 0; i < data.length; i += 0x8000) {
        text += String.fromCharCode(...data.subarray(i, i + 0x8000));
      }
      return btoa(text);
    });
    return Buffer.from(base64, "base64");
  }

  // A press at canvas pixel (x, y), dragged through `path`, then released.
  async drag(x, y, { button = "left", shift = false, path = [] } = {}) {
    const at = (px, py) => [this.box.x + px, this.box.y + py];
    if (shift) {
      await this.page.keyboard.down("Shift");
    }
    await this.page.mouse.move(...at(x, y));
    await this.page.mouse.down({ button });
    for (const [px, py] of path) {
      await this.page.mouse.move(...at(px, py));
    }
    await this.page.mouse.up({ button });
    if (shift) {
      await this.page.keyboard.up("Shift");
    }
  }

  menu(value) {
    return this.page.evaluate((v) => Module._pageMenu(v), value);
  }

  async close() {
    if (this.errors.length > 0) {
      throw new Error(`errors on the page: ${this.errors.join("; ")}`);
    }
    await this.page.close();
  }
}

// The browser tests' states, each from a fresh page.
const STATES = [
  ["start", (t) => t.page.keyboard.type("b")],
  ["light moved", (t) => t.drag(128, 96)],
  ["teapot moved", (t) => t.page.keyboard.type("t")],
  ["plain view", (t) => t.page.keyboard.type("n")],
  ["translucent shadows", (t) => t.menu(MENU_TRANSLUCENT_SHADOWS)],
  ["shadows without the stencil", (t) => t.menu(MENU_STENCIL)],
  ["light below the floor", (t) => t.drag(256, 256, { path: [[256, 400], [256, 640]] })],
];

// One page through all of these in turn, in each of the four combinations of the switches.
const SWEEP = [
  ...[[40, 40], [128, 96], [256, 256], [400, 120], [480, 470], [20, 500], [300, 30]].map(
    ([x, y]) => [`light at canvas ${x},${y}`, (t) => t.drag(x, y)]),
  ...[40, 300, 500].map((y) => [`light in depth at ${y}`, (t) => t.drag(60, y, { shift: true })]),
  ["light out to the left", (t) => t.drag(100, 200, { path: [[-60, 220], [-200, 240]] })],
  ["light out past the top", (t) => t.drag(256, 100, { path: [[300, -150]] })],
  ["light behind the front", (t) => t.drag(200, 200, { button: "middle", path: [[200, 700]] })],
  ["light back in", (t) => t.drag(150, 200)],
  ["teapot right twice", (t) => t.page.keyboard.type("tt")],
  ["teapot left five times", (t) => t.page.keyboard.type("TTTTT")],
];

// Every state's frame, in order, from the page at `address`.
async function framesOf(browser, address) {
  const frames = [];
  const step = async (tab, name, act) => {
    const drawn = await tab.page.evaluate(() => window.frames_drawn);
    await act(tab);
    await tab.settle(drawn);
    frames.push({ name, pixels: await tab.pixels() });
  };
  for (const [name, act] of STATES) {
    const tab = await Tab.open(browser, address);
    await step(tab, name, act);
    await tab.close();
  }
  const tab = await Tab.open(browser, address);
  const switches = [[], [MENU_TRANSLUCENT_SHADOWS], [MENU_STENCIL], [MENU_TRANSLUCENT_SHADOWS]];
  const modes = ["opaque", "translucent", "translucent without the stencil",
                 "opaque without the stencil"];
  for (let mode = 0; mode < modes.length; ++mode) {
    for (const value of switches[mode]) {
      const drawn = await tab.page.evaluate(() => window.frames_drawn);
      await tab.menu(value);
      await tab.settle(drawn);
    }
    for (const [name, act] of SWEEP) {
      await step(tab, `${modes[mode]}, ${name}`, act);
    }
  }
  await tab.close();
  const stepping = await Tab.open(browser, address);
  await step(stepping, "stepping, step 1", (t) => t.menu(MENU_STEPPING));
  for (let next = 2; next <= 7; ++next) {
    await step(stepping, `stepping, step ${next}`, (t) => t.page.keyboard.type("]"));
  }
  await step(stepping, "stepping without the stencil, last step", (t) => t.menu(MENU_STENCIL));
  for (let next = 4; next >= 1; --next) {
    await step(stepping, `stepping without the stencil, step ${next}`, (t) => t.page.keyboard.type("["));
  }
  await stepping.close();
  const soft = await Tab.open(browser, address);
  await step(soft, "soft shadows", (t) => t.menu(MENU_SOFT_SHADOWS));
  for (const [name, act] of SWEEP) {
    await step(soft, `soft shadows, ${name}`, act);
  }
  await step(soft, "soft shadows, a wider light", (t) => t.page.keyboard.type("+++"));
  await step(soft, "soft shadows, translucent", (t) => t.menu(MENU_TRANSLUCENT_SHADOWS));
  await soft.close();
  const lights = await Tab.open(browser, address);
  await step(lights, "stencil view", (t) => t.page.keyboard.type("v"));
  await step(lights, "stencil view, two lights", (t) => t.page.keyboard.type("l"));
  await step(lights, "two lights", (t) => t.page.keyboard.type("v"));
  await step(lights, "two lights, the second moved", (t) => t.drag(400, 120));
  await step(lights, "three lights, the third the sun", (t) => t.page.keyboard.type("lu"));
  await step(lights, "four lights, the first moved", async (t) => {
    await t.page.keyboard.type("l1");
    await t.drag(100, 300);
  });
  await step(lights, "four lights, translucent", (t) => t.menu(MENU_TRANSLUCENT_SHADOWS));
  await step(lights, "four lights, without the stencil", (t) => t.menu(MENU_STENCIL));
  await step(lights, "four lights, stepping", (t) => t.menu(MENU_STEPPING));
  await step(lights, "four lights, stepping, step 6", (t) => t.page.keyboard.type("]]]]]"));
  await step(lights, "four lights, soft shadows", (t) => t.menu(MENU_SOFT_SHADOWS));
  await lights.close();
  return frames;
}

const [oldFolder, newFolder] = process.argv.slice(2);
const browser = await launch("chromium");
let differing = 0;
try {
  const builds = [];
  for (const folder of [oldFolder, newFolder]) {
    const site = await serveFolder(folder);
    builds.push(await framesOf(browser, site.address));
    site.server.close();
  }
  const [before, after] = builds;
  const seen = new Set();
  for (let i = 0; i < before.length; ++i) {
    const [a, b] = [before[i].pixels, after[i].pixels];
    seen.add(crypto.createHash("sha256").update(a).digest("hex"));
    let pixels = 0;
    for (let at = 0; at < a.length; at += 4) {
      pixels += a.compare(b, at, at + 4, at, at + 4) !== 0 ? 1 : 0;
    }
    console.log(`${pixels === 0 ? "same" : `${pixels} pixels differ`}: ${before[i].name}`);
    differing += pixels === 0 ? 0 : 1;
  }
  console.log(`${before.length} states, ${seen.size} different frames among them; ` +
              `${differing === 0 ? "every one" : `all but ${differing}`} the same in both ` +
              `builds, byte for byte`);
} finally {
  await browser.close();
}
process.exitCode = differing === 0 ? 0 : 1;

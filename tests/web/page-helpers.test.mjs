// The page's pure helpers (web/page-helpers.js), exactly, in Node without a browser.
import assert from "node:assert/strict";
import { test } from "node:test";

import { addressWith, canvasPixel, decodeKey, drawingBufferSide, firstArgument, historyText,
         menuCorner, splitFragment } from "../../web/page-helpers.js";

test("only a query without '=' is the program's first argument", () => {
  assert.deepEqual(firstArgument(""), []);
  assert.deepEqual(firstArgument("?"), []);
  assert.deepEqual(firstArgument("?s"), ["s"]);
  assert.deepEqual(firstArgument("?ss"), ["ss"]);
  assert.deepEqual(firstArgument("?s%20s"), ["s s"]);
  assert.deepEqual(firstArgument("?utm_source=s"), []);
  assert.deepEqual(firstArgument("?s="), []);
  assert.deepEqual(firstArgument("?s%"), []);
});

test("the drawing buffer: whole device pixels, from 1 to 2048 a side", () => {
  assert.equal(drawingBufferSide(512), 512);
  assert.equal(drawingBufferSide(358 * 3), 1074);
  assert.equal(drawingBufferSide(511.5), 512);
  assert.equal(drawingBufferSide(511.49), 511);
  assert.equal(drawingBufferSide(4096), 2048);
  assert.equal(drawingBufferSide(0), 1);
});

test("a point in CSS pixels lands on the drawing buffer's pixel under it", () => {
  const box = { left: 16, top: 72, width: 256, height: 256 };
  assert.deepEqual(canvasPixel(16, 72, box, 512, 512), [0, 0]);
  assert.deepEqual(canvasPixel(16.4, 72.6, box, 512, 512), [0, 1]);
  assert.deepEqual(canvasPixel(144, 120, box, 512, 512), [256, 96]);
  assert.deepEqual(canvasPixel(271.9, 327.9, box, 512, 512), [511, 511]);
  // Outside the canvas, as a drag that leaves it reports.
  assert.deepEqual(canvasPixel(15.9, 400, box, 512, 512), [-1, 656]);
  assert.deepEqual(canvasPixel(144, 120, box, 256, 256), [128, 48]);
});

test("the menu opens at the point, else flipped or shifted to stay in the window", () => {
  // 800 × 1000 window, a menu 300 × 200.
  const corner = (x, y) => menuCorner(x, y, 300, 200, 800, 1000);
  assert.deepEqual(corner(100, 150), [100, 150]);
  assert.deepEqual(corner(500, 800), [500, 800]);
  assert.deepEqual(corner(600, 900), [300, 700]);
  // A point past the window's edge: the menu ends at the edge.
  assert.deepEqual(corner(900, 1200), [500, 800]);
  // A window narrower than the menu: against its left edge.
  assert.deepEqual(menuCorner(100, 100, 300, 200, 250, 1000), [0, 100]);
});

test("keys decode as the desktop's GLUT reports them", () => {
  const press = (key, modifiers = {}) => decodeKey({ key, shiftKey: false, ctrlKey: false,
                                                     altKey: false, metaKey: false,
                                                     isComposing: false, ...modifiers });
  assert.deepEqual(["ArrowLeft", "ArrowUp", "ArrowRight", "ArrowDown", "PageUp", "PageDown"]
    .map((key) => press(key)), [100, 101, 102, 103, 104, 105].map((special) => ({ special })));
  assert.deepEqual(press("Escape"), { key: 27 });
  assert.deepEqual(press("t"), { key: 116 });
  // By the character typed: "T" is the teapot's left key with Caps Lock on too.
  assert.deepEqual(press("T"), { key: 84 });
  assert.deepEqual(press("]"), { key: 93 });
  assert.deepEqual(press(" "), { key: 32 });
  assert.deepEqual(press("ContextMenu"), { menu: true });
  assert.deepEqual(press("F10", { shiftKey: true }), { menu: true });
  for (const key of ["F10", "Shift", "Enter", "é", "€"]) {
    assert.equal(press(key), null, key);
  }
  for (const modifier of ["ctrlKey", "altKey", "metaKey", "isComposing"]) {
    assert.equal(press("t", { [modifier]: true }), null, modifier);
  }
});

test("the page takes 'embed' out of its address and hands the program the rest untouched", () => {
  assert.deepEqual(splitFragment(""), { embed: false, state: "" });
  assert.deepEqual(splitFragment("#embed"), { embed: true, state: "" });
  assert.deepEqual(splitFragment("#light=1,2,3&embed&&step=3&embedded"),
                   { embed: true, state: "light=1,2,3&step=3&embedded" });
  const page = "https://example.org/shadows/?s";
  assert.equal(addressWith(page, "", false), page);
  assert.equal(addressWith(page, "", true), `${page}#embed`);
  assert.equal(addressWith(page, "step=3", true), `${page}#embed&step=3`);
  assert.equal(addressWith(page, "step=3", false), `${page}#step=3`);
});

test("a pixel's history reads as the snapshot tool prints it, from the program's data", () => {
  const sample = (colour, stencil) => ({ colour, stencil });
  const black = sample([0, 0, 0], 0);
  const cyan = sample([0, 204, 204], 1);
  const shadow = sample([0, 41, 41], 0);
  const history = {
    x: 3, y: 250, samples: 32, stages: [
      { name: "step 1 (floor)", counts: false, before: black, after: cyan },
      { name: "step 2 (floor)", counts: false, before: cyan, after: sample([0, 204, 204], 0) },
      { name: "step 3 (floor)", counts: false, before: sample([0, 204, 204], 0), after: shadow },
      { name: "step 4 (wall)", counts: false, before: shadow, after: shadow },
      { name: "step 5 (wall)", counts: false, before: shadow, after: sample([0, 41, 41], 3) },
      { name: "floor counted", counts: true, before: shadow, after: sample([10, 20, 255], 21) },
    ],
  };
  assert.equal(historyText(history), [
    "Pixel 3, 250 from the top left:",
    "step 1 (floor): acts on it: stencil 0 -> 1 (marked), colour #000000 -> #00cccc",
    "step 2 (floor): acts on it: stencil 1 -> 0 (mark cleared), colour #00cccc",
    "step 3 (floor): acts on it: stencil 0, colour #00cccc -> #002929",
    "step 4 (wall): leaves it alone: stencil 0, colour #002929",
    "step 5 (wall): acts on it: stencil 0 -> 3, colour #002929",
    "floor counted: 10 of 32 points of the light (one batch) shadow it: stencil 21, colour #0a14ff " +
      "(a mark left uncounted: not the receiver's pixel)",
    "",
  ].join("\n"));
});

// The page's arithmetic and decisions that need neither the document nor the program:
// the page's modules apply them, and Node's test runner checks them without a browser.

// The program's first argument, from the address's query: only a query without "=" counts
// ("?s", "?ss"); anything else in the address is someone else's, and a malformed one is
// ignored too.
export function firstArgument(search) {
  const query = search.slice(1);
  if (query === "" || query.includes("=")) {
    return [];
  }
  try {
    return [decodeURIComponent(query)];
  } catch {
    return [];
  }
}

// The drawing buffer is square and has as many pixels as the screen shows of it, up to
// this many a side.
const MOST_PIXELS = 2048;

export function drawingBufferSide(devicePixels) {
  return Math.max(1, Math.min(MOST_PIXELS, Math.round(devicePixels)));
}

// The drawing buffer's pixel, counted from its top left as the desktop's window reports
// it, under a point in the window's CSS pixels. `box` is the canvas's place in CSS pixels
// (left, top, width, height), `width` and `height` are its drawing buffer's.
export function canvasPixel(x, y, box, width, height) {
  return [Math.floor((x - box.left) * width / box.width),
          Math.floor((y - box.top) * height / box.height)];
}

// The top left corner of a menu of this size opened at (x, y), so that it stays inside a
// window of this size: at the point where it fits, else flipped to end there, or against
// the window's edge.
export function menuCorner(x, y, width, height, windowWidth, windowHeight) {
  const left = x + width <= windowWidth ? x : Math.max(0, Math.min(x, windowWidth) - width);
  const top = y + height <= windowHeight ? y : Math.max(0, Math.min(y, windowHeight) - height);
  return [left, top];
}

// GLUT's numbers for the keys that move the light.
const SPECIAL_KEYS = new Map([["ArrowLeft", 100], ["ArrowUp", 101], ["ArrowRight", 102],
                              ["ArrowDown", 103], ["PageUp", 104], ["PageDown", 105]]);

// What a key pressed asks for, by the character typed, so that Caps Lock and other
// layouts act as on the desktop: { menu: true } (the context menu key, Shift + F10),
// { special: GLUT's number } (the arrows, Page Up and Page Down), { key: its code } (Esc,
// or a character below 128), or null. Keys held with Ctrl, Alt or Meta are the browser's,
// and a key that composes a character is not yet one.
export function decodeKey({ key, shiftKey, ctrlKey, altKey, metaKey, isComposing }) {
  if (ctrlKey || altKey || metaKey || isComposing) {
    return null;
  }
  if (key === "ContextMenu" || (key === "F10" && shiftKey)) {
    return { menu: true };
  }
  if (SPECIAL_KEYS.has(key)) {
    return { special: SPECIAL_KEYS.get(key) };
  }
  if (key === "Escape") {
    return { key: 27 };
  }
  if (key.length === 1 && key.charCodeAt(0) < 128) {
    return { key: key.charCodeAt(0) };
  }
  return null;
}

// The address's fragment ("#embed&step=3") as the page reads it: whether it asks for the
// embedded page, and the rest, the program's state text, untouched.
export function splitFragment(hash) {
  const parts = hash.replace(/^#/, "").split("&");
  const state = parts.filter((part) => part !== "embed" && part !== "");
  return { embed: parts.includes("embed"), state: state.join("&") };
}

// The address that holds a state: `base` without its fragment, then "embed" if asked for
// and the state text; no "#" at all for the start state of the whole page.
export function addressWith(base, state, embed) {
  const fragment = [embed ? "embed" : "", state].filter((part) => part !== "").join("&");
  return fragment === "" ? base : `${base}#${fragment}`;
}

function hex(colour) {
  return `#${colour.map((channel) => channel.toString(16).padStart(2, "0")).join("")}`;
}

// A value after a stage: "1" if the stage left it, "1 -> 0" if it changed it, with the hard
// pass's two changes of the stencil named.
function change(before, after, named = "") {
  return before === after ? after : `${before} -> ${after}${named ? ` (${named})` : ""}`;
}

// A pixel's history in words, as the desktop and the snapshot tool print it
// (state/pixel_history.cpp), from the program's data: { x, y, samples, stages }, each stage
// { name, counts, before, after } and each of those { colour: [r, g, b], stencil }.
export function historyText({ x, y, samples, stages }) {
  const lines = [`Pixel ${x}, ${y} from the top left:`];
  for (const { name, counts, before, after } of stages) {
    if (counts) {
      // Each counted point adds 2; an odd value is a mark no count clears, off the receiver.
      lines.push(`${name}: ${after.stencil >> 1} of ${samples} points of the light (one batch) shadow it: ` +
                 `stencil ${after.stencil}, colour ${hex(after.colour)}` +
                 (after.stencil % 2 === 1 ? " (a mark left uncounted: not the receiver's pixel)"
                                          : ""));
      continue;
    }
    const named = before.stencil === 0 && after.stencil === 1 ? "marked"
      : before.stencil === 1 && after.stencil === 0 ? "mark cleared" : "";
    const stencil = change(`${before.stencil}`, `${after.stencil}`, named);
    const colour = change(hex(before.colour), hex(after.colour));
    const acts = stencil !== `${after.stencil}` || colour !== hex(after.colour);
    lines.push(`${name}: ${acts ? "acts on it" : "leaves it alone"}: stencil ${stencil}, ` +
               `colour ${colour}`);
  }
  return `${lines.join("\n")}\n`;
}

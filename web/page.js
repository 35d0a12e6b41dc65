// The page around the program: it hears every key, press, drag and size change and passes
// them on to the program's entry points (Module._pageKey, ...; app/page_shell.cpp), shows
// what the program asks it to (the menu, the stepping caption, the end, a lost context), and
// says in words whatever keeps the program from running. index.html starts it, except from
// a file:// address; it sets window.Module, then loads the program's own script.
import "./compare.js";
import { addressWith, canvasPixel, decodeKey, drawingBufferSide, firstArgument, menuCorner,
         splitFragment } from "./page-helpers.js";

const canvas = document.getElementById("canvas");
const menu = document.getElementById("menu");
const buttons = document.getElementById("buttons");
const status = document.getElementById("status");

// loading, running, lost (the GL context, until the browser gives it back), ended or
// failed. Input reaches the program only while it runs.
let phase = "loading";
const running = () => phase === "running";

function fail(message) {
  phase = "failed";
  status.textContent = message;
}

// ---- The address: the picture's state, and the embedded page ---------------------------

// After the "#": the program's state text (state/state_text.h), which the program hands
// over after each frame that changes it, and "embed" for a page in an iframe in course
// notes: only the picture and its buttons, the picture as large as the frame allows.
let embedded = false;
let addressRead = false;
let addressEdited = false;
let stateText = "";
let replaceTimer = 0;
let lastReplace = -Infinity;
// At most this often while a drag goes on: browsers limit how often a page may replace its
// address (Safari: 100 times in 30 s).
const REPLACE_MS = 400;
// Twelve times the longest state text the program writes (339 characters); anything longer
// is no link to this page.
const LONGEST_STATE = 4096;

function showEmbedded() {
  embedded = splitFragment(location.hash).embed;
  document.documentElement.classList.toggle("embed", embedded);
}
showEmbedded();

function pageAddress() {
  return location.href.replace(/#.*$/, "");
}

// Replaces the history entry, never adds one: Back leaves the page, as on any page.
function replaceAddress() {
  replaceTimer = 0;
  lastReplace = performance.now();
  try {
    history.replaceState(history.state, "", addressWith(pageAddress(), stateText, embedded));
  } catch {
    // A sandboxed frame may refuse: the picture stays as it is, only its address does not.
  }
}

function keepState(text) {
  stateText = text;
  if (!addressRead || replaceTimer) {
    return;
  }
  const wait = lastReplace + REPLACE_MS - performance.now();
  if (wait <= 0) {
    replaceAddress();
  } else {
    replaceTimer = setTimeout(replaceAddress, wait);
  }
}

// The address's state, handed to the program, which draws what it can read; what it could
// not is said once, in the status line.
function applyAddress() {
  const { state } = splitFragment(location.hash);
  addressRead = true;
  addressEdited = false;
  if (state.length > LONGEST_STATE) {
    status.textContent = `The address's state, ${state.length} characters long, is no link ` +
                         "to this page and was left out.";
    Module.ccall("pageApplyState", "string", ["string"], [""]);
    return;
  }
  const unread = Module.ccall("pageApplyState", "string", ["string"], [state]);
  if (unread !== "") {
    status.textContent = "Left out of the address, which this page could not read: " +
                         `${unread.trim().split("\n").join("; ")}.`;
  }
}

// A fragment edited by hand. While the program cannot take it, it waits.
window.addEventListener("hashchange", () => {
  showEmbedded();
  addressEdited = true;
  if (running()) {
    applyAddress();
  }
});

// ---- Size: the drawing buffer has as many pixels as the screen shows ------------------

function fitCanvas(devicePixels) {
  if (phase === "ended" || phase === "failed") {
    return;  // a new size would clear the last frame
  }
  const side = drawingBufferSide(devicePixels);
  if (canvas.width !== side || canvas.height !== side) {
    canvas.width = side;
    canvas.height = side;
    // While the context is lost, the program takes the size when it comes back.
    if (running()) {
      Module._pageReshape(side, side);
    }
  }
}

function fitToLayout() {
  fitCanvas(canvas.getBoundingClientRect().width * devicePixelRatio);
}

// The canvas follows the window's width, and a move to a screen of another density
// changes devicePixelRatio. (Chromium's devicePixelContentBoxSize would give the device
// pixels directly, but stays at CSS pixels under DevTools' density emulation, where the
// tests run.)
function watchSize() {
  fitToLayout();
  new ResizeObserver(fitToLayout).observe(canvas);
  const watchDensity = () => {
    matchMedia(`(resolution: ${devicePixelRatio}dppx)`).addEventListener("change", () => {
      fitToLayout();
      watchDensity();
    }, { once: true });
  };
  watchDensity();
}

function pixelAt(x, y) {
  return canvasPixel(x, y, canvas.getBoundingClientRect(), canvas.width, canvas.height);
}

function canvasCentre() {
  const box = canvas.getBoundingClientRect();
  return [box.left + box.width / 2, box.top + box.height / 2];
}

// ---- Keys ---------------------------------------------------------------------------

// Only while the canvas or the page itself has the focus, so Tab, Enter and Space work on
// the buttons and the menu as on any page.
document.addEventListener("keydown", (event) => {
  const focus = document.activeElement;
  if (!running() || !menu.hidden || event.defaultPrevented ||
      (focus !== canvas && focus !== document.body && focus !== null)) {
    return;
  }
  const asked = decodeKey(event);
  if (asked?.menu) {
    if (focus === canvas) {
      event.preventDefault();
      openMenu(...canvasCentre());
    }
  } else if (asked?.special !== undefined) {
    event.preventDefault();  // the page would scroll
    Module._pageSpecialKey(asked.special);
  } else if (asked?.key !== undefined) {
    Module._pageKey(asked.key);
  }
});

// ---- Pointers: mouse, touch and pen -------------------------------------------------

// The fingers (or the pen) on the canvas: where each went down and where it is now. One
// finger is the left button; a second one makes it the middle button, at the fingers'
// midpoint, until they all lift. While the stencil view is on, a button switches a finger
// to pointing at a pixel instead, as the mouse does without a button.
const fingers = new Map();
let fingerPoints = false;
let longPress = 0;
const LONG_PRESS_MS = 500;
const STILL_PX = 10;

function fingersPixel() {
  let x = 0;
  let y = 0;
  for (const finger of fingers.values()) {
    x += finger.x / fingers.size;
    y += finger.y / fingers.size;
  }
  return pixelAt(x, y);
}

function stopLongPress() {
  clearTimeout(longPress);
  longPress = 0;
}

// A press captures the pointer, so the drag goes on outside the canvas until the button
// is let go or the finger lifts, as with the desktop's pointer grab. Moves only change
// the program's state: GLUT asks for at most one redraw per animation frame, which shows
// the latest position.
canvas.addEventListener("pointerdown", (event) => {
  if (!running()) {
    return;
  }
  canvas.focus({ preventScroll: true });
  if (event.pointerType === "mouse") {
    if (event.button === 0 || event.button === 1) {
      event.preventDefault();  // no text selection, and no autoscroll on the middle button
      canvas.setPointerCapture(event.pointerId);
      Module._pagePress(event.button, event.shiftKey, ...pixelAt(event.clientX, event.clientY));
    }
    return;
  }
  if (fingerPoints) {
    canvas.setPointerCapture(event.pointerId);
    Module._pagePoint(...pixelAt(event.clientX, event.clientY));
    return;
  }
  if (fingers.size >= 2) {
    return;
  }
  canvas.setPointerCapture(event.pointerId);
  fingers.set(event.pointerId, { x: event.clientX, y: event.clientY,
                                 startX: event.clientX, startY: event.clientY });
  stopLongPress();
  if (fingers.size === 1) {
    Module._pagePress(0, 0, ...fingersPixel());
    // About half a second without moving opens the menu at the finger.
    longPress = setTimeout(() => {
      longPress = 0;
      fingers.clear();
      openMenu(event.clientX, event.clientY);
    }, LONG_PRESS_MS);
  } else {
    Module._pagePress(1, 0, ...fingersPixel());
  }
});

canvas.addEventListener("pointermove", (event) => {
  if (!running()) {
    return;
  }
  const pointing = event.pointerType === "mouse" ? event.buttons === 0 : fingerPoints;
  if (pointing) {
    Module._pagePoint(...pixelAt(event.clientX, event.clientY));
    return;
  }
  if (!canvas.hasPointerCapture(event.pointerId)) {
    return;
  }
  if (event.pointerType === "mouse") {
    if ((event.buttons & 5) !== 0) {
      Module._pageDrag(...pixelAt(event.clientX, event.clientY));
    }
    return;
  }
  const finger = fingers.get(event.pointerId);
  if (finger) {
    finger.x = event.clientX;
    finger.y = event.clientY;
    if (Math.hypot(finger.x - finger.startX, finger.y - finger.startY) > STILL_PX) {
      stopLongPress();
    }
    Module._pageDrag(...fingersPixel());
  }
});

// A finger that lifts ends the gesture for all of them, so the light does not jump to
// the fingers that are left.
function liftFinger(event) {
  if (fingers.has(event.pointerId)) {
    stopLongPress();
    fingers.clear();
  }
}
canvas.addEventListener("pointerup", liftFinger);
canvas.addEventListener("pointercancel", liftFinger);

// ---- The menu, and the same items as buttons under the canvas ------------------------

let focusBeforeMenu = null;

function menuItems() {
  return [...menu.querySelectorAll("[role=menuitem]")];
}

// At the point given in the window's CSS pixels, kept inside the window; the first item
// takes the focus.
function openMenu(x, y) {
  stopLongPress();
  if (!menu.hidden) {
    return;
  }
  focusBeforeMenu = document.activeElement;
  menu.hidden = false;
  const [left, top] = menuCorner(x, y, menu.offsetWidth, menu.offsetHeight, innerWidth,
                                 innerHeight);
  menu.style.left = `${left}px`;
  menu.style.top = `${top}px`;
  menuItems()[0]?.focus();
}

function closeMenu(returnFocus) {
  if (menu.hidden) {
    return;
  }
  const focusInMenu = menu.contains(document.activeElement);
  menu.hidden = true;
  if (returnFocus && focusInMenu && focusBeforeMenu?.isConnected) {
    focusBeforeMenu.focus({ preventScroll: true });
  }
}

canvas.addEventListener("contextmenu", (event) => {
  if (!running()) {
    return;
  }
  event.preventDefault();
  const box = canvas.getBoundingClientRect();
  const onCanvas = event.clientX >= box.left && event.clientX <= box.right &&
                   event.clientY >= box.top && event.clientY <= box.bottom;
  if (onCanvas) {
    openMenu(event.clientX, event.clientY);
  } else {
    openMenu(...canvasCentre());
  }
});
menu.addEventListener("contextmenu", (event) => event.preventDefault());

// Up and Down move through the items, Enter and Space choose one (as on any button), Esc
// and Tab close the menu; no key in the menu reaches the program.
menu.addEventListener("keydown", (event) => {
  const items = menuItems();
  const at = items.indexOf(document.activeElement);
  if (event.key === "ArrowDown") {
    items[(at + 1) % items.length].focus();
  } else if (event.key === "ArrowUp") {
    items[(at - 1 + items.length) % items.length].focus();
  } else if (event.key === "Home") {
    items[0].focus();
  } else if (event.key === "End") {
    items[items.length - 1].focus();
  } else if (event.key === "Escape" || event.key === "Tab") {
    closeMenu(true);
  } else {
    return;
  }
  event.preventDefault();
  event.stopPropagation();
});

// A press outside the menu closes it and does nothing else, as a desktop menu does.
window.addEventListener("pointerdown", (event) => {
  if (!menu.hidden && !menu.contains(event.target)) {
    closeMenu(false);
    event.stopPropagation();
  }
}, true);
window.addEventListener("scroll", () => closeMenu(false), true);
window.addEventListener("resize", () => closeMenu(false));
window.addEventListener("blur", () => closeMenu(false));

function choose(value) {
  closeMenu(true);
  if (running()) {
    Module._pageMenu(value);
  }
}

// The program relabels its items whenever a switch changes: the elements stay, so a
// button keeps the focus.
let itemCount = 0;

function item(list, index, make) {
  if (!list[index]) {
    const element = make();
    element.addEventListener("click", () => choose(Number(element.dataset.value)));
    list[index] = element;
  }
  return list[index];
}
const menuButtons = [];
const pageButtons = [];

// A key with no menu item has a button of its own after the menu's, made from its row in
// the table of controls.
const keyButtons = [...document.querySelectorAll("#controls tr[data-button]")].map((row) => {
  const button = document.createElement("button");
  button.type = "button";
  button.textContent = row.dataset.button;
  button.addEventListener("click", () => {
    if (running()) {
      Module._pageKey(row.dataset.key.charCodeAt(0));
    }
  });
  buttons.append(button);
  return button;
});

// The stencil view's own button, after the others while the view is on: a finger on the
// picture moves the light, or points at a pixel to show its history.
const fingerButton = document.createElement("button");
fingerButton.type = "button";
fingerButton.hidden = true;
function setFingerPoints(on) {
  fingerPoints = on;
  fingers.clear();
  stopLongPress();
  fingerButton.textContent = on ? "Finger moves the light (now points at a pixel)"
                                : "Finger points at a pixel (now moves the light)";
  fingerButton.setAttribute("aria-pressed", `${on}`);
}
fingerButton.addEventListener("click", () => setFingerPoints(!fingerPoints));
setFingerPoints(false);
buttons.append(fingerButton);

// Copies the address of the picture as it stands, without "embed". Where the browser
// refuses the clipboard, the link waits selected in a field instead.
const linkField = document.getElementById("link");
let saidTimer = 0;

function sayBriefly(text) {
  status.textContent = text;
  clearTimeout(saidTimer);
  saidTimer = setTimeout(() => {
    if (status.textContent === text) {
      status.textContent = "";
    }
  }, 4000);
}

const copyButton = document.createElement("button");
copyButton.type = "button";
copyButton.textContent = "Copy link";
copyButton.addEventListener("click", async () => {
  const link = addressWith(pageAddress(), stateText, false);
  linkField.hidden = true;
  try {
    await navigator.clipboard.writeText(link);
    sayBriefly("The link is copied: it reopens this picture.");
  } catch {
    linkField.value = link;
    linkField.hidden = false;
    linkField.focus();
    linkField.select();
    sayBriefly("The browser did not let the page copy: the link is selected below.");
  }
});
buttons.insertBefore(copyButton, fingerButton);

// ---- What the program calls -----------------------------------------------------------

// Asked for at once, so the WebAssembly downloads while the program's script loads and
// starts. A failure is said when the program asks for it, not before.
const wasmResponse = fetch("planar-shadows.wasm");
wasmResponse.catch(() => {});

const Module = {
  canvas,
  arguments: firstArgument(location.search),
  print: (line) => console.log(line),
  printErr: (line) => console.warn(line),
  // The page fetches the WebAssembly itself, so a failure is said on the page.
  instantiateWasm(imports, receive) {
    wasmResponse.then((response) => {
      if (!response.ok) {
        throw new Error(`the server answered ${response.status}`);
      }
      // Without the application/wasm type the browser cannot compile while it downloads.
      return WebAssembly.instantiateStreaming(response.clone(), imports).catch(
        () => response.arrayBuffer().then((bytes) => WebAssembly.instantiate(bytes, imports)));
    }).then((result) => receive(result.instance, result.module), (error) => {
      fail(`planar-shadows.wasm could not be loaded (${error.message}). Copy it into the ` +
           "folder with this page and serve the folder from a web server.");
    });
    return {};
  },
  // The stepping mode's caption under the picture and the step's GL state under the buttons;
  // neither outside the mode.
  showCaption(text, state) {
    const caption = document.getElementById("caption");
    caption.textContent = text;
    caption.hidden = text === "";
    const stepState = document.getElementById("step-state");
    stepState.textContent = state;
    stepState.hidden = state === "";
  },
  // The view's legend, a line "stencil VALUE #colour...: meaning" for each colour or ramp,
  // as a swatch and its meaning; "" once the view is off, which also gives the finger back
  // to the light.
  showLegend(text) {
    const legend = document.getElementById("legend");
    legend.replaceChildren();
    for (const line of text.split("\n").filter((l) => l !== "")) {
      const [, value, colours, meaning] = line.match(/^stencil (\S+) ((?:#\w+ ?)+): (.*)$/);
      const list = colours.trim().split(" ");
      const swatch = document.createElement("span");
      swatch.className = list.length > 1 ? "ramp" : "";
      swatch.style.background = list.length > 1 ? `linear-gradient(to right, ${list.join(", ")})`
                                                : list[0];
      const entry = document.createElement("div");
      entry.append(swatch, `${value}: ${meaning}`);
      legend.append(entry);
    }
    legend.hidden = text === "";
    fingerButton.hidden = text === "";
    if (text === "") {
      setFingerPoints(false);
    }
  },
  showHistory(text) {
    const history = document.getElementById("history");
    history.textContent = text;
    history.hidden = text === "";
  },
  showState: keepState,
  // What a key could not do, in the status line while the program runs; "" clears it.
  showNotice(text) {
    if (running()) {
      status.textContent = text;
    }
  },
  onAbort(what) {
    fail(`The program stopped: ${what}. Reload the page to start it again.`);
  },
  postRun() {
    if (!Module.ctx) {
      fail("This page needs a browser with WebGL 2, and this one does not offer it " +
           "(or has it switched off).");
      return;
    }
    phase = "running";
    status.textContent = "";
    watchSize();
    applyAddress();
  },
  clearMenu() {
    itemCount = 0;
  },
  addMenuItem(label, value) {
    const index = itemCount++;
    const entry = item(menuButtons, index, () => {
      const button = document.createElement("button");
      button.type = "button";
      button.setAttribute("role", "menuitem");
      button.tabIndex = -1;
      const listItem = document.createElement("li");
      listItem.setAttribute("role", "none");
      listItem.append(button);
      menu.append(listItem);
      return button;
    });
    const pageButton = item(pageButtons, index, () => {
      const button = document.createElement("button");
      button.type = "button";
      buttons.insertBefore(button, keyButtons[0] ?? null);
      return button;
    });
    for (const element of [entry, pageButton]) {
      element.textContent = label;
      element.dataset.value = value;
    }
  },
  // Items that went with a mode go from the menu and the buttons.
  endMenu() {
    for (const element of menuButtons.splice(itemCount)) {
      element.parentElement.remove();
    }
    for (const element of pageButtons.splice(itemCount)) {
      element.remove();
    }
  },
  programEnded() {
    phase = "ended";
    closeMenu(false);
    stopLongPress();
    canvas.style.cursor = "default";
    for (const button of buttons.querySelectorAll("button")) {
      button.disabled = true;
    }
    status.textContent = "The program has ended. Reload the page to start it again.";
  },
  contextLost(lost) {
    if (phase === "ended") {
      return;
    }
    phase = lost ? "lost" : "running";
    if (!lost && addressEdited) {
      applyAddress();
    }
    closeMenu(false);
    stopLongPress();
    fingers.clear();
    status.textContent = lost ? "The browser has taken the picture's graphics away for a " +
                                "moment; it is being restored." : "";
  },
};

// The program's script finds the page's Module when it starts.
window.Module = Module;
const program = document.createElement("script");
program.src = "planar-shadows.js";
program.addEventListener("error", () => {
  fail("planar-shadows.js could not be loaded. Copy it into the folder with this page " +
       "and serve the folder from a web server.");
});
document.body.append(program);

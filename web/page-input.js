// The input on the picture: the pointer (mouse, touch and pen) and the keys, passed on to the
// program's entry points (Module._pagePress, ...; app/page_shell.cpp). A long press, a right
// click, the context menu key and Shift + F10 open the menu, through the opener the page
// wires in.
import { decodeKey } from "./page-helpers.js";
import { canvas, canvasCentre, pixelAt } from "./page-canvas.js";
import { running } from "./page-status.js";

const menu = document.getElementById("menu");
let openMenu = () => {};

// The fingers (or the pen) on the canvas: where each went down and where it is now. One
// finger is the left button; a second one makes it the middle button, at the fingers'
// midpoint, until they all lift. While the stencil view is on, a button switches a finger
// to pointing at a pixel instead, as the mouse does without a button.
const fingers = new Map();
let fingerPoints = false;
let longPress = 0;
const LONG_PRESS_MS = 500;
const STILL_PX = 10;

export const fingersPoint = () => fingerPoints;

export function setFingerPoints(on) {
  fingerPoints = on;
  fingers.clear();
  stopLongPress();
}

function fingersPixel() {
  let x = 0;
  let y = 0;
  for (const finger of fingers.values()) {
    x += finger.x / fingers.size;
    y += finger.y / fingers.size;
  }
  return pixelAt(x, y);
}

export function stopLongPress() {
  clearTimeout(longPress);
  longPress = 0;
}

// The gesture under way ends: with the program, or when its context goes.
export function dropFingers() {
  stopLongPress();
  fingers.clear();
}

// Only while the canvas or the page itself has the focus, so Tab, Enter and Space work on
// the buttons and the menu as on any page.
function onKey(event) {
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
}

// A press captures the pointer, so the drag goes on outside the canvas until the button
// is let go or the finger lifts, as with the desktop's pointer grab. Moves only change
// the program's state: GLUT asks for at most one redraw per animation frame, which shows
// the latest position.
function onDown(event) {
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
}

function onMove(event) {
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
}

// A finger that lifts ends the gesture for all of them, so the light does not jump to
// the fingers that are left.
function liftFinger(event) {
  if (fingers.has(event.pointerId)) {
    dropFingers();
  }
}

// A right click opens the menu at the pointer; the context menu key (whose event comes
// from the focused canvas, at no point of it) at the picture's centre.
function onContextMenu(event) {
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
}

export function listenForInput(menuOpener) {
  openMenu = menuOpener;
  document.addEventListener("keydown", onKey);
  canvas.addEventListener("pointerdown", onDown);
  canvas.addEventListener("pointermove", onMove);
  canvas.addEventListener("pointerup", liftFinger);
  canvas.addEventListener("pointercancel", liftFinger);
  canvas.addEventListener("contextmenu", onContextMenu);
}

// The canvas's size and pixels: its drawing buffer has as many pixels as the screen shows of
// it, and a point in the window lands on the pixel under it.
import { canvasPixel, drawingBufferSide } from "./page-helpers.js";
import { currentPhase, running } from "./page-status.js";

export const canvas = document.getElementById("canvas");

function fitCanvas(devicePixels) {
  if (currentPhase() === "ended" || currentPhase() === "failed") {
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

// Before the program starts, so it draws its first frame at the size the layout gives.
export const sizeCanvas = fitToLayout;

// The canvas follows the size the layout gives it, and a move to a screen of another density
// changes devicePixelRatio. (Chromium's devicePixelContentBoxSize would give the device
// pixels directly, but stays at CSS pixels under DevTools' density emulation, where the
// tests run.)
export function watchSize() {
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

// The drawing buffer's pixel under a point in the window's CSS pixels.
export function pixelAt(x, y) {
  return canvasPixel(x, y, canvas.getBoundingClientRect(), canvas.width, canvas.height);
}

export function canvasCentre() {
  const box = canvas.getBoundingClientRect();
  return [box.left + box.width / 2, box.top + box.height / 2];
}

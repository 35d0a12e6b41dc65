// The Save items: the picture as a PNG and the light's path as an animated GIF, each an
// ordinary download. The program draws what they hold (app/page_shell.cpp); the GIF encoder,
// gifenc, is loaded only when an animation is first saved, so the page's first download
// does not carry it.
import { canvas } from "./page-canvas.js";
import { running, say, sayBriefly } from "./page-status.js";

// How long a saved file's blob: address outlives its download's start; the browser has
// taken the file by then.
const KEEP_ADDRESS_MS = 60_000;

let encoder = null;
let savingAnimation = false;

// A link with the download attribute, clicked: the browser saves the file as it saves any
// download, under this name.
function offer(blob, name) {
  const link = document.createElement("a");
  link.href = URL.createObjectURL(blob);
  link.download = name;
  link.hidden = true;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), KEEP_ADDRESS_MS);
}

// Called while the program's frame is still in the drawing buffer: toBlob copies the
// buffer at once, and encodes the copy later.
export function savePicture(name) {
  canvas.toBlob((blob) => {
    if (blob) {
      offer(blob, name);
    } else {
      say("The browser could not make a PNG of the picture.");
    }
  }, "image/png");
}

// One frame at a time, each in a task of its own, so the page stays responsive and says how
// far it has come; the picture on the canvas stays the one the visitor sees.
export async function saveAnimation({ name, frames, width, height }) {
  if (savingAnimation) {
    return;
  }
  savingAnimation = true;
  try {
    encoder ??= import("./gifenc.js");
    const { GIFEncoder, quantize, applyPalette } = await encoder;
    const gif = GIFEncoder();
    const rgba = new Uint8Array(4 * width * height).fill(255);
    for (let index = 0; index < frames; ++index) {
      say(`Making the animation: frame ${index + 1} of ${frames}.`);
      await new Promise((resolve) => setTimeout(resolve));
      if (canvas.width !== width || canvas.height !== height) {
        say("The animation was not finished: the picture changed its size. Save it again.");
        return;
      }
      const at = running() ? Module._pagePathPicture(index) : 0;
      if (!at) {
        say("The animation was not finished: the picture's graphics went away. Save it again " +
            "once the picture is back.");
        return;
      }
      const rgb = Module.HEAPU8.subarray(at, at + 3 * width * height);
      for (let pixel = 0; pixel < width * height; ++pixel) {
        rgba.set(rgb.subarray(3 * pixel, 3 * pixel + 3), 4 * pixel);
      }
      const palette = quantize(rgba, 256);
      // 10 frames a second; the first frame's repeat count, 0, loops for ever.
      gif.writeFrame(applyPalette(rgba, palette), width, height, { palette, delay: 100, repeat: 0 });
    }
    gif.finish();
    offer(new Blob([gif.bytes()], { type: "image/gif" }), name);
    sayBriefly(`The animation, ${frames} frames, goes to the browser's downloads as ${name}.`);
  } catch (error) {
    say(`The animation could not be made (${error.message}).`);
  } finally {
    savingAnimation = false;
  }
}

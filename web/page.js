// The page around the program, wired from its modules: the address (page-address.js), the
// canvas's size (page-canvas.js), the input on the picture (page-input.js), the menu and the
// buttons (page-menu.js), and what the program calls (page-calls.js). This entry holds only
// Emscripten's Module, set on window before the program's script loads, which finds it there;
// index.html starts it, except from a file:// address.
import "./compare.js";
import { applyAddress } from "./page-address.js";
import { canvas, sizeCanvas, watchSize } from "./page-canvas.js";
import { programCalls } from "./page-calls.js";
import { firstArgument } from "./page-helpers.js";
import { listenForInput, stopLongPress } from "./page-input.js";
import { openMenu } from "./page-menu.js";
import { fail, say, setPhase } from "./page-status.js";

listenForInput((x, y) => {
  stopLongPress();
  openMenu(x, y);
});

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
  // Before main(), once the page has been laid out and painted: the program draws its first
  // frame at the size the layout gives the canvas.
  preRun: [sizeCanvas],
  onAbort(what) {
    fail(`The program stopped: ${what}. Reload the page to start it again.`);
  },
  postRun() {
    if (!Module.ctx) {
      fail("This page needs a browser with WebGL 2, and this one does not offer it " +
           "(or has it switched off).");
      return;
    }
    setPhase("running");
    say("");
    watchSize();
    applyAddress();
  },
  // Not Emscripten's: where app/page_shell.cpp's callPage finds the page.
  programCalls,
};

window.Module = Module;
const program = document.createElement("script");
program.src = "planar-shadows.js";
program.addEventListener("error", () => {
  fail("planar-shadows.js could not be loaded. Copy it into the folder with this page " +
       "and serve the folder from a web server.");
});
document.body.append(program);

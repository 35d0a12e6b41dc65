// What the program calls on the page, the one list of it: app/page_shell.cpp's callPage
// names one of these and hands it one value, parsed from the JSON the program wrote.
import { applyEditedAddress, keepState } from "./page-address.js";
import { canvas } from "./page-canvas.js";
import { historyText } from "./page-helpers.js";
import { dropFingers } from "./page-input.js";
import { closeMenu, disableButtons, showFingerButton, showMenu } from "./page-menu.js";
import { saveAnimation, savePicture } from "./page-save.js";
import { currentPhase, running, say, setPhase } from "./page-status.js";

const caption = document.getElementById("caption");
const stepState = document.getElementById("step-state");
const legend = document.getElementById("legend");
const history = document.getElementById("history");

// Where the browser has no Fullscreen API (a phone's Safari), or refuses (a frame not
// allowed it), the program's state goes back.
function fullScreenRefused() {
  if (running()) {
    say("This browser did not let the page fill the screen.");
    Module._pageLeftFullScreen();
  }
}

// Left by the browser's own means (Esc, its controls, a swipe): the program's state follows,
// and index.html's :fullscreen rules put the page back.
document.addEventListener("fullscreenchange", () => {
  if (!document.fullscreenElement && running()) {
    Module._pageLeftFullScreen();
  }
});

export const programCalls = {
  // The stepping mode's caption under the picture and the step's GL state under the buttons;
  // neither outside the mode.
  showCaption({ caption: text, stepState: state }) {
    caption.textContent = text;
    caption.hidden = text === "";
    stepState.textContent = state;
    stepState.hidden = state === "";
  },

  // The program's menu items, { label, value } each.
  showMenu,

  // The stencil view's legend, an entry { value, colours, meaning } for each colour or ramp,
  // as a swatch and its meaning; none once the view is off.
  showLegend(entries) {
    legend.replaceChildren(...entries.map(({ value, colours, meaning }) => {
      const swatch = document.createElement("span");
      swatch.className = colours.length > 1 ? "ramp" : "";
      swatch.style.background = colours.length > 1
        ? `linear-gradient(to right, ${colours.join(", ")})` : colours[0];
      const entry = document.createElement("div");
      entry.append(swatch, `${value}: ${meaning}`);
      return entry;
    }));
    legend.hidden = entries.length === 0;
    showFingerButton(entries.length > 0);
  },

  // A pixel's history (page-helpers.js's historyText), or null to take it away.
  showHistory(pixel) {
    history.textContent = pixel ? historyText(pixel) : "";
    history.hidden = !pixel;
  },

  // The whole page in full screen, which index.html's :fullscreen rules show as the picture
  // alone, with the caption while stepping. Called within the key press or click that
  // asked for it, the one moment the browser allows it.
  showFullScreen(on) {
    if (on && !document.fullscreenElement) {
      const asked = document.documentElement.requestFullscreen?.({ navigationUI: "hide" });
      if (asked) {
        asked.catch(fullScreenRefused);
      } else {
        queueMicrotask(fullScreenRefused);
      }
    } else if (!on && document.fullscreenElement) {
      document.exitFullscreen().catch(() => {});
    }
  },

  // Save picture: the frame just drawn, in this same task, as a PNG download of this name.
  savePicture,

  // Save animation: { name, frames, width, height }, each frame drawn by the program.
  saveAnimation,

  // The state text after each frame that changes it.
  showState: keepState,

  // What a key could not do, in the status line while the program runs; "" clears it.
  showNotice(text) {
    if (running()) {
      say(text);
    }
  },

  programEnded() {
    setPhase("ended");
    closeMenu(false);
    dropFingers();
    canvas.style.cursor = "default";
    disableButtons();
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(() => {});
    }
    say("The program has ended. Reload the page to start it again.");
  },

  contextLost(lost) {
    if (currentPhase() === "ended") {
      return;
    }
    setPhase(lost ? "lost" : "running");
    if (!lost) {
      applyEditedAddress();
    }
    closeMenu(false);
    dropFingers();
    say(lost ? "The browser has taken the picture's graphics away for a moment; it is being " +
               "restored." : "");
  },
};

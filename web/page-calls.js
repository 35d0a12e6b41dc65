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

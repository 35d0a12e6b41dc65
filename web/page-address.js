// The page's address: after its "#" the program's state text (state/state_text.h), which the
// program hands over after each frame that changes it, so that a reload or a link reopens
// the picture; and "embed" for a page in an iframe in course notes: only the picture and its
// buttons, the picture as large as the frame allows.
import { addressWith, splitFragment } from "./page-helpers.js";
import { running, say } from "./page-status.js";

let embedded = false;
let addressRead = false;
let addressEdited = false;
let stateText = "";
let replaceTimer = 0;
let lastReplace = -Infinity;
// At most this often while a drag goes on: browsers limit how often a page may replace its
// address (Safari: 100 times in 30 s).
const REPLACE_MS = 400;
// The longest state text the program writes: 339 characters, and a light's path of 200
// positions at most 3,603 more with its key (state/light_path.h); anything longer is no
// link to this page.
const LONGEST_STATE = 4096;

function showEmbedded() {
  embedded = splitFragment(location.hash).embed;
  document.documentElement.classList.toggle("embed", embedded);
}
showEmbedded();

function pageAddress() {
  return location.href.replace(/#.*$/, "");
}

// The address of the picture as it stands, without "embed": what Copy link copies.
export function pictureLink() {
  return addressWith(pageAddress(), stateText, false);
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

export function keepState(text) {
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
export function applyAddress() {
  const { state } = splitFragment(location.hash);
  addressRead = true;
  addressEdited = false;
  if (state.length > LONGEST_STATE) {
    say(`The address's state, ${state.length} characters long, is no link to this page and ` +
        "was left out.");
    Module.ccall("pageApplyState", "string", ["string"], [""]);
    return;
  }
  const unread = Module.ccall("pageApplyState", "string", ["string"], [state]);
  if (unread !== "") {
    say("Left out of the address, which this page could not read: " +
        `${unread.trim().split("\n").join("; ")}.`);
  }
}

// Once the program can take it again (its context back), the address edited meanwhile.
export function applyEditedAddress() {
  if (addressEdited) {
    applyAddress();
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

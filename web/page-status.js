// The page's phase and its status line, through which every part of the page speaks.
const status = document.getElementById("status");

// loading, running, lost (the GL context, until the browser gives it back), ended or
// failed. Input reaches the program only while it runs.
let phase = "loading";

export const running = () => phase === "running";
export const currentPhase = () => phase;

export function setPhase(next) {
  phase = next;
}

export function say(text) {
  status.textContent = text;
}

export function fail(message) {
  phase = "failed";
  say(message);
}

// Said for a few seconds, unless something else was said meanwhile.
let saidTimer = 0;

export function sayBriefly(text) {
  say(text);
  clearTimeout(saidTimer);
  saidTimer = setTimeout(() => {
    if (status.textContent === text) {
      say("");
    }
  }, 4000);
}

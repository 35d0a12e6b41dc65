// The compare button: pressed and held, the right pass in place of the variant of the pass,
// as the c key held does; and the c key's release, which the page's own key handler does not
// pass on. Made here, so the page's modules need no more than to load this one.
const button = document.createElement("button");
button.type = "button";
button.id = "compare";
button.textContent = "Hold to compare with the right pass (c)";

function compare(held) {
  if (!button.disabled && typeof window.Module?._pageKeyUp === "function") {
    if (held) {
      window.Module._pageKey("c".charCodeAt(0));
    } else {
      window.Module._pageKeyUp("c".charCodeAt(0));
    }
  }
}

// The pointer is captured, so the button lets go wherever the pointer is released.
button.addEventListener("pointerdown", (event) => {
  button.setPointerCapture(event.pointerId);
  compare(true);
});
for (const release of ["pointerup", "pointercancel", "lostpointercapture"]) {
  button.addEventListener(release, () => compare(false));
}
// Space and Enter hold it from the keyboard as well.
button.addEventListener("keydown", (event) => {
  if ((event.key === " " || event.key === "Enter") && !event.repeat) {
    compare(true);
  }
});
button.addEventListener("keyup", (event) => {
  if (event.key === " " || event.key === "Enter") {
    compare(false);
  }
});
button.addEventListener("contextmenu", (event) => event.preventDefault());
// Last among the shadows' buttons, after the page's own, which its module makes once this one
// has run; among them, so the page disables it with them when the program ends.
queueMicrotask(() => document.querySelector('#buttons fieldset[data-group="Shadows"]').append(button));

document.addEventListener("keyup", (event) => {
  if (event.key === "c" || event.key === "C") {
    compare(false);
  }
});

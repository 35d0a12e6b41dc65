// The program's menu, the page's own in the WAI-ARIA menu pattern, and the same items as
// buttons under the picture, with a button for each key that has no item, Copy link, and the
// stencil view's finger button. The program's items come through showMenu.
import { menuCorner } from "./page-helpers.js";
import { pictureLink } from "./page-address.js";
import { fingersPoint, setFingerPoints } from "./page-input.js";
import { running, sayBriefly } from "./page-status.js";

const menu = document.getElementById("menu");
const buttons = document.getElementById("buttons");
let focusBeforeMenu = null;

function menuItems() {
  return [...menu.querySelectorAll("[role=menuitem]")];
}

// At the point given in the window's CSS pixels, kept inside the window; the first item
// takes the focus.
export function openMenu(x, y) {
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

export function closeMenu(returnFocus) {
  if (menu.hidden) {
    return;
  }
  const focusInMenu = menu.contains(document.activeElement);
  menu.hidden = true;
  if (returnFocus && focusInMenu && focusBeforeMenu?.isConnected) {
    focusBeforeMenu.focus({ preventScroll: true });
  }
}

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

function button(text = "") {
  const element = document.createElement("button");
  element.type = "button";
  element.textContent = text;
  return element;
}

// The program relabels its items whenever a switch changes: the elements stay, so a
// button keeps the focus.
const menuButtons = [];
const pageButtons = [];

// A key with no menu item has a button of its own after the menu's, made from its row in
// the table of controls.
const keyButtons = [...document.querySelectorAll("#controls tr[data-button]")].map((row) => {
  const element = button(row.dataset.button);
  element.addEventListener("click", () => {
    if (running()) {
      Module._pageKey(row.dataset.key.charCodeAt(0));
    }
  });
  buttons.append(element);
  return element;
});

// Copies the address of the picture as it stands, without "embed". Where the browser
// refuses the clipboard, the link waits selected in a field instead.
const linkField = document.getElementById("link");
const copyButton = button("Copy link");
copyButton.addEventListener("click", async () => {
  const link = pictureLink();
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
buttons.append(copyButton);

// The stencil view's own button, after the others while the view is on: a finger on the
// picture moves the light, or points at a pixel to show its history.
const fingerButton = button();
fingerButton.hidden = true;
function setFingerButton(on) {
  setFingerPoints(on);
  fingerButton.textContent = on ? "Finger moves the light (now points at a pixel)"
                                : "Finger points at a pixel (now moves the light)";
  fingerButton.setAttribute("aria-pressed", `${on}`);
}
fingerButton.addEventListener("click", () => setFingerButton(!fingersPoint()));
setFingerButton(false);
buttons.append(fingerButton);

// Shown while the stencil view is on; once it is off, a finger moves the light again.
export function showFingerButton(on) {
  fingerButton.hidden = !on;
  if (!on) {
    setFingerButton(false);
  }
}

function item(list, index, make) {
  if (!list[index]) {
    const element = make();
    element.addEventListener("click", () => choose(Number(element.dataset.value)));
    list[index] = element;
  }
  return list[index];
}

// The program's items ({ label, value } each), in the menu and as buttons; those that went
// with a mode go from both.
export function showMenu(items) {
  items.forEach(({ label, value }, index) => {
    const entry = item(menuButtons, index, () => {
      const element = button();
      element.setAttribute("role", "menuitem");
      element.tabIndex = -1;
      const listItem = document.createElement("li");
      listItem.setAttribute("role", "none");
      listItem.append(element);
      menu.append(listItem);
      return element;
    });
    const pageButton = item(pageButtons, index, () => {
      const element = button();
      buttons.insertBefore(element, keyButtons[0] ?? copyButton);
      return element;
    });
    for (const element of [entry, pageButton]) {
      element.textContent = label;
      element.dataset.value = value;
    }
  });
  for (const element of menuButtons.splice(items.length)) {
    element.parentElement.remove();
  }
  for (const element of pageButtons.splice(items.length)) {
    element.remove();
  }
}

// Once the program has ended, no button does anything.
export function disableButtons() {
  for (const element of buttons.querySelectorAll("button")) {
    element.disabled = true;
  }
}

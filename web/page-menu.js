// The program's menu, the page's own in the WAI-ARIA menu pattern, and the same items as
// buttons beside or under the picture, each in its group (index.html lists the groups), with
// a button for each key that has no item, Copy link, and the stencil view's finger button in
// theirs. The program's items come through showMenu.
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

// A group's box, by its name in the program's items and in index.html.
function group(name) {
  const box = buttons.querySelector(`fieldset[data-group="${name}"]`);
  if (!box) {
    throw new Error(`index.html has no group "${name}"`);
  }
  return box;
}

function button(text = "") {
  const element = document.createElement("button");
  element.type = "button";
  element.textContent = text;
  return element;
}

// The program relabels its items whenever a switch changes: the elements stay, so a
// button keeps the focus. The menu's entries go by their place, the buttons by their value,
// since the items that come with a mode join their own groups.
const menuButtons = [];
const pageButtons = new Map();

// A key with no menu item has a button of its own after the menu's in its group, made from
// its row in the table of controls.
for (const row of document.querySelectorAll("#controls tr[data-button]")) {
  const element = button(row.dataset.button);
  element.addEventListener("click", () => {
    if (running()) {
      Module._pageKey(row.dataset.key.charCodeAt(0));
    }
  });
  group(row.dataset.group).append(element);
}

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
group("Share").append(copyButton);

// The stencil view's own button, after the views' while the view is on: a finger on the
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
group("Views").append(fingerButton);

// Shown while the stencil view is on; once it is off, a finger moves the light again.
export function showFingerButton(on) {
  fingerButton.hidden = !on;
  if (!on) {
    setFingerButton(false);
  }
}

// The program's items ({ label, value, group } each), in the menu and as buttons; those that
// went with a mode go from both. A new button goes after the one before it in its group, or
// first, so the page's own stay last.
export function showMenu(items) {
  items.forEach(({ label, value }, index) => {
    if (!menuButtons[index]) {
      const element = button();
      element.setAttribute("role", "menuitem");
      element.tabIndex = -1;
      element.addEventListener("click", () => choose(Number(element.dataset.value)));
      const listItem = document.createElement("li");
      listItem.setAttribute("role", "none");
      listItem.append(element);
      menu.append(listItem);
      menuButtons[index] = element;
    }
    menuButtons[index].textContent = label;
    menuButtons[index].dataset.value = value;
  });
  for (const element of menuButtons.splice(items.length)) {
    element.parentElement.remove();
  }

  const values = new Set(items.map(({ value }) => value));
  for (const [value, element] of pageButtons) {
    if (!values.has(value)) {
      element.remove();
      pageButtons.delete(value);
    }
  }
  const lastInGroup = new Map();
  for (const { label, value, group: name } of items) {
    let element = pageButtons.get(value);
    if (!element) {
      element = button();
      element.addEventListener("click", () => choose(value));
      (lastInGroup.get(name) ?? group(name).querySelector("legend")).after(element);
      pageButtons.set(value, element);
    }
    element.textContent = label;
    lastInGroup.set(name, element);
  }
  buttons.hidden = false;
}

// Once the program has ended, no button does anything.
export function disableButtons() {
  for (const element of buttons.querySelectorAll("button")) {
    element.disabled = true;
  }
}

// The program's start-up and its GLUT handlers. The handlers change programState and ask
// GLUT for a redraw; only the display handlers draw, through the renderer.
#pragma once

#include <array>
#include <cstdio>

// Every lower-case 's' in the first argument asks for a single-buffered window and is
// acknowledged with a line on `out`; nothing else, and no later argument, counts.
// Returns the value for doubleBuffered: 1, or 0 once an 's' was seen.
int scanBufferingOption(int argc, char** argv, std::FILE* out);

// Everything before the main loop: GLUT, the option, the window, the scene, the handlers.
void startProgram(int& argc, char** argv);

// The two display handlers, exactly one of which GLUT has installed at any time.
void displayShadowView();
// Lasts one frame: once presented, it installs the shadow view for whatever redraw is next.
void displayPlainView();

// Esc: the process ends with status 0. In a browser the page stops all drawing and input
// and says that the program has ended.
void endProgram();

void onKey(unsigned char key, int x, int y);
// The arrow keys and Page Up / Page Down, by GLUT's numbers (GLUT_KEY_LEFT, ...).
void onSpecialKey(int key, int x, int y);
void onMouse(int button, int state, int x, int y);
void onDrag(int x, int y);
void onReshape(int width, int height);
// The idle work, one step per call: the tint's climb, and with soft shadows on, the next
// refinement of a picture that has stood still. Unregisters itself once neither has
// anything left to do.
void onIdle();
// The right-button menu. The first items act as the keys they name and pass those keys
// to onMenu as their values; the next two switch how the shadows are drawn, then the
// stepping mode and soft shadows.
struct MenuItem {
    const char* label;
    int value;
};
constexpr int MENU_TRANSLUCENT_SHADOWS = 256;
constexpr int MENU_STENCIL = 257;
constexpr int MENU_STEPPING = 258;
constexpr int MENU_SOFT_SHADOWS = 259;
constexpr int MENU_ITEM_COUNT = 7;
// The items with their labels as they stand now: the switches' labels follow the state.
std::array<MenuItem, MENU_ITEM_COUNT> menuItems();
// Shows the menu's items as they stand now, making the menu on the first call.
void showMenu();
void onMenu(int item);

#ifdef __EMSCRIPTEN__
// In a browser the page itself passes on every key, press, drag and size change (GLUT's
// listeners there would take keys from the whole page), the idle steps run on animation
// frames (GLUT's idle timer is too slow for the tint), the page shows the menu (GLUT has
// none there), and a lost GL context is waited for and set up again: see the end of
// program.cpp.
void startPageInput();
#endif

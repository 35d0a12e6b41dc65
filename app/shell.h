// What the program asks of the shell it runs in: a GLUT window on the desktop
// (app/window_shell.cpp), a web page in a browser (app/page_shell.cpp). The build links
// exactly one of them. Each passes its input on to the handlers in app/program.h; the
// program reaches its window or page only through these calls and GLUT's own.
#pragma once

#include <string>
#include <vector>

#include "state/pixel_history.h"
#include "state/stencil_legend.h"

// Before the window exists. GLUT takes its own options (-display, -geometry, ...) out of
// argv on the desktop; a page has none.
void startShell(int& argc, char** argv);

// Once the window and the scene exist: from now on the shell passes every key, press,
// drag and menu choice on to the handlers.
void attachHandlers();

// Runs the idle work (the tint's climb, soft shadows' refinement) until it has nothing
// left to do, unless it runs already. Left alone afterwards, the program uses no CPU.
void startIdleWork();

// The groups a person looks for a control in. The page shows its buttons under these
// names, in this order (web/index.html lists them, with its own buttons in theirs); the
// desktop's menu keeps the table's order, one flat menu.
enum class MenuGroup { Stepping, Shadows, Lights, Views, Teapot, Room, Board, Share, Program };

// One entry of the menu, the value the shell passes to onMenu when it is chosen, and the
// group it belongs to.
struct MenuItem {
    std::string label;
    int value;
    MenuGroup group;
};
inline bool operator==(const MenuItem& a, const MenuItem& b) {
    return a.label == b.label && a.value == b.value && a.group == b.group;
}
// Shows the menu with these items, making it on the first call; later calls relabel its
// items, and add or remove those at its end that come and go with a mode.
void showMenu(const std::vector<MenuItem>& items);

// The stepping mode's caption and the step's GL state as text (state/render_state_text.h),
// or both "" outside it. Neither goes into the picture, which stays exactly the frame the
// steps drew. Called whenever the step or the mode may have changed.
void showCaption(const std::string& caption, const std::string& stepState);

// The stencil view's legend (state/stencil_view.h's stencilViewLegendEntries) while the view
// is on, or none once it is off. The page shows it under the picture; the desktop prints it
// on standard output when the view comes on.
void showStencilLegend(const std::vector<LegendEntry>& legend);

// A pixel's history (state/pixel_history.h), or one without stages to take an old one away:
// on the page under the caption, on the desktop on standard output.
void showPixelHistory(const PixelHistory& history);

// The state text of the picture just drawn (state/state_text.h), after every frame of the
// shadow view: the page keeps it in its address, so that a reload or a link reopens the
// picture; a window has no address, and the desktop keeps nothing.
void showStateText(const std::string& text);

// What a key could not do and why, said where the program says things, without touching
// the picture: the window's title on the desktop, the status line on a page; "" when the
// next input comes.
void showNotice(const std::string& notice);

// Full screen on or off, as the state asks ('f'): the page through the browser's Fullscreen
// API, the desktop by filling the screen with the window and back to its former size. When
// the shell leaves full screen by its own means (a browser's Esc or its controls), it tells
// the program through onFullScreenLeft.
void showFullScreen(bool on);

// The Save items' files, named `name`: the picture as drawn (app/program.h's
// currentPicture), or the path's animation, `frames` frames of pathPicture at 10 a second.
// A page offers each as a download; the desktop writes it into the current folder. Returns
// what to say now: where the file went, or why it cannot be made; "" when the page says so
// itself once it is done.
std::string savePicture(const std::string& name);
std::string saveAnimation(const std::string& name, int frames);

// Esc outside full screen: the process ends with status 0. A page has no process to end:
// it stops all drawing and input and says that the program has ended.
void endProgram();

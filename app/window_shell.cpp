// The desktop's shell: a GLUT window, whose own callbacks carry the input to the handlers.
#include "app/window_shell.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/shell.h"
#include "image/gif_writer.h"
#include "image/png_writer.h"
#include "platform/opengl.h"
#include "state/program_state.h"

void startShell(int& argc, char** argv) {
    glutInit(&argc, argv);
}

namespace {

// While the compare key is held, the keyboard's repeats would let it go and press it again
// many times a second, and the picture would flicker between the passes.
void onKeyDown(unsigned char key, int x, int y) {
    if (key == 'c' || key == 'C') {
        glutIgnoreKeyRepeat(1);
    }
    onKey(key, x, y);
}

void onKeyRelease(unsigned char key, int x, int y) {
    if (key == 'c' || key == 'C') {
        glutIgnoreKeyRepeat(0);
    }
    onKeyUp(key, x, y);
}

}  // namespace

void attachHandlers() {
    glutKeyboardFunc(onKeyDown);
    glutKeyboardUpFunc(onKeyRelease);
    glutSpecialFunc(onSpecialKey);
    glutMouseFunc(onMouse);
    glutMotionFunc(onDrag);
    glutPassiveMotionFunc(onPoint);
}

void onMouse(int button, int state, int x, int y) {
    if (state == GLUT_DOWN) {
        onPress(button, (glutGetModifiers() & GLUT_ACTIVE_SHIFT) != 0, x, y);
    }
}

// ---- Idle work ------------------------------------------------------------------------

void startIdleWork() {
    glutIdleFunc(onIdle);
}

namespace {
void resumeIdleWork(int) {
    startIdleWork();
}
}  // namespace

// Once both rest, the handler unregisters itself, so a program left alone sleeps instead
// of spinning a core. While a drag goes on, the refinement waits on a timer instead: a
// spinning idle handler would take a core from the renderer's own threads.
void onIdle() {
    const bool tinting = stepTint();
    const Refinement refining = stepRefinement();
    if (tinting || refining == Refinement::Stepped) {
        return;
    }
    glutIdleFunc(nullptr);
    if (refining == Refinement::Waiting) {
        const int wait = std::max(1, millisecondsUntilStill());
        glutTimerFunc(static_cast<unsigned>(wait), resumeIdleWork, 0);
    }
}

// ---- What the program shows and how it ends -------------------------------------------

namespace {

int menu = 0;
// GLUT allows no change to a menu while it is open (freeglut ends the program), yet keys
// and timers still reach the program then: a change waits for the menu to close.
bool menuOpen = false;
std::vector<MenuItem> itemsWaiting;
bool itemsAreWaiting = false;

// Relabels the menu's entries, and adds or removes entries at its end. GLUT numbers
// entries from 1.
void setMenuItems(const std::vector<MenuItem>& items) {
    glutSetMenu(menu);
    const int shown = glutGet(GLUT_MENU_NUM_ITEMS);
    const int wanted = static_cast<int>(items.size());
    for (int entry = shown; entry > wanted; --entry) {
        glutRemoveMenuItem(entry);
    }
    for (int entry = 1; entry <= wanted; ++entry) {
        const MenuItem& item = items[static_cast<size_t>(entry) - 1];
        if (entry <= shown) {
            glutChangeToMenuEntry(entry, item.label.c_str(), item.value);
        } else {
            glutAddMenuEntry(item.label.c_str(), item.value);
        }
    }
}

// From a timer, since freeglut reports the menu closed before it counts it so.
void setWaitingItems(int) {
    if (itemsAreWaiting && !menuOpen) {
        itemsAreWaiting = false;
        setMenuItems(itemsWaiting);
    }
}

void onMenuStatus(int status, int, int) {
    menuOpen = status == GLUT_MENU_IN_USE;
    if (!menuOpen && itemsAreWaiting) {
        glutTimerFunc(0, setWaitingItems, 0);
    }
}

}  // namespace

// Made on the first call, on the right button.
void showMenu(const std::vector<MenuItem>& items) {
    if (menu == 0) {
        menu = glutCreateMenu(onMenu);
        glutAttachMenu(GLUT_RIGHT_BUTTON);
        glutMenuStatusFunc(onMenuStatus);
    }
    if (menuOpen) {
        itemsWaiting = items;
        itemsAreWaiting = true;
        return;
    }
    setMenuItems(items);
}

namespace {
std::string shownCaption;
std::string shownNotice;

// A notice while there is one, else the stepping mode's caption, else the program's title.
void showTitle() {
    const std::string& title = !shownNotice.empty() ? shownNotice : shownCaption;
    glutSetWindowTitle(title.empty() ? WINDOW_TITLE : title.c_str());
}
}  // namespace

// The caption in the window's title, which leaves the picture exactly the frame the steps
// drew, whatever the caption's length; the caption and the step's state on standard
// output, once each time the state shown changes.
void showCaption(const std::string& caption, const std::string& stepState) {
    static std::string printed;
    shownCaption = caption;
    showTitle();
    if (!stepState.empty() && stepState != printed) {
        std::printf("%s\n%s", caption.c_str(), stepState.c_str());
        std::fflush(stdout);
    }
    printed = stepState;
}

void showStencilLegend(const std::vector<LegendEntry>& legend) {
    if (!legend.empty()) {
        std::printf("Stencil view:\n%s", legendText(legend).c_str());
        std::fflush(stdout);
    }
}

void showPixelHistory(const PixelHistory& history) {
    if (!history.stages.empty()) {
        std::fputs(pixelHistoryText(history).c_str(), stdout);
        std::fflush(stdout);
    }
}

namespace {

std::string saidToo(const std::string& line) {
    std::puts(line.c_str());
    std::fflush(stdout);
    return line;
}

}  // namespace

// A window has no address to keep the state text in.
void showStateText(const std::string&) {}

void showNotice(const std::string& notice) {
    shownNotice = notice;
    showTitle();
}

// GLUT leaves full screen when the window is given a place and size again: those it had
// before.
void showFullScreen(bool on) {
    static int x = 0;
    static int y = 0;
    static int width = 0;
    static int height = 0;
    if (on) {
        x = glutGet(GLUT_WINDOW_X);
        y = glutGet(GLUT_WINDOW_Y);
        width = glutGet(GLUT_WINDOW_WIDTH);
        height = glutGet(GLUT_WINDOW_HEIGHT);
        glutFullScreen();
#ifdef GLUT_FULL_SCREEN
        // freeglut fills the screen only through a window manager that offers it (EWMH);
        // without one, the window covers the screen itself, as GLUT 3.7's glutFullScreen did.
        if (!glutGet(GLUT_FULL_SCREEN)) {
            glutPositionWindow(0, 0);
            glutReshapeWindow(glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT));
        }
#endif
    } else {
        glutPositionWindow(x, y);
        glutReshapeWindow(width, height);
    }
}

// Into the folder the program was started from, as a command-line user expects, replacing
// a file of the same name, and said on standard output as well as in the title.
std::string savePicture(const std::string& name) {
    const int width = programState.windowWidth;
    const int height = programState.windowHeight;
    const std::string failure = writePng(name, width, height, currentPicture());
    return saidToo(failure.empty() ? "Saved the picture as " + name + "." : failure);
}

std::string saveAnimation(const std::string& name, int frames) {
    const int width = programState.windowWidth;
    const int height = programState.windowHeight;
    const std::string failure =
        writeGif(name, width, height, frames, 100 / PATH_POSITIONS_PER_SECOND, pathPicture);
    return saidToo(failure.empty() ? "Saved the animation, " + std::to_string(frames) +
                                         " frames, as " + name + "."
                                   : failure);
}

// exit, not _exit: standard output is flushed on the way out.
void endProgram() {
    std::exit(0);
}

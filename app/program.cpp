// planar-shadows: start-up and every handler, in the order a user meets them.
#include "app/program.h"

#include <array>
#include <cstdlib>
#include <string>

#include "platform/opengl.h"
#include "state/pass_steps.h"
#include "state/program_state.h"
#include "state/renderer.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#include <emscripten/html5.h>
#endif

int scanBufferingOption(int argc, char** argv, std::FILE* out) {
    int doubleBuffered = 1;
    if (argc > 1) {
        for (const char* c = argv[1]; *c != '\0'; ++c) {
            if (*c == 's') {
                std::fputs("Single Buffered\n", out);
                doubleBuffered = 0;
            }
        }
    }
    return doubleBuffered;
}

// ---- Display --------------------------------------------------------------------------

void displayShadowView() {
    drawShadowView();
    presentFrame();
}

void displayPlainView() {
    drawPlainView();
    presentFrame();
    glutDisplayFunc(displayShadowView);
}

// ---- The stepping mode's captions -----------------------------------------------------

namespace {
constexpr const char* WINDOW_TITLE = "moving shadows, hit 't' and 'T'";

// In the stepping mode, "Step k of n: " and the current step's caption; else "".
std::string stepCaption() {
    const ProgramState& s = programState;
    if (!s.steppingPasses) {
        return "";
    }
    const PassSteps steps = passSteps(s.stencilShadows);
    const int step = clampedPassStep(s.passStep, s.stencilShadows);
    return "Step " + std::to_string(step) + " of " + std::to_string(steps.count) + ": " +
           steps[step].caption;
}

#ifdef __EMSCRIPTEN__
EM_JS(void, showPageCaption, (const char* text), { Module.showCaption(UTF8ToString(text)); });
#endif

// On the desktop the caption goes into the window's title, which leaves the picture exactly
// the frame the steps drew, whatever the caption's length; in a browser, where GLUT's title
// is the document's, into the page's caption beside the canvas.
void showStepCaption() {
    const std::string caption = stepCaption();
#ifdef __EMSCRIPTEN__
    showPageCaption(caption.c_str());
#else
    glutSetWindowTitle(caption.empty() ? WINDOW_TITLE : caption.c_str());
#endif
}

// Turns the stepping mode on at its first step, or off, and says so in the menu and the
// caption.
void setStepping(bool on) {
    programState.steppingPasses = on;
    programState.passStep = 1;
    showMenu();
    showStepCaption();
}

// The next or previous step; the steps stop at either end.
void changePassStep(int by) {
    ProgramState& s = programState;
    s.passStep = clampedPassStep(s.passStep + by, s.stencilShadows);
    showStepCaption();
}
}  // namespace

// ---- Keyboard -------------------------------------------------------------------------

namespace {
constexpr unsigned char KEY_ESCAPE = 27;
// Multiples of 15 are exact in float, so 't' then 'T' puts the teapot back exactly.
constexpr float TEAPOT_STEP = 15.0f;

// The light has moved, by a key or a drag: new shadow matrices, GL's light, and a frame to
// show them.
void lightMoved() {
    updateShadowMatrices();
    placeLight();
    glutPostRedisplay();
}
}  // namespace

#ifndef __EMSCRIPTEN__
// exit, not _exit: standard output is flushed on the way out.
void endProgram() {
    std::exit(0);
}
#endif

void onKey(unsigned char key, int, int) {
    switch (key) {
        case KEY_ESCAPE:
            endProgram();
            return;
        case 'b':
        case 'B':
            if (programState.steppingPasses) {
                setStepping(false);
            }
            glutDisplayFunc(displayShadowView);
            break;
        case '[':
        case ']':
            if (!programState.steppingPasses) {
                return;
            }
            changePassStep(key == ']' ? 1 : -1);
            glutDisplayFunc(displayShadowView);
            break;
        case 'n':
        case 'N':
            glutDisplayFunc(displayPlainView);
            break;
        case 't':
            programState.teapotOffsetX += TEAPOT_STEP;
            glutDisplayFunc(displayShadowView);
            break;
        case 'T':
            programState.teapotOffsetX -= TEAPOT_STEP;
            glutDisplayFunc(displayShadowView);
            break;
        default:
            return;
    }
    glutPostRedisplay();
}

// The arrow keys move the light across and up/down, Page Up and Page Down in depth (Page Up
// towards the back wall, as the top edge of a depth drag), one twentieth of the room's
// 200 units at a time, as a drag moves it.
void onSpecialKey(int key, int, int) {
    constexpr float LIGHT_STEP = 10.0f;
    LightPosition& light = programState.lightPosition;
    switch (key) {
        case GLUT_KEY_LEFT:
            light.x -= LIGHT_STEP;
            break;
        case GLUT_KEY_RIGHT:
            light.x += LIGHT_STEP;
            break;
        case GLUT_KEY_UP:
            light.y += LIGHT_STEP;
            break;
        case GLUT_KEY_DOWN:
            light.y -= LIGHT_STEP;
            break;
        case GLUT_KEY_PAGE_UP:
            light.z -= LIGHT_STEP;
            break;
        case GLUT_KEY_PAGE_DOWN:
            light.z += LIGHT_STEP;
            break;
        default:
            return;
    }
    lightMoved();
}

// ---- Mouse ----------------------------------------------------------------------------

namespace {

// A press of a button, with Shift held or not: what the desktop's GLUT and a web page both
// pass on.
void pressButton(int button, bool shiftHeld, int x, int y) {
    // Shift turns the left button into the middle one, for two-button mice.
    if (button == GLUT_LEFT_BUTTON && shiftHeld) {
        button = GLUT_MIDDLE_BUTTON;
    }
    if (button == GLUT_LEFT_BUTTON) {
        programState.dragMode = DRAG_XY;
        onDrag(x, y);
    } else if (button == GLUT_MIDDLE_BUTTON) {
        programState.dragMode = DRAG_Z;
        onDrag(x, y);
    }
}

}  // namespace

void onMouse(int button, int state, int x, int y) {
    if (state == GLUT_DOWN) {
        pressButton(button, (glutGetModifiers() & GLUT_ACTIVE_SHIFT) != 0, x, y);
    }
}

// The window spans the room's cross-section: left edge x = -100, right edge x = 100,
// top y = 100, bottom y = -100. In depth the bottom edge is the open front (z = -320)
// and the top edge the back wall (z = -520). Nothing is clamped: dragged beyond the
// window, the light leaves the room.
void onDrag(int x, int y) {
    ProgramState& s = programState;
    const int width = s.windowWidth;
    const int height = s.windowHeight;
    // Before the first reshape, or while minimised, there is no mapping to make.
    if (width == 0 || height == 0) {
        return;
    }
    if (s.dragMode == DRAG_XY) {
        s.lightPosition.x = static_cast<float>((x - width) * 200.0 / width + 100.0);
        s.lightPosition.y = static_cast<float>((height - y) * 200.0 / height - 100.0);
    } else {
        s.lightPosition.z = static_cast<float>(-320.0 - (height - y) * 200.0 / height);
    }
    lightMoved();
}

// ---- Window ---------------------------------------------------------------------------

void onReshape(int width, int height) {
    programState.windowWidth = width;
    programState.windowHeight = height;
    setViewport(width, height);
}

// Raises the tint by one step per call up to just below 1.0. The level shows only in
// frames that something else causes. Once it rests, the handler unregisters itself,
// so a program left alone sleeps instead of spinning a core.
void onIdle() {
    constexpr double TINT_STEP = 0.00025;
    const double sum = programState.tintLevel + TINT_STEP;
    programState.tintLevel = static_cast<float>(sum);
    if (sum > 1.0) {
        programState.tintLevel = static_cast<float>(programState.tintLevel - TINT_STEP);
        glutIdleFunc(nullptr);
    }
    glutDisplayFunc(displayShadowView);
}

// ---- Menu -----------------------------------------------------------------------------

void onMenu(int item) {
    if (item == MENU_TRANSLUCENT_SHADOWS) {
        programState.translucentShadows = !programState.translucentShadows;
    } else if (item == MENU_STENCIL) {
        programState.stencilShadows = !programState.stencilShadows;
        // The other mode may have fewer steps; the step held stays if it can.
        if (programState.steppingPasses) {
            changePassStep(0);
        }
    } else if (item == MENU_STEPPING) {
        setStepping(!programState.steppingPasses);
    } else {
        onKey(static_cast<unsigned char>(item), 0, 0);
        return;
    }
    showMenu();
    glutPostRedisplay();
}

// No item for the plain view: closing the menu redraws the window, and the plain view
// lasts one frame, so such an item would show nothing. The switches say how the frame is
// drawn now and what choosing them does.
std::array<MenuItem, MENU_ITEM_COUNT> menuItems() {
    const ProgramState& s = programState;
    return {{
        {"Move teapot right (t)", 't'},
        {"Move teapot left (T)", 'T'},
        {"Quit (Esc)", KEY_ESCAPE},
        {s.translucentShadows ? "Opaque shadows (now translucent)"
                              : "Translucent shadows (now opaque)",
         MENU_TRANSLUCENT_SHADOWS},
        {s.stencilShadows ? "Shadows without the stencil (now with)"
                          : "Shadows with the stencil (now without)",
         MENU_STENCIL},
        {s.steppingPasses ? "Whole frame (now step by step)" : "Step by step, [ and ] (now off)",
         MENU_STEPPING},
    }};
}

#ifndef __EMSCRIPTEN__
// Made on the first call, on the right button; later calls relabel its items.
void showMenu() {
    static int menu = 0;
    const std::array<MenuItem, MENU_ITEM_COUNT> items = menuItems();
    if (menu == 0) {
        menu = glutCreateMenu(onMenu);
        for (const MenuItem& item : items) {
            glutAddMenuEntry(item.label, item.value);
        }
        glutAttachMenu(GLUT_RIGHT_BUTTON);
        return;
    }
    glutSetMenu(menu);
    for (int entry = 0; entry < MENU_ITEM_COUNT; ++entry) {
        glutChangeToMenuEntry(entry + 1, items[entry].label, items[entry].value);
    }
}
#endif

// ---- Start-up -------------------------------------------------------------------------

void startProgram(int& argc, char** argv) {
#ifndef __EMSCRIPTEN__
    // GLUT takes its own options (-display, -geometry, ...) out of argv first. In a browser
    // the page hears all input itself (see the end of this file): Emscripten's glutInit
    // does nothing there but listen on the whole window, where it would take Tab, Enter
    // and Space from every control on the page and turn touches into mouse clicks.
    glutInit(&argc, argv);
#endif
    // Set after glutInit, so a -geometry option cannot change the size.
    glutInitWindowSize(512, 512);
    programState.doubleBuffered = scanBufferingOption(argc, argv, stdout);
    const unsigned buffering = programState.doubleBuffered ? GLUT_DOUBLE : GLUT_SINGLE;
    glutInitDisplayMode(GLUT_RGB | GLUT_DEPTH | GLUT_STENCIL | buffering);
    // Only a browser without WebGL 2 gives no window (freeglut exits itself): nothing can
    // be drawn then, and the page says why.
    if (glutCreateWindow(WINDOW_TITLE) == 0) {
        return;
    }

    prepareShadowReceivers();
    initScene();

    glutDisplayFunc(displayShadowView);
    glutReshapeFunc(onReshape);
#ifdef __EMSCRIPTEN__
    startPageInput();
#else
    glutKeyboardFunc(onKey);
    glutSpecialFunc(onSpecialKey);
    glutMouseFunc(onMouse);
    glutMotionFunc(onDrag);
    glutIdleFunc(onIdle);
#endif
    showMenu();
}

// ---- In a browser ---------------------------------------------------------------------
// What the page (web/index.html) passes on to the same handlers the desktop's GLUT calls.
// The page hears every key, press, drag and size change itself; GLUT here only keeps the
// display and reshape handlers and schedules the redraws, at most one per animation frame.

#ifdef __EMSCRIPTEN__
namespace {

// On the desktop the idle handler runs as often as the main loop turns, and the tint rests
// about a tenth of a second after start-up. GLUT's idle here is a 4 ms timer, on which the
// 4001 steps would take 16 s, so the same handler runs this many times per animation frame
// instead: 21 frames, a third of a second.
constexpr int IDLE_STEPS_PER_FRAME = 200;

bool programEnded = false;
// A browser may take the GL context away (a background tab, a GPU reset); until it gives
// it back nothing is drawn and the idle steps wait.
bool contextLost = false;
bool tintAtRest = false;

EM_BOOL runIdleSteps(double, void*) {
    for (int step = 0; step < IDLE_STEPS_PER_FRAME && !programEnded && !contextLost; ++step) {
        const float before = programState.tintLevel;
        onIdle();
        // A tint at rest no longer changes: this is where the desktop's idle handler
        // unregisters itself, and the animation frames stop here too.
        if (programState.tintLevel == before) {
            tintAtRest = true;
            return EM_FALSE;
        }
    }
    return programEnded || contextLost ? EM_FALSE : EM_TRUE;
}

// Stands in for the display handler while the context is lost: a redraw already asked for
// finds nothing to draw into.
void displayNothing() {}

EM_JS(void, clearPageMenu, (), { Module.clearMenu(); });

EM_JS(void, addPageMenuItem, (const char* label, int value),
      { Module.addMenuItem(UTF8ToString(label), value); });

EM_JS(void, showProgramEnded, (), { Module.programEnded(); });

EM_JS(void, showContextLost, (int lost), { Module.contextLost(lost); });

// The browser restores a lost context only if the page asks for it by preventing the
// event's default, which returning true does.
EM_BOOL onContextLost(int, const void*, void*) {
    contextLost = true;
    glutDisplayFunc(displayNothing);
    showContextLost(1);
    return EM_TRUE;
}

// Every GL object went with the old context: the renderer makes them all again, and the
// same state is drawn at the canvas's size as it is now.
EM_BOOL onContextRestored(int, const void*, void*) {
    contextLost = false;
    initScene();
    int width = 0;
    int height = 0;
    emscripten_get_canvas_element_size("#canvas", &width, &height);
    onReshape(width, height);
    glutDisplayFunc(displayShadowView);
    glutPostRedisplay();
    if (!tintAtRest && !programEnded) {
        emscripten_request_animation_frame_loop(runIdleSteps, nullptr);
    }
    showContextLost(0);
    return EM_TRUE;
}

}  // namespace

// Called by the page, only while the program runs and has its context. Positions arrive
// in the drawing buffer's pixels from the canvas's top left, as GLUT gives them on the
// desktop, and drags outside the canvas too: the page captures the pointer on a press, as
// the desktop's pointer grab does.
extern "C" {
// A character typed (its code, below 128), or 27 for Esc.
EMSCRIPTEN_KEEPALIVE void pageKey(int key) {
    onKey(static_cast<unsigned char>(key), 0, 0);
}
// An arrow key or Page Up / Page Down, by GLUT's number for it.
EMSCRIPTEN_KEEPALIVE void pageSpecialKey(int key) {
    onSpecialKey(key, 0, 0);
}
// GLUT's left (0) or middle (1) button; GLUT knows no modifiers here, so the page says
// whether Shift is held.
EMSCRIPTEN_KEEPALIVE void pagePress(int button, int shiftHeld, int x, int y) {
    pressButton(button, shiftHeld != 0, x, y);
}
EMSCRIPTEN_KEEPALIVE void pageDrag(int x, int y) {
    onDrag(x, y);
}
EMSCRIPTEN_KEEPALIVE void pageMenu(int item) {
    onMenu(item);
}
// The drawing buffer's new size. Resizing it clears it, so a frame follows, as GLUT
// redraws after a reshape on the desktop.
EMSCRIPTEN_KEEPALIVE void pageReshape(int width, int height) {
    onReshape(width, height);
    glutPostRedisplay();
}
// For the browser tests, which wait for the tint to rest before they compare frames.
EMSCRIPTEN_KEEPALIVE float pageTintLevel() {
    return programState.tintLevel;
}
}

void startPageInput() {
    emscripten_request_animation_frame_loop(runIdleSteps, nullptr);
    emscripten_set_webglcontextlost_callback("#canvas", nullptr, EM_FALSE, onContextLost);
    emscripten_set_webglcontextrestored_callback("#canvas", nullptr, EM_FALSE, onContextRestored);
}

void showMenu() {
    clearPageMenu();
    for (const MenuItem& item : menuItems()) {
        addPageMenuItem(item.label, item.value);
    }
}

// A page has no process to end: the program stops its idle steps, and the page stops all
// input, keeps the last frame and says that reloading starts the program again.
void endProgram() {
    programEnded = true;
    showProgramEnded();
}
#endif

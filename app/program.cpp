// planar-shadows: start-up and every handler, in the order a user meets them.
#include "app/program.h"

#include <algorithm>
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

// ---- Soft shadows' refinement ---------------------------------------------------------
// While anything moves, the shadow view is drawn from the light's centre alone: the hard
// frame, at the hard frame's cost. Once the picture has stood still for a frame, each idle
// step draws it again from more points of the light, until all are in.

namespace {

// A frame at 60 Hz: the pointer has stopped for at least that long before refining starts.
constexpr int STILL_MILLISECONDS = 17;
// The first refinement step draws from a quarter of the light's points, the second from
// all: one more step than drawing all at once, and a third less work than doubling.
constexpr int FIRST_REFINEMENT_SAMPLES = LIGHT_SAMPLE_COUNT / 4;

int lastChange = 0;
// The plain view is on screen: nothing to refine until the shadow view is back.
bool plainViewShown = false;

// Registers the idle work if it is not registered: glutIdleFunc on the desktop, the
// animation frames in a browser (at the end of this file).
void startIdleWork();

// The picture changes: back to the hard frame, and refine from there once it stands still.
void restartRefinement() {
    programState.lightSamples = 1;
    lastChange = glutGet(GLUT_ELAPSED_TIME);
}

bool refinementPending() {
    const ProgramState& s = programState;
    return s.softShadows && s.lightSamples < LIGHT_SAMPLE_COUNT && !plainViewShown;
}

int millisecondsUntilStill() {
    return lastChange + STILL_MILLISECONDS - glutGet(GLUT_ELAPSED_TIME);
}

enum class Refinement { Done, Waiting, Stepped };

// One step: the next sample count, drawn by the redraw it asks for. Waiting while the
// picture has changed too recently; done once there is nothing left to refine.
Refinement stepRefinement() {
    if (!refinementPending()) {
        return Refinement::Done;
    }
    if (millisecondsUntilStill() > 0) {
        return Refinement::Waiting;
    }
    int& samples = programState.lightSamples;
    samples = samples < FIRST_REFINEMENT_SAMPLES ? FIRST_REFINEMENT_SAMPLES : LIGHT_SAMPLE_COUNT;
    glutPostRedisplay();
    return Refinement::Stepped;
}

}  // namespace

// ---- Display --------------------------------------------------------------------------

// A soft picture that is not refined yet gets refined from here, whatever redrew it.
void displayShadowView() {
    drawShadowView();
    presentFrame();
    plainViewShown = false;
    if (refinementPending()) {
        startIdleWork();
    }
}

void displayPlainView() {
    drawPlainView();
    presentFrame();
    plainViewShown = true;
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
// The light's radius with soft shadows on, in room units; 2.5 and its multiples are exact.
constexpr float LIGHT_RADIUS_STEP = 2.5f;
constexpr float LARGEST_LIGHT_RADIUS = 20.0f;

// '+' and '-' with soft shadows on; false when nothing changes.
bool resizeLight(float step) {
    ProgramState& s = programState;
    if (!s.softShadows) {
        return false;
    }
    const float radius = std::clamp(s.lightRadius + step, 0.0f, LARGEST_LIGHT_RADIUS);
    if (radius == s.lightRadius) {
        return false;
    }
    s.lightRadius = radius;
    return true;
}

// The light has moved, by a key or a drag: new shadow matrices, GL's light, and a frame to
// show them, hard until the light stands still again.
void lightMoved() {
    updateShadowMatrices();
    placeLight();
    restartRefinement();
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
            restartRefinement();
            break;
        case 'T':
            programState.teapotOffsetX -= TEAPOT_STEP;
            glutDisplayFunc(displayShadowView);
            restartRefinement();
            break;
        // '=' is '+' without Shift on most keyboards.
        case '+':
        case '=':
        case '-':
            if (!resizeLight(key == '-' ? -LIGHT_RADIUS_STEP : LIGHT_RADIUS_STEP)) {
                return;
            }
            restartRefinement();
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

// A new size redraws the whole picture: hard while the window is being resized.
void onReshape(int width, int height) {
    programState.windowWidth = width;
    programState.windowHeight = height;
    setViewport(width, height);
    restartRefinement();
}

namespace {

// Raises the tint by one step per call up to just below 1.0, where it rests; false once a
// step no longer changes it. The level shows only in frames that something else causes.
bool stepTint() {
    constexpr double TINT_STEP = 0.00025;
    const float before = programState.tintLevel;
    const double sum = before + TINT_STEP;
    programState.tintLevel = static_cast<float>(sum);
    if (sum > 1.0) {
        programState.tintLevel = static_cast<float>(programState.tintLevel - TINT_STEP);
    }
    if (programState.tintLevel == before) {
        return false;
    }
    glutDisplayFunc(displayShadowView);
    return true;
}

}  // namespace

#ifndef __EMSCRIPTEN__
namespace {
void resumeIdleWork(int) {
    startIdleWork();
}
}  // namespace
#endif

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
#ifndef __EMSCRIPTEN__
    if (refining == Refinement::Waiting) {
        const int wait = std::max(1, millisecondsUntilStill());
        glutTimerFunc(static_cast<unsigned>(wait), resumeIdleWork, 0);
    }
#endif
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
    } else if (item == MENU_SOFT_SHADOWS) {
        // Where the stencil cannot count the samples, the switch stays off.
        programState.softShadows = !programState.softShadows && programState.softShadowsAvailable;
    } else {
        onKey(static_cast<unsigned char>(item), 0, 0);
        return;
    }
    restartRefinement();
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
        {!s.softShadowsAvailable ? "Soft shadows (not here: the stencil is too small)"
         : s.softShadows         ? "Hard shadows (now soft, +/- sizes the light)"
                                 : "Soft shadows (now hard)",
         MENU_SOFT_SHADOWS},
    }};
}

#ifndef __EMSCRIPTEN__
namespace {
void startIdleWork() {
    glutIdleFunc(onIdle);
}
}  // namespace

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
    programState.softShadowsAvailable = canDrawSoftShadows();

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
bool idleStepsRunning = false;
// A browser may take the GL context away (a background tab, a GPU reset); until it gives
// it back nothing is drawn and the idle steps wait.
bool contextLost = false;
bool tintAtRest = false;

// The tint's steps, and one refinement step, whose redraw comes on the next animation
// frame. Where the desktop's idle handler unregisters itself, the animation frames stop.
EM_BOOL runIdleSteps(double, void*) {
    const bool stopped = programEnded || contextLost;
    bool tinting = !stopped && !tintAtRest;
    for (int step = 0; step < IDLE_STEPS_PER_FRAME && tinting; ++step) {
        tinting = stepTint();
    }
    tintAtRest = tintAtRest || (!stopped && !tinting);
    const bool refining = !stopped && stepRefinement() != Refinement::Done;
    idleStepsRunning = tinting || refining;
    return idleStepsRunning ? EM_TRUE : EM_FALSE;
}

void startIdleWork() {
    if (!idleStepsRunning && !programEnded && !contextLost) {
        idleStepsRunning = true;
        emscripten_request_animation_frame_loop(runIdleSteps, nullptr);
    }
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
    if (!tintAtRest) {
        startIdleWork();
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
    startIdleWork();
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

// planar-shadows: start-up and every handler, in the order a user meets them.
#include "app/program.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "platform/opengl.h"
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

// ---- Mouse ----------------------------------------------------------------------------

void onMouse(int button, int state, int x, int y) {
    // Shift turns the left button into the middle one, for two-button mice.
    if (button == GLUT_LEFT_BUTTON && (glutGetModifiers() & GLUT_ACTIVE_SHIFT)) {
        button = GLUT_MIDDLE_BUTTON;
    }
    if (state != GLUT_DOWN) {
        return;
    }
    if (button == GLUT_LEFT_BUTTON) {
        programState.dragMode = DRAG_XY;
        onDrag(x, y);
    } else if (button == GLUT_MIDDLE_BUTTON) {
        programState.dragMode = DRAG_Z;
        onDrag(x, y);
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
    updateShadowMatrices();
    placeLight();
    restartRefinement();
    glutPostRedisplay();
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
// lasts one frame, so such an item would show nothing. The switches say how the shadows
// are drawn now and what choosing them does.
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
    // GLUT takes its own options (-display, -geometry, ...) out of argv first.
    glutInit(&argc, argv);
    // Set after glutInit, so a -geometry option cannot change the size.
    glutInitWindowSize(512, 512);
    programState.doubleBuffered = scanBufferingOption(argc, argv, stdout);
    const unsigned buffering = programState.doubleBuffered ? GLUT_DOUBLE : GLUT_SINGLE;
    glutInitDisplayMode(GLUT_RGB | GLUT_DEPTH | GLUT_STENCIL | buffering);
    glutCreateWindow("moving shadows, hit 't' and 'T'");

    prepareShadowReceivers();
    initScene();
    programState.softShadowsAvailable = canDrawSoftShadows();

    glutDisplayFunc(displayShadowView);
    glutKeyboardFunc(onKey);
    glutMouseFunc(onMouse);
    glutReshapeFunc(onReshape);
#ifdef __EMSCRIPTEN__
    startPageInput();
#else
    glutMotionFunc(onDrag);
    glutIdleFunc(onIdle);
#endif
    showMenu();
}

// ---- In a browser ---------------------------------------------------------------------
// What the page (web/index.html) passes on to the same handlers the desktop's GLUT calls.

#ifdef __EMSCRIPTEN__
namespace {

// On the desktop the idle handler runs as often as the main loop turns, and the tint rests
// about a tenth of a second after start-up. GLUT's idle here is a 4 ms timer, on which the
// 4001 steps would take 16 s, so the same handler runs this many times per animation frame
// instead: 21 frames, a third of a second.
constexpr int IDLE_STEPS_PER_FRAME = 200;

bool programEnded = false;
bool idleStepsRunning = false;

// The tint's steps, and one refinement step, whose redraw comes on the next animation
// frame. Where the desktop's idle handler unregisters itself, the animation frames stop.
EM_BOOL runIdleSteps(double, void*) {
    bool tinting = !programEnded;
    for (int step = 0; step < IDLE_STEPS_PER_FRAME && tinting; ++step) {
        tinting = stepTint();
    }
    const bool refining = !programEnded && stepRefinement() != Refinement::Done;
    idleStepsRunning = tinting || refining;
    return idleStepsRunning ? EM_TRUE : EM_FALSE;
}

void startIdleWork() {
    if (!idleStepsRunning && !programEnded) {
        idleStepsRunning = true;
        emscripten_request_animation_frame_loop(runIdleSteps, nullptr);
    }
}

EM_JS(void, clearPageMenu, (), { Module.clearMenu(); });

EM_JS(void, addPageMenuItem, (const char* label, int value),
      { Module.addMenuItem(UTF8ToString(label), value); });

EM_JS(void, showProgramEnded, (), { Module.programEnded(); });

}  // namespace

// Called by the page. Drags arrive in canvas pixels, from the top left, as GLUT gives them
// on the desktop, and outside the canvas too: the page captures the pointer on a press, as
// the desktop's pointer grab does. Presses still reach onMouse through GLUT, which knows
// the modifier keys held with them.
extern "C" {
EMSCRIPTEN_KEEPALIVE void pageDrag(int x, int y) {
    onDrag(x, y);
}
EMSCRIPTEN_KEEPALIVE void pageMenu(int item) {
    onMenu(item);
}
}

void startPageInput() {
    startIdleWork();
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

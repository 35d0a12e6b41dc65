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
    glutPostRedisplay();
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
        {s.steppingPasses ? "Whole frame (now step by step, [ and ])"
                          : "Step through the drawing with [ and ] (now whole frame)",
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
    // GLUT takes its own options (-display, -geometry, ...) out of argv first.
    glutInit(&argc, argv);
    // Set after glutInit, so a -geometry option cannot change the size.
    glutInitWindowSize(512, 512);
    programState.doubleBuffered = scanBufferingOption(argc, argv, stdout);
    const unsigned buffering = programState.doubleBuffered ? GLUT_DOUBLE : GLUT_SINGLE;
    glutInitDisplayMode(GLUT_RGB | GLUT_DEPTH | GLUT_STENCIL | buffering);
    glutCreateWindow(WINDOW_TITLE);

    prepareShadowReceivers();
    initScene();

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

EM_BOOL runIdleSteps(double, void*) {
    for (int step = 0; step < IDLE_STEPS_PER_FRAME && !programEnded; ++step) {
        const float before = programState.tintLevel;
        onIdle();
        // A tint at rest no longer changes: this is where the desktop's idle handler
        // unregisters itself, and the animation frames stop here too.
        if (programState.tintLevel == before) {
            return EM_FALSE;
        }
    }
    return programEnded ? EM_FALSE : EM_TRUE;
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
    emscripten_request_animation_frame_loop(runIdleSteps, nullptr);
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

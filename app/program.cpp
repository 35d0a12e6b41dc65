// planar-shadows: start-up and every handler, in the order a user meets them.
#include "app/program.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/shell.h"
#include "platform/opengl.h"
#include "state/program_state.h"
#include "state/renderer.h"
#include "state/shadow_pass.h"
#include "state/state_text.h"

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

// The picture changes: back to the hard frame, and refine from there once it stands still.
void restartRefinement() {
    programState.lightSamples = 1;
    lastChange = glutGet(GLUT_ELAPSED_TIME);
}

bool refinementPending() {
    const ProgramState& s = programState;
    return s.softShadows && s.lightSamples < LIGHT_SAMPLE_COUNT && !plainViewShown;
}

}  // namespace

int millisecondsUntilStill() {
    return lastChange + STILL_MILLISECONDS - glutGet(GLUT_ELAPSED_TIME);
}

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

// ---- Display --------------------------------------------------------------------------

// A soft picture that is not refined yet gets refined from here, whatever redrew it.
void displayShadowView() {
    drawRows(shadowViewRows(programState));
    presentFrame();
    showStateText(writeStateText(linkStateOf(programState)));
    plainViewShown = false;
    if (refinementPending()) {
        startIdleWork();
    }
}

void displayPlainView() {
    drawRows(plainViewRows(programState));
    presentFrame();
    plainViewShown = true;
    glutDisplayFunc(displayShadowView);
}

// ---- The stepping mode's captions -----------------------------------------------------

namespace {

// The menu's items as they stand now: the switches' labels follow the state (with the menu,
// below).
std::vector<MenuItem> menuItems();

// The current step's caption and its GL state, or nothing outside the stepping mode.
void showStepCaption() {
    showCaption(currentStepCaption(programState), currentStepStateText(programState));
}

// Turns the stepping mode on at its first step, or off, and says so in the menu and the
// caption.
void setStepping(bool on) {
    programState.steppingPasses = on;
    programState.passStep = 1;
    showMenu(menuItems());
    showStepCaption();
}

// The next or previous step; the steps stop at either end.
void changePassStep(int by) {
    ProgramState& s = programState;
    s.passStep = clampedPassStep(s.passStep + by, s.stencilShadows, s.lightCount);
    showStepCaption();
}

// Turns the stencil view on or off, with its legend and its menu item; a history shown
// goes with the view.
void setStencilView(bool on) {
    programState.showStencil = on;
    showMenu(menuItems());
    showStencilLegend(on ? stencilViewLegendEntries() : std::vector<LegendEntry>{});
    if (!on) {
        showPixelHistory({});
    }
}

// ---- What the program says ------------------------------------------------------------

// Whether a notice is shown: what a key could not do, until the next input.
bool noticeShown = false;

void tell(const std::string& notice) {
    showNotice(notice);
    noticeShown = true;
}

void endNotice() {
    if (noticeShown) {
        showNotice("");
        noticeShown = false;
    }
}
}  // namespace

// ---- Keyboard -------------------------------------------------------------------------

namespace {
constexpr unsigned char KEY_ESCAPE = 27;
// Multiples of 15 are exact in float, so 't' then 'T' puts the teapot back exactly.
constexpr float TEAPOT_STEP = 15.0f;
// The light's radius with soft shadows on, in room units; 2.5 and its multiples are exact.
constexpr float LIGHT_RADIUS_STEP = 2.5f;

// '+' and '-' with soft shadows on; false when nothing changes.
bool resizeLight(float step) {
    ProgramState& s = programState;
    if (!s.softShadows) {
        return false;
    }
    const float radius = std::clamp(s.lightRadius + step, 0.0f, MAX_LIGHT_RADIUS);
    if (radius == s.lightRadius) {
        return false;
    }
    s.lightRadius = radius;
    return true;
}

// A light has moved, by a key or a drag: new shadow matrices, GL's lights, and a frame to
// show them, hard until the light stands still again.
void lightMoved() {
    updateShadowMatrices();
    placeLights();
    restartRefinement();
    glutPostRedisplay();
}

// ---- The lights -----------------------------------------------------------------------

Light& selectedLight() {
    return programState.lights[programState.selectedLight];
}

// Where a drag or a key takes the selected light; a sun never stands at the room's centre.
void moveSelectedLight(const LightPosition& to) {
    if (selectedLight().sun && !canBeTheSun(to)) {
        tell(lightName(programState.selectedLight) +
             " is the sun, which cannot stand at the room's centre: it would shine from no "
             "direction.");
        return;
    }
    selectedLight().standsAt = to;
    lightMoved();
}

// A light has come or gone, or turned into the sun or back: a new frame, and the menu's
// labels and the stepping mode's steps, which follow the lights.
void lightsChanged() {
    lightMoved();
    showMenu(menuItems());
    if (programState.steppingPasses) {
        changePassStep(0);
    }
}

// 'l', 'L', '1' to '4' and 'u'; false, once it has said why, when the key can do nothing.
bool changeLights(unsigned char key) {
    ProgramState& s = programState;
    if (key == 'l' && !addLight()) {
        tell("There are four lights already, as many as there can be: L removes the last one.");
        return false;
    }
    if (key == 'L' && !removeLight()) {
        tell("Light 1 is the only light, and stays: l adds another.");
        return false;
    }
    if (key >= '1' && key <= '4') {
        const int light = key - '1';
        if (light >= s.lightCount) {
            tell("There is no light " + std::to_string(light + 1) + ": there " +
                 (s.lightCount == 1 ? "is 1" : "are " + std::to_string(s.lightCount)) +
                 ", and l adds another.");
            return false;
        }
        // Only the ring moves: a soft picture stays refined.
        s.selectedLight = light;
        showMenu(menuItems());
        return true;
    }
    if (key == 'u') {
        Light& light = selectedLight();
        if (!light.sun && !canBeTheSun(light.standsAt)) {
            tell(lightName(s.selectedLight) +
                 " stands at the room's centre, where the sun would shine from no direction: "
                 "move it first.");
            return false;
        }
        light.sun = !light.sun;
    }
    lightsChanged();
    return true;
}
}  // namespace

void onKey(unsigned char key, int, int) {
    endNotice();
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
        case 'v':
        case 'V':
            setStencilView(!programState.showStencil);
            glutDisplayFunc(displayShadowView);
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
        case 'l':
        case 'L':
        case '1':
        case '2':
        case '3':
        case '4':
        case 'u':
            if (!changeLights(key)) {
                return;
            }
            glutDisplayFunc(displayShadowView);
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

// The arrow keys move the selected light across and up/down, Page Up and Page Down in depth
// (Page Up towards the back wall, as the top edge of a depth drag), one twentieth of the
// room's 200 units at a time, as a drag moves it.
void onSpecialKey(int key, int, int) {
    endNotice();
    constexpr float LIGHT_STEP = 10.0f;
    LightPosition light = selectedLight().standsAt;
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
    moveSelectedLight(light);
}

// ---- Mouse ----------------------------------------------------------------------------

void onPress(int button, bool shiftHeld, int x, int y) {
    endNotice();
    // For two-button mice.
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

// The window spans the room's cross-section: left edge x = -100, right edge x = 100,
// top y = 100, bottom y = -100. In depth the bottom edge is the open front (z = -320)
// and the top edge the back wall (z = -520). Nothing is clamped: dragged beyond the
// window, the selected light leaves the room.
void onDrag(int x, int y) {
    ProgramState& s = programState;
    const int width = s.windowWidth;
    const int height = s.windowHeight;
    // Before the first reshape, or while minimised, there is no mapping to make.
    if (width == 0 || height == 0) {
        return;
    }
    LightPosition light = selectedLight().standsAt;
    if (s.dragMode == DRAG_XY) {
        light.x = static_cast<float>((x - width) * 200.0 / width + 100.0);
        light.y = static_cast<float>((height - y) * 200.0 / height - 100.0);
    } else {
        light.z = static_cast<float>(-320.0 - (height - y) * 200.0 / height);
    }
    moveSelectedLight(light);
}

// ---- A pixel's history -----------------------------------------------------------------
// Computed from real frames offscreen, which costs a frame per step: only once the pointer
// has rested on a pixel, not for every pixel it passes over.

namespace {

// Long enough for a hand to stop on a pixel, short enough to feel immediate.
constexpr int POINTER_REST_MILLISECONDS = 150;

int pointedX = 0;
int pointedY = 0;
// Each move starts a new wait; a timer from an earlier move finds a later number and does
// nothing, since GLUT's timers cannot be cancelled.
int pointerMoves = 0;

void showHistoryIfRested(int move) {
    if (move == pointerMoves && programState.showStencil) {
        showPixelHistory(pixelHistory(pointedX, pointedY));
    }
}

}  // namespace

void onPoint(int x, int y) {
    if (!programState.showStencil) {
        return;
    }
    pointedX = x;
    pointedY = y;
    glutTimerFunc(POINTER_REST_MILLISECONDS, showHistoryIfRested, ++pointerMoves);
}

// Each stage's rows drawn after the last one's into a spare target, the pixel read back
// after each. The window's own picture stays as it is.
PixelHistory pixelHistory(int x, int y) {
    const ProgramState& s = programState;
    if (x < 0 || y < 0 || x >= s.windowWidth || y >= s.windowHeight ||
        !openPixelProbe(s.windowWidth, s.windowHeight)) {
        return {};
    }
    const std::vector<HistoryStage> stages = pixelHistoryStages(s);
    std::vector<PixelSample> after;
    for (const HistoryStage& stage : stages) {
        drawRows(stage.rows);
        after.push_back(probePixel(x, y));
    }
    closePixelProbe();
    return pixelHistoryOf(x, y, stages, after, LIGHT_SAMPLE_COUNT);
}

// ---- Window ---------------------------------------------------------------------------

// A new size redraws the whole picture: hard while the window is being resized.
void onReshape(int width, int height) {
    programState.windowWidth = width;
    programState.windowHeight = height;
    setViewport(width, height);
    restartRefinement();
}

// ---- The tint -------------------------------------------------------------------------

bool stepTint() {
    const float before = programState.tintLevel;
    programState.tintLevel = nextTintLevel(before);
    if (programState.tintLevel == before) {
        return false;
    }
    glutDisplayFunc(displayShadowView);
    return true;
}

// ---- Menu -----------------------------------------------------------------------------

void onMenu(int item) {
    endNotice();
    if (item == MENU_NEXT_LIGHT) {
        const int next = (programState.selectedLight + 1) % programState.lightCount;
        onKey(static_cast<unsigned char>('1' + next), 0, 0);
        return;
    }
    if (item == MENU_TRANSLUCENT_SHADOWS) {
        programState.translucentShadows = !programState.translucentShadows;
        // The step that darkens shows its state drawn another way.
        showStepCaption();
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
    showMenu(menuItems());
    glutPostRedisplay();
}

namespace {

// No item for the plain view: closing the menu redraws the window, and the plain view
// lasts one frame, so such an item would show nothing. The switches say how the frame is
// drawn now and what choosing them does.
std::vector<MenuItem> menuItems() {
    const ProgramState& s = programState;
    std::vector<MenuItem> items = {
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
        {"Add a light, l (now " + std::to_string(s.lightCount) + " of 4)", 'l'},
        {"Remove the last light, L", 'L'},
        {"Next light, 1 to 4 (now " + std::to_string(s.selectedLight + 1) + ")", MENU_NEXT_LIGHT},
        {"Light " + std::to_string(s.selectedLight + 1) +
             (selectedLight().sun ? " as a point light, u (now the sun)"
                                  : " as the sun, u (now a point light)"),
         'u'},
        {s.showStencil ? "The frame, v (now the stencil view)" : "Stencil view, v (now off)", 'v'},
    };
    // After the switches, so the switches keep their places whichever modes are on.
    if (s.steppingPasses) {
        items.insert(items.end(), {{"Next step (])", ']'}, {"Previous step ([)", '['}});
    }
    if (s.softShadows) {
        items.insert(items.end(), {{"Larger light (+)", '+'}, {"Smaller light (-)", '-'}});
    }
    return items;
}

}  // namespace

// ---- A link's state ------------------------------------------------------------------

std::vector<std::string> onStateText(const std::string& text) {
    endNotice();
    LinkState link;
    const std::vector<std::string> unread = readStateText(text, link);
    applyLinkState(link, programState);
    // The tint is no part of a link: a link's picture shows it at rest, as a slide of it does.
    if (!text.empty()) {
        programState.tintLevel = restingTintLevel();
    }
    // Every switch at once: the menu, the legend, the caption and the lights follow.
    setStencilView(programState.showStencil);
    showStepCaption();
    lightMoved();
    glutDisplayFunc(displayShadowView);
    return unread;
}

// ---- Start-up -------------------------------------------------------------------------

void startProgram(int& argc, char** argv) {
    startShell(argc, argv);
    // Set after the shell's start, so a -geometry option cannot change the size.
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
    attachHandlers();
    startIdleWork();
    showMenu(menuItems());
}

// planar-shadows: start-up and every handler, in the order a user meets them.
#include "app/program.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/shell.h"
#include "platform/opengl.h"
#include "state/program_state.h"
#include "state/render_state_text.h"
#include "state/renderer.h"
#include "state/shadow_pass.h"
#include "state/state_text.h"
#include "state/stencil_view.h"

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
// step draws it again from more points of the light (state/shadow_pass.h), each step one
// frame of at most a batch of points, so input waits for at most one such frame.

namespace {

// A frame at 60 Hz: the pointer has stopped for at least that long before refining starts.
constexpr int STILL_MILLISECONDS = 17;

int lastChange = 0;
// The plain view is on screen: nothing to refine until the shadow view is back.
bool plainViewShown = false;

// The picture changes: back to the hard frame, and refine from there once it stands still.
void refineAnew() {
    restartRefinement(programState);
    lastChange = glutGet(GLUT_ELAPSED_TIME);
}

bool refinementPending() {
    const ProgramState& s = programState;
    return s.softShadows && s.firstLightSample + s.lightSamples < samplesAtRest(s) &&
           !plainViewShown;
}

void tell(const std::string& notice);

// Where the renderer cannot average batches, the picture rests at the first one, and says
// why it asked for more in vain.
void sayWhereRefinementStops() {
    const ProgramState& s = programState;
    if (s.softShadows && !s.batchesAveragable && s.restingLightSamples > LIGHT_SAMPLE_COUNT &&
        s.stencilShadows && !s.steppingPasses && !s.showStencil) {
        tell("Soft shadows rest at " + std::to_string(LIGHT_SAMPLE_COUNT) + " points of the " +
             "light, not " + std::to_string(s.restingLightSamples) +
             ": this GL cannot sum pictures in floating point (EXT_color_buffer_float).");
    }
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
    refineFurther(programState);
    if (!refinementPending()) {
        sayWhereRefinementStops();
    }
    glutPostRedisplay();
    return Refinement::Stepped;
}

// ---- Display --------------------------------------------------------------------------

namespace {

// The view the next redraw shows. The plain view lasts one frame: once shown, the shadow
// view is next again.
enum class View { Shadow, Plain };
View nextView = View::Shadow;

}  // namespace

// A soft picture that is not refined yet gets refined from here, whatever redrew it.
void displayShadowView() {
    const Frame frame = shadowViewFrame(programState);
    drawFrame(frame);
    presentFrame(frame);
    plainViewShown = false;
    if (refinementPending()) {
        startIdleWork();
    }
}

void displayPlainView() {
    const Frame frame = plainViewFrame(programState);
    drawFrame(frame);
    presentFrame(frame);
    plainViewShown = true;
    nextView = View::Shadow;
    glutDisplayFunc(displayShadowView);
}

// ---- What follows a change ------------------------------------------------------------
// Every handler changes programState (and which view is next), then hands over to settle(),
// which works out all that follows from the state as it now stands: so a new control only
// changes the state, and cannot forget a part.

namespace {

// The menu's items as they stand now: the switches' labels follow the state (with the menu,
// below).
std::vector<MenuItem> menuItems();

// What the shell shows beside the picture, as it was last shown: each part is shown anew
// only once it has changed.
struct Shown {
    std::vector<MenuItem> menu;
    std::string caption;
    std::string stepState;
    bool stencilView = false;
    bool fullScreen = false;
};
Shown shown;

// In the stepping mode the step's caption; else, with a variant of the pass, what it
// breaks, and while the right pass is compared with it, that it is.
std::string currentCaption(const ProgramState& s) {
    if (s.steppingPasses || s.variant == Variant::None) {
        return currentStepCaption(s);
    }
    if (s.comparing) {
        return std::string("The right pass, in place of variant ") + variantInfo(s.variant).name +
               ": let go of c to see the variant again.";
    }
    return variantExplanation(s.variant) + " Hold c to compare it with the right pass.";
}

// The menu, the stepping mode's caption and its step's GL state, the stencil view's legend
// (a history shown goes with the view) and the state text a link holds, as the state now
// stands.
void showWhatFollows() {
    const ProgramState& s = programState;
    const std::vector<MenuItem> items = menuItems();
    if (!(items == shown.menu)) {
        showMenu(items);
        shown.menu = items;
    }
    const std::string caption = currentCaption(s);
    const std::string stepState = currentStepStateText(s);
    if (caption != shown.caption || stepState != shown.stepState) {
        showCaption(caption, stepState);
        shown.caption = caption;
        shown.stepState = stepState;
    }
    if (s.showStencil != shown.stencilView) {
        showStencilLegend(s.showStencil ? stencilViewLegendEntries() : std::vector<LegendEntry>{});
        if (!s.showStencil) {
            showPixelHistory({});
        }
        shown.stencilView = s.showStencil;
    }
    if (s.fullScreen != shown.fullScreen) {
        showFullScreen(s.fullScreen);
        shown.fullScreen = s.fullScreen;
    }
    showStateText(writeStateText(linkStateOf(s)));
}

// What soft shadows are refined from: everything a link holds but the selection's ring, the
// step within the stepping mode and the stencil view, which keep the same shadows.
LinkState refinedFrom(const ProgramState& s) {
    LinkState link = linkStateOf(s);
    link.selectedLight = 0;
    link.step = link.step != 0 ? 1 : 0;
    link.showStencil = false;
    link.path.clear();
    return link;
}

// After a handler has changed the state: the shadow matrices follow the lights, the step
// stays within the mode's steps, a changed picture is drawn hard again and refined once it
// stands still, and the shell shows what follows.
void follow(const ProgramState& before) {
    ProgramState& s = programState;
    updateShadowMatrices();
    // A path is the selected light's: another light selected ends it.
    if (s.recording && s.selectedLight != before.selectedLight) {
        s.recording = false;
        tell("Recording stopped: another light is selected.");
    }
    if (s.steppingPasses) {
        s.passStep = clampedPassStep(s.passStep, stencilled(s), s.lightCount, receiving(s));
    }
    if (!(refinedFrom(before) == refinedFrom(s)) || before.windowWidth != s.windowWidth ||
        before.windowHeight != s.windowHeight) {
        refineAnew();
    }
    showWhatFollows();
}

// All that follows a handler's change, and the view asked for redrawn.
void settle(const ProgramState& before) {
    follow(before);
    glutDisplayFunc(nextView == View::Plain ? displayPlainView : displayShadowView);
    glutPostRedisplay();
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

// ---- The lights -----------------------------------------------------------------------

Light& selectedLight() {
    return programState.lights[programState.selectedLight];
}

// Where a drag or a key takes the selected light; false, once it has said why, where a sun
// would stand at the room's centre.
bool moveSelectedLight(const LightPosition& to) {
    if (selectedLight().sun && !canBeTheSun(to)) {
        tell(lightName(programState.selectedLight) +
             " is the sun, which cannot stand at the room's centre: it would shine from no "
             "direction.");
        return false;
    }
    selectedLight().standsAt = to;
    return true;
}

// ---- The board ------------------------------------------------------------------------

// 'k' adds or removes it; '(' and ')' tilt it forward and back, '{' and '}' move it left and
// right. False, once it has said why, when the key can do nothing: there is no board, or it
// would tilt too far or leave the room.
bool changeBoard(unsigned char key) {
    constexpr float BOARD_TILT_STEP = 10.0f;
    constexpr float BOARD_STEP = 10.0f;
    ProgramState& s = programState;
    if (key == 'k') {
        s.boardShown = !s.boardShown;
        s.board = BOARD_START;
        return true;
    }
    if (!s.boardShown) {
        tell("There is no board: k adds one.");
        return false;
    }
    BoardPlace to = s.board;
    to.tilt += key == ')' ? BOARD_TILT_STEP : key == '(' ? -BOARD_TILT_STEP : 0;
    to.x += key == '}' ? BOARD_STEP : key == '{' ? -BOARD_STEP : 0;
    if (std::abs(to.tilt) > BOARD_MOST_TILT) {
        tell("The board tilts no further than " + std::to_string(int(BOARD_MOST_TILT)) +
             " degrees either way.");
        return false;
    }
    if (!boardFits(to)) {
        tell("The board would leave the room.");
        return false;
    }
    s.board = to;
    return true;
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
        s.selectedLight = light;
    }
    if (key == 'u') {
        Light& light = selectedLight();
        if (!light.sun && !canBeTheSun(light.standsAt)) {
            tell(lightName(s.selectedLight) +
                 " stands at the room's centre, where the sun would shine from no direction: "
                 "move it first.");
            return false;
        }
        if (!light.sun && !sunCanFollow(s.path.at, s.path.at + s.path.length)) {
            tell(lightName(s.selectedLight) +
                 "'s path passes the room's centre, where the sun would shine from no "
                 "direction: record another first.");
            return false;
        }
        light.sun = !light.sun;
    }
    return true;
}
}  // namespace

void onKey(unsigned char key, int, int) {
    endNotice();
    const ProgramState before = programState;
    ProgramState& s = programState;
    switch (key) {
        // In full screen Esc only leaves it, as a browser's own Esc does.
        case KEY_ESCAPE:
            if (!s.fullScreen) {
                endProgram();
                return;
            }
            s.fullScreen = false;
            break;
        case 'f':
        case 'F':
            s.fullScreen = !s.fullScreen;
            break;
        case 'b':
        case 'B':
            if (s.steppingPasses) {
                s.steppingPasses = false;
                s.passStep = 1;
            }
            nextView = View::Shadow;
            break;
        case '[':
        case ']':
            if (!s.steppingPasses) {
                return;
            }
            s.passStep = clampedPassStep(s.passStep + (key == ']' ? 1 : -1), stencilled(s),
                                         s.lightCount, receiving(s));
            nextView = View::Shadow;
            break;
        case 'n':
        case 'N':
            nextView = View::Plain;
            break;
        // Held, the right pass in place of the variant; onKeyUp ends it.
        case 'c':
        case 'C':
            if (s.variant == Variant::None || s.comparing) {
                return;
            }
            s.comparing = true;
            nextView = View::Shadow;
            break;
        case 'v':
        case 'V':
            s.showStencil = !s.showStencil;
            nextView = View::Shadow;
            break;
        case 't':
        case 'T':
            s.teapotOffsetX += key == 't' ? TEAPOT_STEP : -TEAPOT_STEP;
            nextView = View::Shadow;
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
            nextView = View::Shadow;
            break;
        case 'k':
        case 'K':
        case '(':
        case ')':
        case '{':
        case '}':
            if (!changeBoard(key == 'K' ? 'k' : key)) {
                return;
            }
            nextView = View::Shadow;
            break;
        // '=' is '+' without Shift on most keyboards.
        case '+':
        case '=':
        case '-':
            if (!resizeLight(key == '-' ? -LIGHT_RADIUS_STEP : LIGHT_RADIUS_STEP)) {
                return;
            }
            break;
        default:
            return;
    }
    settle(before);
}

void onKeyUp(unsigned char key, int, int) {
    if ((key != 'c' && key != 'C') || !programState.comparing) {
        return;
    }
    const ProgramState before = programState;
    programState.comparing = false;
    nextView = View::Shadow;
    settle(before);
}

// The arrow keys move the selected light across and up/down, Page Up and Page Down in depth
// (Page Up towards the back wall, as the top edge of a depth drag), one twentieth of the
// room's 200 units at a time, as a drag moves it.
void onSpecialKey(int key, int, int) {
    endNotice();
    constexpr float LIGHT_STEP = 10.0f;
    const ProgramState before = programState;
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
    if (moveSelectedLight(light)) {
        settle(before);
    }
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
    const ProgramState before = programState;
    const int width = before.windowWidth;
    const int height = before.windowHeight;
    // Before the first reshape, or while minimised, there is no mapping to make.
    if (width == 0 || height == 0) {
        return;
    }
    LightPosition light = selectedLight().standsAt;
    if (before.dragMode == DRAG_XY) {
        light.x = static_cast<float>((x - width) * 200.0 / width + 100.0);
        light.y = static_cast<float>((height - y) * 200.0 / height - 100.0);
    } else {
        light.z = static_cast<float>(-320.0 - (height - y) * 200.0 / height);
    }
    if (moveSelectedLight(light)) {
        settle(before);
    }
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
        drawFrame(frameOf(s, stage.rows));
        after.push_back(probePixel(x, y));
    }
    closePixelProbe();
    return pixelHistoryOf(x, y, stages, after, historySamples(s));
}

// ---- Window ---------------------------------------------------------------------------

// A new size redraws the whole picture: hard while the window is being resized. GLUT
// redraws after a reshape by itself.
void onReshape(int width, int height) {
    const ProgramState before = programState;
    programState.windowWidth = width;
    programState.windowHeight = height;
    follow(before);
}

// Already out of full screen: the shell need not be asked again.
void onFullScreenLeft() {
    if (!programState.fullScreen) {
        return;
    }
    const ProgramState before = programState;
    programState.fullScreen = false;
    shown.fullScreen = false;
    settle(before);
}

// ---- The tint -------------------------------------------------------------------------

bool stepTint() {
    const float before = programState.tintLevel;
    programState.tintLevel = nextTintLevel(before);
    if (programState.tintLevel == before) {
        return false;
    }
    nextView = View::Shadow;
    glutDisplayFunc(displayShadowView);
    return true;
}

// ---- Recording the light's path, and saving what it animates --------------------------
// Ten times a second while recording, the selected light's position joins the path that a
// link carries and an animation is drawn from. The clock only says when to take the next
// one: every frame drawn from the path is drawn from a position's index.

namespace {

constexpr int PATH_INTERVAL_MILLISECONDS = 1000 / PATH_POSITIONS_PER_SECOND;

// Each recording's number, so that a timer left from an earlier one does nothing: GLUT's
// timers cannot be cancelled.
int recordings = 0;
int recordingStart = 0;

void keepPosition(int recording) {
    ProgramState& s = programState;
    if (recording != recordings || !s.recording) {
        return;
    }
    const ProgramState before = s;
    const LightPosition& at = s.lights[s.selectedLight].standsAt;
    s.path.at[s.path.length++] = onPathGrid({at.x, at.y, at.z});
    if (s.path.length == MAX_PATH_POSITIONS) {
        s.recording = false;
        tell("Recording stopped at " +
             std::to_string(MAX_PATH_POSITIONS / PATH_POSITIONS_PER_SECOND) +
             " s, the longest path a link holds.");
    } else {
        // Due from the start, so that a late timer does not push every later one back.
        const int due = recordingStart + s.path.length * PATH_INTERVAL_MILLISECONDS;
        glutTimerFunc(unsigned(std::max(0, due - glutGet(GLUT_ELAPSED_TIME))), keepPosition,
                      recording);
    }
    follow(before);
}

// Record anew from the position where the light stands now, or stop.
void switchRecording() {
    ProgramState& s = programState;
    s.recording = !s.recording;
    ++recordings;
    if (s.recording) {
        s.path.length = 0;
        recordingStart = glutGet(GLUT_ELAPSED_TIME);
        tell("Recording " + lightName(s.selectedLight) +
             "'s path: move it, and choose Record again to stop.");
        keepPosition(recordings);
    } else {
        tell("Recorded " + std::to_string(s.path.length) + " positions of " +
             lightName(s.selectedLight) + ", " +
             sayNumber(float(s.path.length) / PATH_POSITIONS_PER_SECOND) + " s.");
    }
}

// A file's name from what the picture shows: "planar-shadows.png" for the plain frame,
// "planar-shadows-step-3.png", "planar-shadows-soft-darken-with-less.png".
std::string fileName(const char* extension) {
    const ProgramState& s = programState;
    std::string name = "planar-shadows";
    const auto add = [&name](bool shown, const std::string& part) {
        name += shown ? "-" + part : "";
    };
    add(s.steppingPasses, "step-" + std::to_string(s.passStep));
    add(s.showStencil, "stencil-view");
    add(s.softShadows, "soft");
    add(s.translucentShadows, "translucent");
    add(!s.stencilShadows, "no-stencil");
    add(s.variant != Variant::None, variantInfo(s.variant).name);
    return name + extension;
}

void save(int item) {
    ProgramState& s = programState;
    if (item == MENU_SAVE_PICTURE) {
        tell(savePicture(fileName(".png")));
        return;
    }
    if (s.recording) {
        s.recording = false;
        showWhatFollows();
    }
    if (s.path.length == 0) {
        tell("There is no path to animate: Record one first, then move the light.");
        return;
    }
    const std::string said = saveAnimation(fileName(".gif"), s.path.length);
    if (!said.empty()) {
        tell(said);
    }
}

}  // namespace

// The frames at rest, as the snapshot tool draws them: every step of soft shadows'
// refinement drawn in turn, since the renderer averages the batches as they come.
std::vector<unsigned char> pathPicture(int index) {
    const ProgramState shown = programState;
    ProgramState& s = programState;
    const Point3& at = s.path.at[std::clamp(index, 0, std::max(0, s.path.length - 1))];
    s.lights[s.selectedLight].standsAt = {at.x, at.y, at.z, 1};
    updateShadowMatrices();
    restartRefinement(s);
    Frame frame = shadowViewFrame(s);
    drawFrame(frame);
    while (refineFurther(s)) {
        frame = shadowViewFrame(s);
        drawFrame(frame);
    }
    std::vector<unsigned char> rgb = readFrame(frame);
    programState = shown;
    updateShadowMatrices();
    // The average the window showed is gone: the picture is drawn hard and refined anew.
    refineAnew();
    displayShadowView();
    return rgb;
}

std::vector<unsigned char> currentPicture() {
    const Frame frame = shadowViewFrame(programState);
    drawFrame(frame);
    std::vector<unsigned char> rgb = readFrame(frame);
    presentFrame(frame);
    return rgb;
}

// ---- Menu -----------------------------------------------------------------------------

namespace {

// The room's face a menu item switches as a receiver, or null.
const Receiver* switchedFace(int item) {
    static constexpr Receiver FACES[] = {Receiver::BackWall, Receiver::RightWall,
                                         Receiver::Ceiling};
    return item >= MENU_BACK_WALL && item <= MENU_CEILING ? &FACES[item - MENU_BACK_WALL] : nullptr;
}

}  // namespace

void onMenu(int item) {
    endNotice();
    ProgramState& s = programState;
    if (item == MENU_NEXT_LIGHT) {
        const int next = (s.selectedLight + 1) % s.lightCount;
        onKey(static_cast<unsigned char>('1' + next), 0, 0);
        return;
    }
    const ProgramState before = s;
    if (item == MENU_TRANSLUCENT_SHADOWS) {
        s.translucentShadows = !s.translucentShadows;
    } else if (item == MENU_STENCIL) {
        s.stencilShadows = !s.stencilShadows;
        s.variant = Variant::None;
    } else if (item == MENU_STEPPING) {
        s.steppingPasses = !s.steppingPasses;
        s.passStep = 1;
    } else if (item == MENU_SOFT_SHADOWS) {
        // Where the stencil cannot count the samples, the switch stays off.
        s.softShadows = !s.softShadows && s.softShadowsAvailable;
    } else if (const Receiver* face = switchedFace(item)) {
        s.receivers ^= receiverBit(*face);
    } else if (item == MENU_RECORD) {
        switchRecording();
    } else if (item == MENU_SAVE_PICTURE || item == MENU_SAVE_ANIMATION) {
        save(item);
        return;
    } else if (item == MENU_NEXT_VARIANT) {
        const VariantInfo* next = &variantInfo(s.variant) + 1;
        s.variant = next == variantsEnd() ? Variant::None : next->variant;
        // Every variant breaks the stencilled pass, or, polygon-offset, stands in for it.
        s.stencilShadows = true;
        s.comparing = false;
    } else {
        onKey(static_cast<unsigned char>(item), 0, 0);
        return;
    }
    settle(before);
}

namespace {

// No item for the plain view: closing the menu redraws the window, and the plain view
// lasts one frame, so such an item would show nothing. The switches say how the frame is
// drawn now and what choosing them does.
std::vector<MenuItem> menuItems() {
    const ProgramState& s = programState;
    using G = MenuGroup;
    std::vector<MenuItem> items = {
        {"Move teapot right (t)", 't', G::Teapot},
        {"Move teapot left (T)", 'T', G::Teapot},
        {"Quit (Esc)", KEY_ESCAPE, G::Program},
        {s.translucentShadows ? "Opaque shadows (now translucent)"
                              : "Translucent shadows (now opaque)",
         MENU_TRANSLUCENT_SHADOWS, G::Shadows},
        {s.stencilShadows ? "Shadows without the stencil (now with)"
                          : "Shadows with the stencil (now without)",
         MENU_STENCIL, G::Shadows},
        {s.steppingPasses ? "Whole frame (now step by step)" : "Step by step, [ and ] (now off)",
         MENU_STEPPING, G::Stepping},
        {!s.softShadowsAvailable ? "Soft shadows (not here: the stencil is too small)"
         : s.softShadows         ? "Hard shadows (now soft, +/- sizes the light)"
                                 : "Soft shadows (now hard)",
         MENU_SOFT_SHADOWS, G::Shadows},
        {"Add a light, l (now " + std::to_string(s.lightCount) + " of 4)", 'l', G::Lights},
        {"Remove the last light, L", 'L', G::Lights},
        {"Next light, 1 to 4 (now " + std::to_string(s.selectedLight + 1) + ")", MENU_NEXT_LIGHT,
         G::Lights},
        {"Light " + std::to_string(s.selectedLight + 1) +
             (selectedLight().sun ? " as a point light, u (now the sun)"
                                  : " as the sun, u (now a point light)"),
         'u', G::Lights},
        {s.showStencil ? "The frame, v (now the stencil view)" : "Stencil view, v (now off)", 'v',
         G::Views},
    };
    for (const int item : {MENU_BACK_WALL, MENU_RIGHT_WALL, MENU_CEILING}) {
        std::string face = receiverName(*switchedFace(item));
        face[0] = static_cast<char>(face[0] - 'a' + 'A');
        items.push_back({face + ((s.receivers & receiverBit(*switchedFace(item))) != 0
                                     ? " takes no shadows (now it does)"
                                     : " takes shadows (now not)"),
                         item, G::Room});
    }
    items.push_back({s.boardShown ? "Remove the board, k" : "Add a board, k", 'k', G::Board});
    items.push_back(
        {std::string("Next variant of the pass (now ") + variantInfo(s.variant).name + ")",
         MENU_NEXT_VARIANT, G::Shadows});
    items.push_back({s.fullScreen ? "Leave full screen (f)" : "Full screen (f)", 'f', G::Views});
    // Labels no timer changes: GLUT may not relabel a menu while it is open, and the
    // recording goes on meanwhile.
    items.push_back({"Record the light's path, or stop (up to 20 s)", MENU_RECORD, G::Share});
    items.push_back({"Save picture (PNG)", MENU_SAVE_PICTURE, G::Share});
    items.push_back({"Save animation of the path (GIF)", MENU_SAVE_ANIMATION, G::Share});
    // After the switches, so the switches keep their places whichever modes are on.
    if (s.steppingPasses) {
        items.insert(items.end(), {{"Next step (])", ']', G::Stepping},
                                   {"Previous step ([)", '[', G::Stepping}});
    }
    if (s.softShadows) {
        items.insert(items.end(),
                     {{"Larger light (+)", '+', G::Lights}, {"Smaller light (-)", '-', G::Lights}});
    }
    if (s.boardShown) {
        items.insert(items.end(), {{"Tilt the board back, )", ')', G::Board},
                                   {"Tilt the board forward, (", '(', G::Board},
                                   {"Move the board right, }", '}', G::Board},
                                   {"Move the board left, {", '{', G::Board}});
    }
    return items;
}

}  // namespace

// ---- A link's state ------------------------------------------------------------------

std::vector<std::string> onStateText(const std::string& text) {
    endNotice();
    const ProgramState before = programState;
    LinkState link;
    const std::vector<std::string> unread = readStateText(text, link);
    applyLinkState(link, programState);
    programState.recording = false;
    // The tint is no part of a link: a link's picture shows it at rest, as a slide of it does.
    if (!text.empty()) {
        programState.tintLevel = restingTintLevel();
    }
    nextView = View::Shadow;
    settle(before);
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
    programState.batchesAveragable = canAverageBatches();
    warmUp(shadowViewFrame(programState));

    glutDisplayFunc(displayShadowView);
    glutReshapeFunc(onReshape);
    attachHandlers();
    startIdleWork();
    showWhatFollows();
}

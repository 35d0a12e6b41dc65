#include <gtest/gtest.h>
#include <unistd.h>

#include <gif_lib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "app/program.h"
#include "app/window_shell.h"
#include "platform/opengl.h"
#include "state/light_path.h"
#include "state/program_state.h"
#include "state/shadow_pass.h"
#include "state/state_text.h"
#include "tests/gl_window.h"
#include "tests/png_frame.h"

namespace {

// Paints the window one flat colour, so a later redraw, or its absence, shows.
void paintMarkerColour() {
    glClearColor(1, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    glFlush();
}

bool windowStillPainted() {
    const Pixel px = readFrame().at(5, 5);
    return px.r == 255 && px.g == 0 && px.b == 255;
}

bool sameState(const ProgramState& a, const ProgramState& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class Handlers : public testing::Test {
  protected:
    void SetUp() override {
        saved = programState;
        onReshape(512, 512);
        placeLightAt({50, 50, -320});
        programState.dragMode = DRAG_XY;
        pumpEvents();
    }
    void TearDown() override {
        programState = saved;
        onReshape(512, 512);
        placeLightAt({50, 50, -320});
        pumpEvents();
    }
    ProgramState saved;
};

// The selected light, where it stands and where GL has it.
void expectLight(float x, float y, float z) {
    const LightPosition& l = programState.lights[programState.selectedLight].standsAt;
    EXPECT_EQ(l.x, x);
    EXPECT_EQ(l.y, y);
    EXPECT_EQ(l.z, z);
    EXPECT_EQ(l.w, 1.0f);
    // GL's light follows with the redraw the handler asked for, in eye coordinates.
    pumpEvents();
    GLfloat gl[4] = {};
    glGetLightfv(GL_LIGHT0 + programState.selectedLight, GL_POSITION, gl);
    EXPECT_EQ(gl[0], x);
    EXPECT_EQ(gl[1], y);
    EXPECT_EQ(gl[2], z);
}

// Left, Up and Page Up are driven end to end; these are the other three, and a key the
// program does not use.
TEST_F(Handlers, ArrowAndPageKeysStepTheLightATwentiethOfTheRoom) {
    onSpecialKey(GLUT_KEY_RIGHT, 0, 0);
    expectLight(60, 50, -320);
    onSpecialKey(GLUT_KEY_DOWN, 0, 0);
    expectLight(60, 40, -320);
    onSpecialKey(GLUT_KEY_PAGE_DOWN, 0, 0);
    expectLight(60, 40, -310);
    onSpecialKey(GLUT_KEY_HOME, 0, 0);
    expectLight(60, 40, -310);
}

TEST_F(Handlers, LeftPressMapsTheWindowOntoTheRoomsCrossSection) {
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 256, 256);
    expectLight(0, 0, -320);
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
    expectLight(-100, 100, -320);
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 512, 512);
    expectLight(100, -100, -320);
    // Beyond the window edge the light leaves the room; nothing clamps it.
    onDrag(-256, 640);
    expectLight(-200, -150, -320);
    EXPECT_EQ(programState.dragMode, DRAG_XY);

    const Light& light = programState.lights[0];
    const ShadowMatrix floor =
        buildShadowMatrix(programState.planes[int(Receiver::Floor)], light.standsAt);
    EXPECT_EQ(0, std::memcmp(&floor, &light.shadowMatrices[int(Receiver::Floor)], sizeof floor));
    const ShadowMatrix wall =
        buildShadowMatrix(programState.planes[int(Receiver::LeftWall)], light.standsAt);
    EXPECT_EQ(0, std::memcmp(&wall, &light.shadowMatrices[int(Receiver::LeftWall)], sizeof wall));
}

TEST_F(Handlers, MiddlePressMovesTheLightInDepthOnly) {
    onMouse(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 17, 512);
    expectLight(50, 50, -320);
    EXPECT_EQ(programState.dragMode, DRAG_Z);
    onMouse(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 300, 0);
    expectLight(50, 50, -520);
    onDrag(0, 256);
    expectLight(50, 50, -420);
}

TEST_F(Handlers, ReleasesAndTheRightButtonKeepModeAndLight) {
    onMouse(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 0, 256);
    const ProgramState before = programState;
    onMouse(GLUT_LEFT_BUTTON, GLUT_UP, 10, 10);
    onMouse(GLUT_MIDDLE_BUTTON, GLUT_UP, 10, 10);
    onMouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, 10, 10);
    onMouse(GLUT_RIGHT_BUTTON, GLUT_UP, 10, 10);
    EXPECT_TRUE(sameState(before, programState));
    // A drag with the right button held moves the light in the last press's mode.
    onDrag(100, 0);
    expectLight(50, 50, -520);
}

TEST_F(Handlers, ADragInAZeroSizedWindowChangesNothing) {
    for (auto size : {std::pair{0, 0}, std::pair{0, 512}, std::pair{512, 0}}) {
        onReshape(size.first, size.second);
        const ProgramState before = programState;
        paintMarkerColour();
        onDrag(10, 10);
        onMouse(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 10, 10);
        onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 10, 10);
        programState.dragMode = before.dragMode;
        EXPECT_TRUE(sameState(before, programState));
        onReshape(512, 512);
        // A zero-sized window must not have drawn; the reshape back does not post one.
        pumpEvents();
        EXPECT_TRUE(windowStillPainted());
    }
}

TEST_F(Handlers, TintClimbsToJustBelowOneAndRests) {
    programState.tintLevel = 0;
    for (int call = 0; call < 4000; ++call) {
        onIdle();
    }
    EXPECT_EQ(programState.tintLevel, 0.99997312f);
    onIdle();
    EXPECT_EQ(programState.tintLevel, 0.99997318f);
    for (int call = 0; call < 100; ++call) {
        onIdle();
    }
    EXPECT_EQ(programState.tintLevel, 0.99997318f);
}

TEST_F(Handlers, TeapotKeysStepByFifteenAndReturnExactly) {
    onKey('t', 0, 0);
    EXPECT_EQ(programState.teapotOffsetX, 15.0f);
    onKey('t', 0, 0);
    onKey('T', 0, 0);
    onKey('T', 0, 0);
    EXPECT_EQ(programState.teapotOffsetX, 0.0f);
    for (int i = 0; i < 1000; ++i) {
        onKey('T', 0, 0);
    }
    EXPECT_EQ(programState.teapotOffsetX, -15000.0f);
}

TEST_F(Handlers, OtherKeysChangeNothingAndDrawNothing) {
    pumpEvents();
    const ProgramState before = programState;
    paintMarkerColour();
    for (int key = 0; key < 256; ++key) {
        if (std::strchr("bBnNtTlLu1234vVkKfF", key) == nullptr && key != 27 && key != 0) {
            onKey(static_cast<unsigned char>(key), 3, 4);
        }
    }
    onKey(0, 0, 0);
    pumpEvents();
    EXPECT_TRUE(sameState(before, programState));
    EXPECT_TRUE(windowStillPainted());
}

// 'k' adds the board where it starts; ')' tilts it back and '}' moves it right, 10 at a time,
// until a step would tilt it past 80° or take a corner out of the room, which changes
// nothing; its plane and shadow matrices follow it.
TEST_F(Handlers, TheBoardTiltsAndMovesOnlyWithinTheRoom) {
    onKey('k', 0, 0);
    ASSERT_TRUE(programState.boardShown);
    for (int i = 0; i < 10; ++i) {
        onKey(')', 0, 0);
        onKey('}', 0, 0);
    }
    EXPECT_EQ(programState.board.tilt, 80.0f);
    EXPECT_EQ(programState.board.x, 60.0f);
    onKey('(', 0, 0);
    onKey('{', 0, 0);
    const BoardPlace at = programState.board;
    EXPECT_EQ(at.tilt, 70.0f);
    EXPECT_EQ(at.x, 50.0f);
    const RoomQuad quad = boardQuad(at);
    const PlaneEquation plane = planeFromPoints(quad.corners[0], quad.corners[1], quad.corners[2]);
    const ShadowMatrix board = buildShadowMatrix(plane, programState.lights[0].shinesFrom);
    EXPECT_EQ(0, std::memcmp(&board, &programState.lights[0].shadowMatrices[int(Receiver::Board)],
                             sizeof board));
    onKey('k', 0, 0);
    EXPECT_FALSE(programState.boardShown);
}

// The menu switches the back wall, the right wall and the ceiling as receivers, each on its
// own, and a link says which receive.
TEST_F(Handlers, TheMenuSwitchesEachFaceAsAReceiver) {
    onMenu(MENU_CEILING);
    onMenu(MENU_BACK_WALL);
    EXPECT_EQ(writeStateText(linkStateOf(programState)),
              "receivers=floor,left-wall,back-wall,ceiling");
    onMenu(MENU_RIGHT_WALL);
    onMenu(MENU_CEILING);
    onMenu(MENU_BACK_WALL);
    EXPECT_EQ(writeStateText(linkStateOf(programState)), "receivers=floor,left-wall,right-wall");
    onMenu(MENU_RIGHT_WALL);
    EXPECT_EQ(programState.receivers, DEFAULT_RECEIVERS);
}

// With soft shadows on, '+' (or '=') and '-' size the light in steps of 2.5 from 0 to 20.
TEST_F(Handlers, PlusAndMinusSizeTheLightWhileSoftShadowsAreOn) {
    onMenu(MENU_SOFT_SHADOWS);
    ASSERT_TRUE(programState.softShadows);
    for (int i = 0; i < 10; ++i) {
        onKey('+', 0, 0);
    }
    EXPECT_EQ(programState.lightRadius, 20.0f);
    onKey('-', 0, 0);
    EXPECT_EQ(programState.lightRadius, 17.5f);
    onKey('=', 0, 0);
    EXPECT_EQ(programState.lightRadius, 20.0f);
    for (int i = 0; i < 10; ++i) {
        onKey('-', 0, 0);
    }
    EXPECT_EQ(programState.lightRadius, 0.0f);
    onMenu(MENU_SOFT_SHADOWS);
    EXPECT_FALSE(programState.softShadows);
    pumpEvents();
}

// 'l' adds lights up to four, each selected as it comes; '1' to '4' select only lights
// there are; the keys move the selected light alone, and GL's light follows it; 'L' takes
// the last one away, never light 1. What cannot be changes nothing.
TEST_F(Handlers, LightsComeGoAndAreSelectedWithinTheirLimits) {
    for (int add = 0; add < 5; ++add) {
        onKey('l', 0, 0);
    }
    EXPECT_EQ(programState.lightCount, 4);
    EXPECT_EQ(programState.selectedLight, 3);
    onKey('2', 0, 0);
    onSpecialKey(GLUT_KEY_RIGHT, 0, 0);
    expectLight(-20, 80, -340);
    EXPECT_EQ(programState.lights[0].standsAt.x, 50.0f);
    for (int remove = 0; remove < 3; ++remove) {
        onKey('L', 0, 0);
    }
    EXPECT_EQ(programState.lightCount, 1);
    EXPECT_EQ(programState.selectedLight, 0);
    const ProgramState before = programState;
    for (const unsigned char key : {'L', '2', '4'}) {
        onKey(key, 0, 0);
    }
    EXPECT_TRUE(sameState(before, programState));
}

// Stepping with two lights goes through each light's steps, whose captions name it; with
// one light again the step held is light 1's own.
TEST_F(Handlers, SteppingNamesTheLightOfEachStep) {
    onKey('l', 0, 0);
    onMenu(MENU_STEPPING);
    for (int step = 1; step < 4; ++step) {
        onKey(']', 0, 0);
    }
    const std::string caption = currentStepCaption(programState);
    EXPECT_EQ(caption.rfind("Step 4 of 13: Light 2 (orange). Floor: marked with a 1 again", 0), 0u)
        << caption;
    onKey('L', 0, 0);
    EXPECT_EQ(currentStepCaption(programState).rfind("Step 4 of 7: Left wall: drawn lit", 0), 0u);
    onMenu(MENU_STEPPING);
    pumpEvents();
}

// A variant chosen from the menu: the caption of the step whose rows it changes says what
// goes wrong there, and no other step's does; while c is held the right pass is drawn, and
// its caption says nothing of the variant; after the last variant, the right pass again.
TEST_F(Handlers, AVariantIsNamedAtItsStepAndCHeldComparesTheRightPass) {
    const std::string note = "Here variant darken-with-less goes wrong";
    onMenu(MENU_NEXT_VARIANT);
    onMenu(MENU_NEXT_VARIANT);
    ASSERT_EQ(programState.variant, Variant::DarkenWithLess);
    onMenu(MENU_STEPPING);
    onKey(']', 0, 0);
    EXPECT_EQ(currentStepCaption(programState).find(note), std::string::npos);
    onKey(']', 0, 0);
    EXPECT_NE(currentStepCaption(programState).find(note), std::string::npos);
    onKey('c', 0, 0);
    EXPECT_EQ(currentStepCaption(programState).find(note), std::string::npos);
    onKeyUp('c', 0, 0);
    EXPECT_NE(currentStepCaption(programState).find(note), std::string::npos);
    onMenu(MENU_STEPPING);
    for (const Variant next : {Variant::PolygonOffset, Variant::NoLightSideCheck, Variant::None}) {
        onMenu(MENU_NEXT_VARIANT);
        EXPECT_EQ(programState.variant, next);
    }
    pumpEvents();
}

// 'u' makes the selected light the sun, which GL gets as the direction from the room's
// centre to where it stands, with w 0; a sun cannot stand at the centre, nor can a light
// standing there become the sun.
TEST_F(Handlers, TheSunShinesFromTheRoomsCentreAndNeverStandsThere) {
    onKey('u', 0, 0);
    ASSERT_TRUE(programState.lights[0].sun);
    pumpEvents();
    GLfloat gl[4] = {};
    glGetLightfv(GL_LIGHT0, GL_POSITION, gl);
    EXPECT_TRUE(gl[0] == 50 && gl[1] == 50 && gl[2] == 100 && gl[3] == 0);
    for (int step = 0; step < 10; ++step) {
        onSpecialKey(GLUT_KEY_PAGE_UP, 0, 0);
    }
    for (int step = 0; step < 5; ++step) {
        onSpecialKey(GLUT_KEY_LEFT, 0, 0);
        onSpecialKey(GLUT_KEY_DOWN, 0, 0);
    }
    const LightPosition& at = programState.lights[0].standsAt;
    EXPECT_TRUE(at.x == 0 && at.y == 10 && at.z == -420);
    onKey('u', 0, 0);
    onSpecialKey(GLUT_KEY_DOWN, 0, 0);
    expectLight(0, 0, -420);
    onKey('u', 0, 0);
    EXPECT_FALSE(programState.lights[0].sun);
    pumpEvents();
}

// Record keeps where the selected light stands ten times a second, as a user moves it,
// until it stops by itself at 20 s; the link carries the path.
TEST_F(Handlers, RecordKeepsTheLightsPathTenTimesASecondFor20Seconds) {
    using Clock = std::chrono::steady_clock;
    const auto pumpUntil = [](const auto& done) {
        const Clock::time_point deadline = Clock::now() + std::chrono::seconds(60);
        while (!done() && Clock::now() < deadline) {
            pumpEvents();
            usleep(2000);
        }
    };
    const Clock::time_point start = Clock::now();
    onMenu(MENU_RECORD);
    const RecordedPath& path = programState.path;
    for (int step = 0; step < 5; ++step) {
        const int kept = path.length;
        pumpUntil([&] { return path.length > kept; });
        onSpecialKey(GLUT_KEY_RIGHT, 0, 0);
    }
    pumpUntil([] { return !programState.recording; });
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(19900));
    ASSERT_EQ(path.length, MAX_PATH_POSITIONS);
    float x = 50;
    for (const Point3& at : path.at) {
        EXPECT_TRUE(at.x == x || at.x == x + 10) << at.x << " after " << x;
        x = at.x;
        EXPECT_TRUE(at.y == 50 && at.z == -320);
    }
    EXPECT_EQ(x, 100);
    LinkState link;
    EXPECT_TRUE(readStateText(writeStateText(linkStateOf(programState)), link).empty());
    EXPECT_TRUE(link == linkStateOf(programState) && link.path.size() == size_t(path.length));
    programState.path.length = 0;
}

// Save picture writes the frame the window shows into the current folder, named from what
// it shows; Save animation a GIF of a frame for each position of the path, while the window
// keeps its picture.
TEST_F(Handlers, SaveWritesTheFrameAndThePathsAnimationIntoTheCurrentFolder) {
    char folder[] = "/tmp/planar-shadows-save-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string before = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    onMenu(MENU_STEPPING);
    onKey(']', 0, 0);
    pumpEvents();
    const Picture shown = readFrame();
    onMenu(MENU_SAVE_PICTURE);
    Picture saved;
    EXPECT_TRUE(readPng("planar-shadows-step-2.png", saved));
    EXPECT_TRUE(saved.width == 512 && saved.height == 512 && saved.rgb == shown.rgb);

    for (const float x : {-60.0f, 0.0f, 60.0f}) {
        programState.path.at[programState.path.length++] = {x, 50, -320};
    }
    onMenu(MENU_SAVE_ANIMATION);
    EXPECT_TRUE(readFrame().rgb == shown.rgb);
    int error = 0;
    GifFileType* gif = DGifOpenFileName("planar-shadows-step-2.gif", &error);
    ASSERT_TRUE(gif != nullptr && DGifSlurp(gif) == GIF_OK) << error;
    EXPECT_EQ(gif->ImageCount, 3);
    EXPECT_FALSE(std::equal(gif->SavedImages[0].RasterBits,
                            gif->SavedImages[0].RasterBits + 512 * 512,
                            gif->SavedImages[2].RasterBits));
    DGifCloseFile(gif, &error);
    std::filesystem::current_path(before);
    std::filesystem::remove_all(folder);
    programState.path.length = 0;
    onMenu(MENU_STEPPING);
}

// 'n' shows one plain frame; whatever redraws next shows the shadow view again.
TEST_F(Handlers, PlainViewLastsOneFrame) {
    const Vec3 floorPoint = {-80, -100, -400};
    onKey('n', 0, 0);
    pumpEvents();
    EXPECT_TRUE(isBlack(readFrame().at(windowX(floorPoint), windowY(floorPoint))));
    glutPostRedisplay();
    pumpEvents();
    EXPECT_TRUE(isLitCyan(readFrame().at(windowX(floorPoint), windowY(floorPoint))));

    onKey('N', 0, 0);
    pumpEvents();
    EXPECT_TRUE(isBlack(readFrame().at(windowX(floorPoint), windowY(floorPoint))));
    for (unsigned char key : {'b', 'B'}) {
        paintMarkerColour();
        onKey(key, 0, 0);
        pumpEvents();
        EXPECT_TRUE(isLitCyan(readFrame().at(windowX(floorPoint), windowY(floorPoint))));
    }
}

}  // namespace

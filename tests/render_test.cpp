#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/opengl.h"
#include "state/gallery.h"
#include "state/program_state.h"
#include "state/renderer.h"
#include "state/shadow_pass.h"
#include "state/stencil_view.h"
#include "tests/frame_expectations.h"
#include "tests/gl_window.h"

namespace {

class ShadowView : public testing::Test {
  protected:
    void SetUp() override {
        programState.teapotOffsetX = 0;
        programState.tintLevel = 0;
        placeLightAt(startLight);
    }
    void TearDown() override {
        placeLightAt(startLight);
    }
};

TEST_F(ShadowView, StartFrameShowsEachShadowOnItsOwnReceiver) {
    const Picture frame = drawAndRead(displayShadowView);

    // Sphere on the floor, centre on the ray from the light.
    expectShadowAt(frame, throughLight(startLight, sphereCentre, 1, -100), startLight);
    EXPECT_EQ(windowX({65, -100, -380}), 396);
    EXPECT_EQ(windowY({65, -100, -380}), 40);
    // The cone's foot on the floor, its body on the left wall.
    expectShadowAt(frame, throughLight(startLight, {-25, -40, -400}, 1, -100), startLight);
    expectShadowAt(frame, throughLight(startLight, {-40, -15, -400}, 0, -100), startLight);

    EXPECT_GT(expectLit(frame, startLight, onFloor, isLitCyan), 100);
    EXPECT_GT(expectLit(frame, startLight, onLeftWall, isLitWhite), 100);
    for (auto surface : {onRightWall, onCeiling, onBackWall}) {
        EXPECT_GT(expectLit(frame, startLight, surface, isLitWhite), 100);
    }

    // The objects in their own colours: orange cone, olive sphere, grey marker.
    const Pixel cone = pixelAt(frame, {-40, -20, -380});
    EXPECT_TRUE(cone.r > cone.g && cone.g > 0 && cone.b == 0) << describe({}, cone);
    const Pixel sphere = pixelAt(frame, {60, -50, -340});
    EXPECT_TRUE(sphere.g > sphere.r && sphere.r > 0 && sphere.b == 0) << describe({}, sphere);
    const Pixel marker = pixelAt(frame, {50, 50, -323});
    EXPECT_EQ(marker.r, 128);
    EXPECT_EQ(marker.g, 128);
    EXPECT_EQ(marker.b, 128);
}

// A light below the floor sees the floor's back: the floor takes no shadow at all,
// while the left wall, still facing the light, keeps the cone's.
TEST_F(ShadowView, LightBehindAReceiverThrowsNoShadowOntoIt) {
    const Vec3 light = {50, -150, -320};
    placeLightAt(light);
    const Picture frame = drawAndRead(displayShadowView);

    EXPECT_GT(expectNoShadowOnFloor(frame, light), 5000);
    expectShadowAt(frame, throughLight(light, {-40, -15, -400}, 0, -100), light);
}

// Every face receiving, and the board standing in front of the cone, upright, with a light
// low in front of both: the cone stands behind the board's plane, so the shadow matrix would
// still put it on the board (the ray from the light through the cone's foot meets the board
// first) unless it is cut at that plane; the board's own shadow falls on the back wall.
TEST_F(ShadowView, TheBoardTakesNoShadowFromBehindAndCastsOnTheBackWall) {
    const Vec3 light = {-30, -70, -330};
    placeLightAt(light);
    programState.receivers = (1u << RECEIVER_COUNT) - 1 - receiverBit(Receiver::Board);
    programState.boardShown = true;
    programState.board = {-30, -370, 0};
    updateShadowMatrices();
    const Picture frame = drawAndRead(displayShadowView);
    programState.receivers = DEFAULT_RECEIVERS;
    programState.boardShown = false;
    programState.board = BOARD_START;

    // The cone's foot, (-40, -40, -400), as the board's plane z = -370 would take it.
    const double t = 40.0 / 70.0;
    const Vec3 onBoard = {-30 + t * -10, -70 + t * 30, -370};
    const Pixel board = pixelAt(frame, onBoard);
    EXPECT_TRUE(board.r >= 50 && board.g >= 50 && board.b >= 20) << describe(onBoard, board);
    // The board's upper edge, y = -40, reaches y = 72.5 on the back wall.
    expectShadowAt(frame, {0, 50, -520}, light);
    EXPECT_TRUE(isLitWhite(pixelAt(frame, {0, 90, -520})));
}

// With lights 1 to `count`, as 'l' adds them, light 1 the sun or not.
void setLights(int count, bool sun = false) {
    while (programState.lightCount < count) {
        addLight();
    }
    while (programState.lightCount > count) {
        removeLight();
    }
    programState.lights[0].sun = sun;
    updateShadowMatrices();
}

// Shadows as missing light, with a second light beside the first: a floor pixel in light 1's
// shadow alone shows light 2's light, exactly as the floor lit by light 2 alone does; one in
// light 2's shadow alone is the one-light frame's pixel, ambient light included; one in
// both is black.
TEST_F(ShadowView, EachLightsShadowIsWhereItsLightAloneIsMissing) {
    const Picture one = drawAndRead(displayShadowView);
    setLights(2);
    const Vec3 second = {50, 50, -390};
    programState.lights[1].standsAt = {50, 50, -390, 1};
    updateShadowMatrices();
    const Picture two = drawAndRead(displayShadowView);
    // The floor lit by light 2 alone, as the row that adds its light lights it.
    PassRow floor = shadowViewRows(programState)[1];
    ASSERT_EQ(floor.draws, Draws::Floor);
    floor.state.lighting = {true, 2, false};
    drawFrame(frameOf(programState, {shadowViewRows(programState)[0], floor}));
    glFinish();
    const Picture secondAlone = readFrame();
    setLights(1);

    const Ball core = {sphereCentre, 16};
    int firstOnly = 0;
    int secondOnly = 0;
    int both = 0;
    for (double x = -95; x <= 95; x += 1) {
        for (double v = 0; v <= 1; v += 0.01) {
            const Vec3 p = onFloor(x, v);
            if (!visible(p, startLight) || !visible(p, second)) {
                continue;
            }
            const bool inFirst = segmentMeets(p, startLight, core);
            const bool inSecond = segmentMeets(p, second, core);
            const bool seesFirst = !anyCasterOn(p, startLight);
            const bool seesSecond = !anyCasterOn(p, second);
            const Pixel shown = pixelAt(two, p);
            const auto same = [&shown](Pixel q) {
                return shown.r == q.r && shown.g == q.g && shown.b == q.b;
            };
            if (inFirst && seesSecond) {
                EXPECT_TRUE(same(pixelAt(secondAlone, p)) && shown.g > 0) << describe(p, shown);
                ++firstOnly;
            } else if (inSecond && seesFirst) {
                EXPECT_TRUE(same(pixelAt(one, p))) << describe(p, shown);
                ++secondOnly;
            } else if (inFirst && inSecond) {
                EXPECT_TRUE(isBlack(shown)) << describe(p, shown);
                ++both;
            }
        }
    }
    EXPECT_GT(firstOnly, 50);
    EXPECT_GT(secondOnly, 50);
    EXPECT_GT(both, 50);
}

TEST(PlainView, ShowsWhiteConeAndSphereOnBlackWithoutTheRoom) {
    const Picture frame = drawAndRead(displayPlainView);
    for (Vec3 p : {Vec3{60, -50, -340}, Vec3{-40, -20, -380}}) {
        const Pixel px = pixelAt(frame, p);
        EXPECT_TRUE(isLitWhite(px) && px.r == px.g && px.g == px.b) << describe(p, px);
    }
    for (Vec3 p : {onFloor(-80, 0.5), onLeftWall(60, 0.5), onBackWall(0, 0.9), onCeiling(0, 0.5),
                   throughLight(startLight, sphereCentre, 1, -100)}) {
        EXPECT_TRUE(isBlack(pixelAt(frame, p))) << describe(p, pixelAt(frame, p));
    }
    drawAndRead(displayShadowView);
}

// The stencil's values as the last frame left them, bottom row first.
std::vector<unsigned char> readStencil() {
    std::vector<unsigned char> values(512 * 512);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 512, 512, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, values.data());
    return values;
}

// How the shadows are drawn, as the menu switches it; the program's default on the way out.
class ShadowModes : public testing::Test {
  protected:
    void TearDown() override {
        programState.translucentShadows = false;
        programState.stencilShadows = true;
        programState.steppingPasses = false;
        programState.passStep = 1;
    }
    void setMode(bool translucent, bool stencil) {
        programState.translucentShadows = translucent;
        programState.stencilShadows = stencil;
    }
    // The shadow view's clear and the floor's pass alone, with the start light, read back;
    // without the casters, the floor as it is lit.
    Picture floorPass(bool withCasters) {
        std::vector<PassRow> rows;
        for (const PassRow& row : shadowViewRows(programState)) {
            const bool flattened = row.draws == Draws::FlattenedCasters ||
                                   row.draws == Draws::FlattenedCastersForStencil;
            if (row.draws == Draws::Clear || row.draws == Draws::Floor ||
                (withCasters && flattened && row.receiver == Receiver::Floor)) {
                rows.push_back(row);
            }
        }
        drawFrame(frameOf(programState, rows));
        glFinish();
        return readFrame();
    }
};

bool enabled(GLenum capability) {
    return glIsEnabled(capability) == GL_TRUE;
}

GLint integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

// GL's own state equals the row's, field by field, as the table gives it.
void expectRowState(const PassRow& row, const std::string& where) {
    const RenderState& state = row.state;
    EXPECT_EQ(enabled(GL_STENCIL_TEST), state.stencil.test) << where;
    EXPECT_EQ(integer(GL_STENCIL_FUNC), static_cast<GLint>(state.stencil.func)) << where;
    EXPECT_EQ(integer(GL_STENCIL_REF), static_cast<GLint>(state.stencil.ref)) << where;
    EXPECT_EQ(integer(GL_STENCIL_VALUE_MASK) & 0xFF, static_cast<GLint>(state.stencil.valueMask))
        << where;
    EXPECT_EQ(integer(GL_STENCIL_FAIL), static_cast<GLint>(state.stencil.fail)) << where;
    EXPECT_EQ(integer(GL_STENCIL_PASS_DEPTH_FAIL), static_cast<GLint>(state.stencil.depthFail))
        << where;
    EXPECT_EQ(integer(GL_STENCIL_PASS_DEPTH_PASS), static_cast<GLint>(state.stencil.depthPass))
        << where;
    EXPECT_EQ(integer(GL_STENCIL_WRITEMASK) & 0xFF, static_cast<GLint>(state.stencil.writeMask))
        << where;
    GLboolean colourMask[4] = {};
    glGetBooleanv(GL_COLOR_WRITEMASK, colourMask);
    for (const GLboolean channel : colourMask) {
        EXPECT_EQ(channel == GL_TRUE, state.colourWrites) << where;
    }
    EXPECT_EQ(enabled(GL_DEPTH_TEST), state.depth.test) << where;
    EXPECT_EQ(integer(GL_DEPTH_FUNC), static_cast<GLint>(state.depth.func)) << where;
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(depthWrites == GL_TRUE, state.depth.writes) << where;
    EXPECT_EQ(enabled(GL_LIGHTING), state.lighting.on) << where;
    for (int light = 0; light < MAX_LIGHTS; ++light) {
        EXPECT_EQ(enabled(GL_LIGHT0 + light), (state.lighting.lights >> light & 1) != 0) << where;
    }
    GLfloat ambient[4] = {};
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, ambient);
    EXPECT_EQ(ambient[0], state.lighting.ambient ? 0.2f : 0.0f) << where;
    EXPECT_EQ(enabled(GL_BLEND), state.blend.on) << where;
    EXPECT_EQ(integer(GL_BLEND_SRC), static_cast<GLint>(state.blend.source)) << where;
    EXPECT_EQ(integer(GL_BLEND_DST), static_cast<GLint>(state.blend.destination)) << where;
    EXPECT_EQ(enabled(GL_POLYGON_OFFSET_FILL), state.polygonOffset.on) << where;
    EXPECT_EQ(enabled(GL_POLYGON_OFFSET_LINE), state.polygonOffset.on) << where;
    GLfloat offset[2] = {};
    glGetFloatv(GL_POLYGON_OFFSET_FACTOR, &offset[0]);
    glGetFloatv(GL_POLYGON_OFFSET_UNITS, &offset[1]);
    EXPECT_EQ(offset[0], state.polygonOffset.factor) << where;
    EXPECT_EQ(offset[1], state.polygonOffset.units) << where;
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], row.colour.r) << where;
    EXPECT_EQ(colour[1], row.colour.g) << where;
    EXPECT_EQ(colour[2], row.colour.b) << where;
    EXPECT_EQ(colour[3], row.colour.a) << where;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << where;
}

// After every row of every kind of frame, GL holds exactly that row's state, whatever the
// row before it left; each frame ends with every write mask on, ready for the next
// frame's clear, and with the modelview matrix at the identity the handlers count on.
TEST_F(ShadowModes, EveryRowLeavesGlInItsOwnState) {
    struct Mode {
        const char* name;
        bool translucent, stencil, soft;
        int step;
        Vec3 light;
        int lights = 1;
        bool sun = false;
        bool stencilView = false;
        Variant variant = Variant::None;
    };
    const Mode modes[] = {
        {"polygon offset, translucent", true, true, false, 0, startLight, 1, false, false,
         Variant::PolygonOffset},
        {"depth-tested clear, step 2", false, true, false, 2, startLight, 1, false, false,
         Variant::DepthTestedClear},
        {"opaque", false, true, false, 0, startLight},
        {"translucent", true, true, false, 0, startLight},
        {"naive", false, false, false, 0, startLight},
        {"naive translucent", true, false, false, 0, startLight},
        {"light below the floor", false, true, false, 0, {0, -150, -320}},
        {"soft", false, true, true, 0, startLight},
        {"soft translucent", true, true, true, 0, {-70, 20, -480}},
        {"step 2", false, true, false, 2, startLight},
        {"step 3, translucent", true, true, false, 3, startLight},
        {"step 5", false, true, false, 5, {0, -150, -320}},
        {"naive step 2", false, false, false, 2, startLight},
        {"four lights", false, true, false, 0, startLight, 4},
        {"three lights, translucent, light 1 below", true, true, false, 0, {0, -150, -320}, 3},
        {"two lights, the sun, naive translucent", true, false, false, 0, startLight, 2, true},
        {"four lights, soft translucent", true, true, true, 0, startLight, 4},
        {"two lights, the sun, soft", false, true, true, 0, startLight, 2, true},
        {"three lights, step 12", true, true, false, 12, startLight, 3},
        {"three lights, naive step 4", false, false, false, 4, startLight, 3},
        {"stencil view", true, true, false, 0, startLight, 1, false, true},
        {"stencil view, soft", false, true, true, 0, {-70, 20, -480}, 1, false, true},
        {"stencil view, light below the floor, soft",
         false,
         true,
         true,
         0,
         {0, -150, -320},
         1,
         false,
         true},
        {"stencil view, step 5", false, true, false, 5, startLight, 1, false, true},
        {"stencil view, naive", false, false, false, 0, startLight, 1, false, true},
        {"stencil view, three lights, soft", false, true, true, 0, startLight, 3, false, true},
        {"stencil view, two lights, step 6", false, true, false, 6, startLight, 2, false, true},
    };
    for (const Mode& mode : modes) {
        setMode(mode.translucent, mode.stencil);
        programState.softShadows = mode.soft;
        programState.lightSamples = mode.soft ? LIGHT_SAMPLE_COUNT : 1;
        programState.steppingPasses = mode.step != 0;
        programState.passStep = mode.step;
        programState.showStencil = mode.stencilView;
        programState.variant = mode.variant;
        placeLightAt(mode.light);
        setLights(mode.lights, mode.sun);
        const std::vector<PassRow> rows = shadowViewRows(programState);
        for (size_t r = 0; r < rows.size(); ++r) {
            drawFrame(frameOf(programState, {rows[r]}));
            expectRowState(rows[r], std::string(mode.name) + ", row " + std::to_string(r + 1));
        }
        const RenderState& last = rows.back().state;
        EXPECT_TRUE(last.colourWrites && last.depth.writes &&
                    last.stencil.writeMask == ALL_STENCIL_BITS)
            << mode.name;
        GLfloat modelview[16] = {};
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
        for (int k = 0; k < 16; ++k) {
            EXPECT_EQ(modelview[k], k % 5 == 0 ? 1.0f : 0.0f) << mode.name << ", element " << k;
        }
        EXPECT_EQ(integer(GL_MODELVIEW_STACK_DEPTH), 1) << mode.name;
        EXPECT_EQ(integer(GL_PROJECTION_STACK_DEPTH), 1) << mode.name;
        EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW) << mode.name;
    }
    programState.softShadows = false;
    programState.lightSamples = 1;
    programState.showStencil = false;
    setLights(1);
    placeLightAt(startLight);
}

// ---- The stencil view ------------------------------------------------------------------

// The view's colour of a stencil value, as 8-bit GL writes it.
Pixel viewColour(unsigned value, int samples) {
    const Colour c = stencilViewColour(value, samples);
    return {static_cast<int>(std::lround(c.r * 255)), static_cast<int>(std::lround(c.g * 255)),
            static_cast<int>(std::lround(c.b * 255))};
}

bool same(Pixel a, Pixel b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

class StencilView : public ShadowModes {
  protected:
    void TearDown() override {
        programState.showStencil = false;
        programState.softShadows = false;
        programState.lightSamples = 1;
        ShadowModes::TearDown();
    }
    // The frame with the view on, as the window shows it.
    Picture viewFrame() {
        programState.showStencil = true;
        const Picture frame = drawAndRead(displayShadowView);
        programState.showStencil = false;
        return frame;
    }
};

// After each step the view shows, pixel for pixel, the colour of the value the stencil
// holds there, as GL reads it back after the same step. At the floor's marking step the
// value-1 colour covers exactly the floor's pixels; at its clearing step, the sphere's
// shadow reads 0. And a frame drawn after the view is the frame drawn without it.
TEST_F(StencilView, AfterEachStepShowsTheValueTheStencilHolds) {
    const Picture before = drawAndRead(displayShadowView);
    programState.steppingPasses = true;
    for (int step = 1; step <= 7; ++step) {
        programState.passStep = step;
        const Picture stepped = drawAndRead(displayShadowView);
        const std::vector<unsigned char> stencil = readStencil();
        const Picture view = viewFrame();
        int wrong = 0;
        int marked = 0;
        for (int y = 0; y < 512; ++y) {
            for (int x = 0; x < 512; ++x) {
                const unsigned value = stencil[static_cast<size_t>(y) * 512 + x];
                wrong += !same(view.at(x, y), viewColour(value, 1));
                marked += value == 1;
                // At the first step only the floor is drawn, so its pixels are those with any
                // green: the lit cyan under the magenta.
                if (step == 1) {
                    EXPECT_EQ(value == 1, stepped.at(x, y).g > 0) << x << ", " << y;
                }
            }
        }
        EXPECT_EQ(wrong, 0) << "step " << step;
        EXPECT_GT(marked, 20000) << "step " << step;
        if (step == 2) {
            EXPECT_TRUE(same(pixelAt(view, throughLight(startLight, sphereCentre, 1, -100)),
                             viewColour(0, 1)));
        }
    }
    programState.steppingPasses = false;
    EXPECT_TRUE(drawAndRead(displayShadowView).rgb == before.rgb);
}

// In the whole frame each receiver shows its stencil as its own pass left it: where the
// left wall's flattened casters clear the floor's marks after the floor's pass (under the
// cone's shadow on the wall, reaching down over the lit floor), the floor still shows 1.
TEST_F(StencilView, EachReceiverShowsItsStencilAfterItsOwnPass) {
    floorPass(true);
    const std::vector<unsigned char> afterFloor = readStencil();
    const Picture frame = drawAndRead(displayShadowView);
    const std::vector<unsigned char> afterFrame = readStencil();
    const Picture view = viewFrame();
    int clearedLater = 0;
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            const size_t p = static_cast<size_t>(y) * 512 + x;
            if (afterFloor[p] == 1 && afterFrame[p] == 0 && isLitCyan(frame.at(x, y))) {
                ++clearedLater;
                EXPECT_TRUE(same(view.at(x, y), viewColour(1, 1))) << x << ", " << y;
            }
        }
    }
    EXPECT_GT(clearedLater, 100);
}

// With soft shadows, the count: 0 on the lit floor, every point in the sphere's core, and
// falling step by step across the penumbra.
TEST_F(StencilView, SoftShadowsShowTheCountFromTheCoreToTheLitFloor) {
    programState.softShadows = true;
    programState.lightSamples = LIGHT_SAMPLE_COUNT;
    const Picture view = viewFrame();
    const auto count = [&view](Vec3 p) {
        for (int covered = 0; covered <= LIGHT_SAMPLE_COUNT; ++covered) {
            if (same(pixelAt(view, p), viewColour(2 * covered, LIGHT_SAMPLE_COUNT))) {
                return covered;
            }
        }
        ADD_FAILURE() << describe(p, pixelAt(view, p)) << " is no count's colour";
        return -1;
    };
    const Vec3 centre = throughLight(startLight, sphereCentre, 1, -100);
    EXPECT_EQ(count(centre), LIGHT_SAMPLE_COUNT);
    int previous = LIGHT_SAMPLE_COUNT;
    std::vector<int> between;
    for (double t = 0; t < 40 && previous > 0; t += 0.25) {
        const int covered = count({centre.x + t * 0.7071, -100, centre.z + t * 0.7071});
        EXPECT_LE(covered, previous) << t;
        if (covered != previous && covered > 0) {
            between.push_back(covered);
        }
        previous = covered;
    }
    EXPECT_EQ(previous, 0);
    EXPECT_GE(between.size(), 4u);
    int lit = 0;
    for (const Vec3& p : plainlyLitPoints(startLight, onFloor)) {
        if (!anyCasterOn(p, startLight, 5)) {
            EXPECT_EQ(count(p), 0) << describe(p, pixelAt(view, p));
            ++lit;
        }
    }
    EXPECT_GT(lit, 50);
}

// The stepping mode's magenta falls exactly on the pixels whose stencil value is 1, and
// neither overlay changes the stencil or the state a frame hands on. Darkening a receiver
// and drawing the rest of the room leave the stencil alone, so after the steps that show
// the flattened casters (2 and 5) it must still be what the floor's pass leaves, and what
// the whole frame leaves.
TEST_F(ShadowModes, SteppingOverlaysShowTheMarksAndLeaveTheStencilAlone) {
    floorPass(true);
    const std::vector<unsigned char> afterFloor = readStencil();
    drawAndRead(displayShadowView);
    const std::vector<unsigned char> afterFrame = readStencil();

    programState.steppingPasses = true;
    std::vector<std::vector<unsigned char>> stencils(8);
    for (int step = 1; step <= 7; ++step) {
        programState.passStep = step;
        const Picture frame = drawAndRead(displayShadowView);
        stencils[step] = readStencil();
        // Where the yellow is added, or in the finished frame, red tells nothing.
        if (step == 2 || step == 5 || step == 7) {
            continue;
        }
        // The receivers are cyan, white or black before the magenta: red only where it falls.
        int marked = 0;
        int misplaced = 0;
        for (size_t p = 0; p < stencils[step].size(); ++p) {
            const bool isMarked = stencils[step][p] == 1;
            marked += isMarked;
            misplaced += isMarked != (frame.rgb[3 * p] > 0);
        }
        EXPECT_GT(marked, 10000) << "step " << step;
        EXPECT_EQ(misplaced, 0) << "step " << step;
    }
    EXPECT_TRUE(stencils[2] == afterFloor && stencils[3] == afterFloor);
    EXPECT_TRUE(stencils[5] == afterFrame && stencils[6] == afterFrame &&
                stencils[7] == afterFrame);
}

// The stencil's second job: a translucent shadow halves each shadowed receiver pixel once,
// however many flattened polygons cover it (the sphere's front and back, the teapot's
// crossing wires). Without the stencil, overlapping polygons darken a pixel again.
TEST_F(ShadowModes, TranslucentShadowHalvesEachShadowedPixelOnce) {
    const Picture lit = floorPass(false);
    const Picture opaque = floorPass(true);
    setMode(true, true);
    const Picture translucent = floorPass(true);
    setMode(true, false);
    const Picture unconfined = floorPass(true);

    int shadowed = 0;
    int darkenedTwice = 0;
    for (size_t i = 0; i < lit.rgb.size(); ++i) {
        const int full = lit.rgb[i];
        if (opaque.rgb[i] == 0 && full > 0) {
            ++shadowed;
            EXPECT_LE(std::abs(2 * translucent.rgb[i] - full), 1) << "byte " << i;
        } else {
            EXPECT_EQ(translucent.rgb[i], full) << "byte " << i;
        }
        darkenedTwice += unconfined.rgb[i] + 2 < full / 2;
    }
    EXPECT_GT(shadowed, 3000);
    EXPECT_GT(darkenedTwice, 100);
}

// Without the stencil the shadows change only the receivers: the casters themselves and the
// other walls look as they do with it.
TEST_F(ShadowModes, WithoutTheStencilOnlyTheReceiversChange) {
    placeLightAt(startLight);
    const Picture stencilled = drawAndRead(displayShadowView);
    setMode(false, false);
    const Picture unconfined = drawAndRead(displayShadowView);
    // The floor and the left wall fill the frame's bottom and left edges up to the back
    // wall's edges, 98 pixels in.
    const int receiverEdge = windowX({-100, 0, -520});
    int differing = 0;
    for (int y = 0; y < stencilled.height; ++y) {
        for (int x = 0; x < stencilled.width; ++x) {
            const Pixel a = stencilled.at(x, y);
            const Pixel b = unconfined.at(x, y);
            if (a.r != b.r || a.g != b.g || a.b != b.b) {
                ++differing;
                EXPECT_TRUE(x <= receiverEdge + 2 || y <= receiverEdge + 2) << x << ", " << y;
            }
        }
    }
    EXPECT_GT(differing, 100);
}

// Each variant breaks the picture of its gallery entry where its explanation says, darker
// or lighter there than the right pass's picture: the sphere's floor shadow speckled by the
// depth-tested clear, gone with GL_LESS; the cone's shadow spilt past the board's edge onto
// the back wall, under the polygon offset; false shadows on a floor the light is below,
// where the line from the light through the sphere's centre meets it.
TEST_F(ShadowModes, EachVariantBreaksItsPictureWhereItsExplanationSays) {
    struct Case {
        Variant variant;
        Vec3 at;
        bool wrongIsDarker;
    };
    const Vec3 sphereShadow = throughLight(startLight, sphereCentre, 1, -100);
    const Case cases[] = {
        {Variant::DepthTestedClear, sphereShadow, false},
        {Variant::DarkenWithLess, sphereShadow, false},
        {Variant::PolygonOffset, {32, -7, -430}, true},
        {Variant::NoLightSideCheck, {30, -100, -340}, true},
    };
    // The sum of the channels in the 7 x 7 pixels around `at`.
    const auto brightness = [](const Picture& frame, Vec3 at) {
        int sum = 0;
        for (int y = windowY(at) - 3; y <= windowY(at) + 3; ++y) {
            for (int x = windowX(at) - 3; x <= windowX(at) + 3; ++x) {
                sum += frame.at(x, y).r + frame.at(x, y).g + frame.at(x, y).b;
            }
        }
        return sum;
    };
    for (const Case& c : cases) {
        const char* name = variantInfo(c.variant).name;
        const GalleryEntry* entry = nullptr;
        for (const GalleryEntry& e : galleryEntries()) {
            entry = std::string(e.name) == name ? &e : entry;
        }
        ASSERT_NE(entry, nullptr) << name;
        onStateText(entry->wrong);
        ASSERT_EQ(programState.variant, c.variant) << entry->wrong;
        const int wrong = brightness(drawAndRead(displayShadowView), c.at);
        onStateText(entry->right);
        const int right = brightness(drawAndRead(displayShadowView), c.at);
        EXPECT_LT(2 * (c.wrongIsDarker ? wrong : right), c.wrongIsDarker ? right : wrong)
            << name << ": " << wrong << " wrong, " << right << " right";
    }
    onStateText("");
}

}  // namespace

#include "state/shadow_pass.h"

#include <algorithm>
#include <iterator>

#include "shadow/light_samples.h"
#include "state/render_state_text.h"

namespace {

// ---- The render states: the technique in GL's terms -------------------------------------
// Every row of every frame is drawn with one of these, whole: no draw depends on what the
// one before it left behind, so the drawing can stop after any row and the next frame's
// clear finds its write masks as its own row sets them.

constexpr DepthState DEPTH_LESS = {true, Compare::Less, true};
// A receiver drawn a second time passes on the very depth it stored itself.
constexpr DepthState DEPTH_LEQUAL = {true, Compare::LEqual, true};
constexpr DepthState NO_DEPTH_TEST = {false, Compare::Less, true};
constexpr BlendState NO_BLEND = {false, BlendFactor::One, BlendFactor::Zero};
// Black at opacity a over what is there keeps 1 - a of it.
constexpr BlendState BLEND_OVER = {true, BlendFactor::SrcAlpha, BlendFactor::OneMinusSrcAlpha};
constexpr BlendState BLEND_ADD = {true, BlendFactor::One, BlendFactor::One};
constexpr bool COLOUR = true;
constexpr bool NO_COLOUR = false;
constexpr bool LIT = true;
constexpr bool UNLIT = false;

using Op = StencilOp;

// The kinds of draw, each with its render state in RENDER_STATES at the same place.
enum Pass {
    PLAIN_LIT,
    PLAIN_UNLIT,
    MARK_RECEIVER,
    CLEAR_MARKS,
    DARKEN_CLEARED,
    DARKEN_CLEARED_HALF,
    UNCONFINED_SHADOWS,
    UNCONFINED_SHADOWS_HALF,
    SHOW_MARKS,
    SHOW_FLATTENED_CASTERS,
    MARK_SAMPLE,
    COUNT_SAMPLE,
    DARKEN_COUNT,
};

// clang-format off
constexpr StencilState NO_STENCIL =
    {false, Compare::Always, 0, ALL_STENCIL_BITS, Op::Keep, Op::Keep, Op::Keep, ALL_STENCIL_BITS};

constexpr RenderState RENDER_STATES[] = {
    // PLAIN_LIT: a scene as any program draws it, lit and depth-tested; also every clear,
    // which goes through all write masks.
    {NO_STENCIL, COLOUR, DEPTH_LESS, LIT, NO_BLEND},
    // PLAIN_UNLIT: the light marker, in its own grey wherever the light shines from.
    {NO_STENCIL, COLOUR, DEPTH_LESS, UNLIT, NO_BLEND},

    // The stencilled pass, three rows per receiver.
    // MARK_RECEIVER: the receiver lit; each pixel where it passes the depth test gets 1.
    {{true, Compare::Always, 1, 1, Op::Keep, Op::Keep, Op::Replace, ALL_STENCIL_BITS},
     COLOUR, DEPTH_LESS, LIT, NO_BLEND},
    // CLEAR_MARKS: the flattened casters lie in the receiver's very plane, where the depth
    // test would fight over them: no depth test, no colour; a mark they cover becomes 0.
    {{true, Compare::Equal, 1, 1, Op::Keep, Op::Keep, Op::Zero, ALL_STENCIL_BITS},
     NO_COLOUR, NO_DEPTH_TEST, LIT, NO_BLEND},
    // DARKEN_CLEARED: the receiver again, unlit in black, only where a mark was cleared,
    // on its own depth: each shadowed pixel once, and none outside the receiver.
    {{true, Compare::Equal, 0, 1, Op::Keep, Op::Keep, Op::Keep, ALL_STENCIL_BITS},
     COLOUR, DEPTH_LEQUAL, UNLIT, NO_BLEND},
    // DARKEN_CLEARED_HALF: translucent, black at half strength: each shadowed pixel halved
    // exactly once, however many flattened polygons cleared its mark.
    {{true, Compare::Equal, 0, 1, Op::Keep, Op::Keep, Op::Keep, ALL_STENCIL_BITS},
     COLOUR, DEPTH_LEQUAL, UNLIT, BLEND_OVER},

    // The naive pass, without the stencil, to show what the stencil is for.
    // UNCONFINED_SHADOWS: the flattened casters in black straight over the lit receiver,
    // depth-tested in its very plane, so rounding decides each pixel, and past its edges.
    {NO_STENCIL, COLOUR, DEPTH_LESS, UNLIT, NO_BLEND},
    // UNCONFINED_SHADOWS_HALF: translucent, each overlapping polygon darkens again.
    {NO_STENCIL, COLOUR, DEPTH_LESS, UNLIT, BLEND_OVER},

    // What the stepping mode shows over the frame as a step left it; neither overlay
    // changes the stencil or the depth buffer.
    // SHOW_MARKS: translucent magenta wherever the stencil holds 1, in front of anything.
    {{true, Compare::Equal, 1, 1, Op::Keep, Op::Keep, Op::Keep, ALL_STENCIL_BITS},
     COLOUR, NO_DEPTH_TEST, UNLIT, BLEND_OVER},
    // SHOW_FLATTENED_CASTERS: the flattened casters in yellow over everything, added, so
    // the part the stencil keeps off the picture shows too, evenly however many overlap.
    {NO_STENCIL, COLOUR, NO_DEPTH_TEST, UNLIT, BLEND_ADD},

    // The soft pass, per receiver, after the receiver is drawn lit (PLAIN_LIT).
    // MARK_SAMPLE: one point of the light; its flattened casters set the stencil's lowest
    // bit wherever they fall, and touch nothing else.
    {{true, Compare::Always, SOFT_SAMPLE_MARK, SOFT_SAMPLE_MARK, Op::Keep, Op::Keep,
      Op::Replace, SOFT_SAMPLE_MARK},
     NO_COLOUR, NO_DEPTH_TEST, LIT, NO_BLEND},
    // COUNT_SAMPLE: the receiver on its own depth turns each of its pixels that has the bit
    // set from 2k + 1 into 2k + 2: one more point counted, the bit clear for the next.
    {{true, Compare::Equal, SOFT_SAMPLE_MARK, SOFT_SAMPLE_MARK, Op::Keep, Op::Keep, Op::Incr,
      ALL_STENCIL_BITS},
     NO_COLOUR, DEPTH_LEQUAL, LIT, NO_BLEND},
    // DARKEN_COUNT: for each count k, the receiver unlit in black at opacity k / n, only
    // where the stencil holds exactly 2k (the reference is set per row).
    {{true, Compare::Equal, 0, ALL_STENCIL_BITS, Op::Keep, Op::Keep, Op::Keep,
      ALL_STENCIL_BITS},
     COLOUR, DEPTH_LEQUAL, UNLIT, BLEND_OVER},
};
// clang-format on
static_assert(std::size(RENDER_STATES) == DARKEN_COUNT + 1, "a render state for every pass");

constexpr Colour BLACK = {0, 0, 0, 1};
constexpr Colour HALF_BLACK = {0, 0, 0, 0.5f};
constexpr Colour MARK_MAGENTA = {1, 0, 1, 0.5f};
constexpr Colour CASTER_YELLOW = {1, 1, 0, 1};

PassRow row(Pass pass, Draws draws, Colour colour) {
    return {draws, RENDER_STATES[pass], colour, 0, Receiver::Floor, {}};
}

PassRow clearRow(unsigned buffers) {
    PassRow clear = row(PLAIN_LIT, Draws::Clear, BLACK);
    clear.clear = buffers;
    return clear;
}

// ---- The two receivers ------------------------------------------------------------------

struct ReceiverFacts {
    Receiver receiver;
    Draws surface;
    Colour colour;
    PlaneEquation plane;
    ShadowMatrix shadowMatrix;
    // With the light on or behind the plane, the receiver faces away from it and nothing
    // is flattened onto it.
    bool lightInFront;
};

ReceiverFacts receiverFacts(Receiver receiver, const ProgramState& s) {
    const bool floor = receiver == Receiver::Floor;
    const PlaneEquation& plane = floor ? s.floorPlane : s.leftWallPlane;
    return {receiver,
            floor ? Draws::Floor : Draws::LeftWall,
            floor ? FLOOR_COLOUR : WALL_COLOUR,
            plane,
            floor ? s.floorShadowMatrix : s.leftWallShadowMatrix,
            lightIsInFront(plane, s.lightPosition)};
}

// The casters flattened onto the receiver by `matrix`, or nothing when the light cannot
// cast onto it.
PassRow flattenedRow(Pass pass, Draws draws, Colour colour, Receiver receiver,
                     const ShadowMatrix& matrix, bool lightInFront) {
    PassRow flattened = row(pass, lightInFront ? draws : Draws::Nothing, colour);
    flattened.receiver = receiver;
    flattened.flatten = matrix;
    return flattened;
}

// ---- The steps, as the stepping mode shows them -----------------------------------------

enum class StepDrawing {
    MarkReceiver,
    ClearMarks,
    DarkenCleared,
    LitReceiver,
    UnconfinedShadows,
    RestOfRoom,
};

struct PassStep {
    Receiver receiver;
    StepDrawing drawing;
    // Shown when the frame stops after this step: every pixel whose stencil value is 1,
    // and the flattened casters over the whole window, unconfined.
    bool showsMarks;
    bool showsFlattenedCasters;
    const char* caption;
};

// Magenta shows the stencil's marks, yellow the flattened casters; the last step shows
// nothing over the finished frame.
constexpr PassStep STENCIL_STEPS[] = {
    {Receiver::Floor, StepDrawing::MarkReceiver, true, false,
     "Floor: drawn lit, and every pixel where it shows is marked with a 1 in the stencil "
     "(magenta)."},
    {Receiver::Floor, StepDrawing::ClearMarks, true, true,
     "Floor: the flattened casters (yellow) clear the marks they cover; beyond the floor's "
     "edge there is no mark to clear, so nothing spills."},
    {Receiver::Floor, StepDrawing::DarkenCleared, true, false,
     "Floor: drawn again in the shadow's colour only where a mark was cleared, once per "
     "pixel, however many flattened polygons covered it."},
    {Receiver::LeftWall, StepDrawing::MarkReceiver, true, false,
     "Left wall: drawn lit and marked; the floor's marks stay, as the stencil is not "
     "cleared between receivers."},
    {Receiver::LeftWall, StepDrawing::ClearMarks, true, true,
     "Left wall: its flattened casters (yellow) clear the marks they cover, floor marks "
     "included, which no later step reads."},
    {Receiver::LeftWall, StepDrawing::DarkenCleared, true, false,
     "Left wall: drawn again in the shadow's colour where a mark was cleared; it covers "
     "only its own pixels, so the floor's cleared marks do nothing."},
    {Receiver::Floor, StepDrawing::RestOfRoom, false, false,
     "The rest of the room, the light marker and the casters themselves finish the frame."},
};

// Without the stencil nothing is marked, so only the flattened casters are shown.
constexpr PassStep NAIVE_STEPS[] = {
    {Receiver::Floor, StepDrawing::LitReceiver, false, false,
     "Without the stencil, floor: drawn lit, and nothing is marked."},
    {Receiver::Floor, StepDrawing::UnconfinedShadows, false, true,
     "Floor: the flattened casters (yellow) drawn straight over it, depth-tested; in its very "
     "plane they fight it for every pixel."},
    {Receiver::LeftWall, StepDrawing::LitReceiver, false, false,
     "Left wall: drawn lit, nothing marked."},
    {Receiver::LeftWall, StepDrawing::UnconfinedShadows, false, true,
     "Left wall: its flattened casters (yellow) drawn straight over it, fighting it for "
     "depth."},
    {Receiver::Floor, StepDrawing::RestOfRoom, false, false,
     "The rest of the room, the light marker and the casters themselves finish the frame."},
};

struct Steps {
    const PassStep* steps;
    int count;
    const PassStep* begin() const {
        return steps;
    }
    const PassStep* end() const {
        return steps + count;
    }
    // Step `number` counts from 1.
    const PassStep& operator[](int number) const {
        return steps[number - 1];
    }
};

template <int N>
constexpr Steps stepsOf(const PassStep (&steps)[N]) {
    return {steps, N};
}

Steps passSteps(bool stencilShadows) {
    return stencilShadows ? stepsOf(STENCIL_STEPS) : stepsOf(NAIVE_STEPS);
}

// The room's shell, the marker and the casters themselves: what completes every frame.
void addRestOfRoom(std::vector<PassRow>& rows, const ProgramState& s) {
    rows.push_back(row(PLAIN_LIT, Draws::RoomShell, WALL_COLOUR));
    rows.push_back(row(PLAIN_UNLIT, Draws::LightMarker, LIGHT_MARKER_COLOUR));
    rows.push_back(row(PLAIN_LIT, Draws::Teapot, teapotColour(s.tintLevel)));
    rows.push_back(row(PLAIN_LIT, Draws::Cone, CONE_COLOUR));
    rows.push_back(row(PLAIN_LIT, Draws::Sphere, sphereColour(s.tintLevel)));
}

void addStep(std::vector<PassRow>& rows, const PassStep& step, const ProgramState& s) {
    const ReceiverFacts r = receiverFacts(step.receiver, s);
    const bool half = s.translucentShadows;
    switch (step.drawing) {
        case StepDrawing::MarkReceiver:
            rows.push_back(row(MARK_RECEIVER, r.surface, r.colour));
            break;
        case StepDrawing::ClearMarks:
            rows.push_back(flattenedRow(CLEAR_MARKS, Draws::FlattenedCastersForStencil, BLACK,
                                        r.receiver, r.shadowMatrix, r.lightInFront));
            break;
        case StepDrawing::DarkenCleared:
            rows.push_back(half ? row(DARKEN_CLEARED_HALF, r.surface, HALF_BLACK)
                                : row(DARKEN_CLEARED, r.surface, BLACK));
            break;
        case StepDrawing::LitReceiver:
            rows.push_back(row(PLAIN_LIT, r.surface, r.colour));
            break;
        case StepDrawing::UnconfinedShadows:
            rows.push_back(flattenedRow(half ? UNCONFINED_SHADOWS_HALF : UNCONFINED_SHADOWS,
                                        Draws::FlattenedCasters, half ? HALF_BLACK : BLACK,
                                        r.receiver, r.shadowMatrix, r.lightInFront));
            break;
        case StepDrawing::RestOfRoom:
            addRestOfRoom(rows, s);
            break;
    }
}

// What the stepping mode draws over the frame after the last step drawn.
void addOverlays(std::vector<PassRow>& rows, const PassStep& step, const ProgramState& s) {
    if (step.showsMarks) {
        rows.push_back(row(SHOW_MARKS, Draws::FullWindow, MARK_MAGENTA));
    }
    if (step.showsFlattenedCasters) {
        const ReceiverFacts r = receiverFacts(step.receiver, s);
        rows.push_back(flattenedRow(SHOW_FLATTENED_CASTERS, Draws::FlattenedCasters, CASTER_YELLOW,
                                    r.receiver, r.shadowMatrix, r.lightInFront));
    }
}

// ---- Soft shadows -----------------------------------------------------------------------

// The soft pass for one receiver: drawn lit once; then for each of the first `samples`
// points of the light, that point's flattened casters mark the pixels they cover and the
// receiver counts its own marked pixels once; last, every pixel covered by k points is
// darkened by k / samples of the full shadow. Pixels no point's shadow covers keep the lit
// colour exactly; those every point's covers get exactly the hard pass's shadow.
void addSoftReceiver(std::vector<PassRow>& rows, const ReceiverFacts& r, const ProgramState& s) {
    // The previous receiver's counts are still in the stencil: start from zero.
    rows.push_back(clearRow(CLEAR_STENCIL));
    rows.push_back(row(PLAIN_LIT, r.surface, r.colour));
    for (int sample = 0; sample < s.lightSamples; ++sample) {
        const LightPosition point = lightSample(r.plane, s.lightPosition, s.lightRadius, sample);
        if (!lightIsInFront(r.plane, point)) {
            continue;
        }
        rows.push_back(flattenedRow(MARK_SAMPLE, Draws::FlattenedCastersForStencil, BLACK,
                                    r.receiver, buildShadowMatrix(r.plane, point), true));
        rows.push_back(row(COUNT_SAMPLE, r.surface, r.colour));
    }
    const float strength = s.translucentShadows ? 0.5f : 1.0f;
    for (int covered = 1; covered <= s.lightSamples; ++covered) {
        PassRow darken = row(DARKEN_COUNT, r.surface,
                             {0, 0, 0, strength * static_cast<float>(covered) / s.lightSamples});
        darken.state.stencil.ref = 2 * static_cast<unsigned>(covered);
        rows.push_back(darken);
    }
}

}  // namespace

// ---- Frames -----------------------------------------------------------------------------

std::vector<PassRow> shadowViewRows(const ProgramState& s) {
    std::vector<PassRow> rows = {clearRow(CLEAR_COLOUR | CLEAR_DEPTH | CLEAR_STENCIL)};
    const Steps steps = passSteps(s.stencilShadows);
    // Soft shadows draw each receiver with the soft pass in place of the hard pass's
    // steps; the stepping mode shows the hard pass's steps. Counting needs the stencil;
    // from the centre alone, or with the light on or behind the plane (where every point of
    // it is too), the hard pass draws the same.
    if (s.softShadows && !s.steppingPasses) {
        for (const Receiver receiver : {Receiver::Floor, Receiver::LeftWall}) {
            const ReceiverFacts r = receiverFacts(receiver, s);
            if (s.stencilShadows && s.lightSamples > 1 && r.lightInFront) {
                addSoftReceiver(rows, r, s);
                continue;
            }
            for (const PassStep& step : steps) {
                if (step.drawing != StepDrawing::RestOfRoom && step.receiver == receiver) {
                    addStep(rows, step, s);
                }
            }
        }
        addRestOfRoom(rows, s);
        return rows;
    }
    const int drawn =
        s.steppingPasses ? clampedPassStep(s.passStep, s.stencilShadows) : steps.count;
    for (int number = 1; number <= drawn; ++number) {
        addStep(rows, steps[number], s);
    }
    if (s.steppingPasses) {
        addOverlays(rows, steps[drawn], s);
    }
    return rows;
}

std::vector<PassRow> plainViewRows(const ProgramState&) {
    return {
        clearRow(CLEAR_COLOUR | CLEAR_DEPTH | CLEAR_STENCIL),
        row(PLAIN_LIT, Draws::Cone, PLAIN_FIRST_COLOUR),
        row(PLAIN_LIT, Draws::Sphere, PLAIN_FIRST_COLOUR),
        row(PLAIN_UNLIT, Draws::LightMarker, LIGHT_MARKER_COLOUR),
        // At exactly the depth of the first drawing these fail GL_LESS: cone and sphere
        // stay white.
        row(PLAIN_LIT, Draws::Cone, PLAIN_CONE_COLOUR),
        row(PLAIN_LIT, Draws::Sphere, PLAIN_SPHERE_COLOUR),
    };
}

// ---- The stepping mode ------------------------------------------------------------------

int passStepCount(bool stencilShadows) {
    return passSteps(stencilShadows).count;
}

int clampedPassStep(int step, bool stencilShadows) {
    return std::clamp(step, 1, passStepCount(stencilShadows));
}

const char* passStepCaption(int number, bool stencilShadows) {
    return passSteps(stencilShadows)[clampedPassStep(number, stencilShadows)].caption;
}

std::string currentStepCaption(const ProgramState& s) {
    if (!s.steppingPasses) {
        return "";
    }
    const int step = clampedPassStep(s.passStep, s.stencilShadows);
    return "Step " + std::to_string(step) + " of " +
           std::to_string(passStepCount(s.stencilShadows)) + ": " +
           passStepCaption(step, s.stencilShadows);
}

std::string currentStepStateText(const ProgramState& s) {
    if (!s.steppingPasses) {
        return "";
    }
    std::vector<PassRow> rows;
    addStep(rows, passSteps(s.stencilShadows)[clampedPassStep(s.passStep, s.stencilShadows)], s);
    return rowsAsText(rows);
}

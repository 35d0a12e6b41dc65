#include "state/shadow_pass.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
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
// A colour at alpha a added to what is there: a share a of a light.
constexpr BlendState BLEND_ADD_SHARE = {true, BlendFactor::SrcAlpha, BlendFactor::One};
constexpr bool COLOUR = true;
constexpr bool NO_COLOUR = false;
// Light 1 with the room's ambient light, which shines only where light 1 does; the rows lit
// by every light (litByEveryLight) add the others to it.
constexpr LightingState LIT = {true, FIRST_LIGHT, true};
constexpr LightingState UNLIT = {false, FIRST_LIGHT, true};
// One light's own light, without the ambient light; which light is set per row.
constexpr LightingState LIT_ALONE = {true, 0, false};

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
    REMARK_RECEIVER,
    ADD_LIGHT,
    ADD_LIGHT_HALF,
    ADD_COUNT,
    SHOW_STENCIL_VALUE,
    SHOW_RECEIVER_STENCIL_VALUE,
    READ_STENCIL_BIT,
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

    // Every light after the first adds its own light to each receiver, after light 1's pass
    // on it, three rows per receiver: marked again, cleared by this light's flattened
    // casters (CLEAR_MARKS), and its light added where a mark survived.
    // REMARK_RECEIVER: the receiver into the stencil alone, on the depth it stored: each of
    // its own pixels marked 1 again, whatever the light before cleared.
    {{true, Compare::Always, 1, 1, Op::Keep, Op::Keep, Op::Replace, ALL_STENCIL_BITS},
     NO_COLOUR, DEPTH_LEQUAL, UNLIT, NO_BLEND},
    // ADD_LIGHT: the receiver lit by this light alone, added only where its mark survived:
    // the light reaches those pixels, and in its shadow the other lights' colours stay.
    {{true, Compare::Equal, 1, 1, Op::Keep, Op::Keep, Op::Keep, ALL_STENCIL_BITS},
     COLOUR, DEPTH_LEQUAL, LIT_ALONE, BLEND_ADD_SHARE},
    // ADD_LIGHT_HALF: translucent, half of this light where its mark was cleared.
    {{true, Compare::Equal, 0, 1, Op::Keep, Op::Keep, Op::Keep, ALL_STENCIL_BITS},
     COLOUR, DEPTH_LEQUAL, LIT_ALONE, BLEND_ADD_SHARE},
    // ADD_COUNT: soft, for each count k, the receiver lit by this light alone and added at
    // 1 - k / n of its strength, only where the stencil holds exactly 2k.
    {{true, Compare::Equal, 0, ALL_STENCIL_BITS, Op::Keep, Op::Keep, Op::Keep,
      ALL_STENCIL_BITS},
     COLOUR, DEPTH_LEQUAL, LIT_ALONE, BLEND_ADD_SHARE},

    // The stencil view: one draw per value that can occur, each in that value's colour
    // where the stencil holds exactly it (the reference is set per row); none changes the
    // stencil, and depth is only ever written as it stands, so the next frame is the same.
    // SHOW_STENCIL_VALUE: over the whole window, in front of anything.
    {{true, Compare::Equal, 0, ALL_STENCIL_BITS, Op::Keep, Op::Keep, Op::Keep,
      ALL_STENCIL_BITS},
     COLOUR, NO_DEPTH_TEST, UNLIT, NO_BLEND},
    // SHOW_RECEIVER_STENCIL_VALUE: the receiver again on its own depth, so only its own
    // pixels show its values, before the next receiver's pass changes them.
    {{true, Compare::Equal, 0, ALL_STENCIL_BITS, Op::Keep, Op::Keep, Op::Keep,
      ALL_STENCIL_BITS},
     COLOUR, DEPTH_LEQUAL, UNLIT, NO_BLEND},
    // READ_STENCIL_BIT: one bit of the stencil (reference and mask set per row) added into
    // the red of a cleared target as that bit's value out of 255: the eight rows leave the
    // whole value there, where a renderer that cannot read the stencil can read the colour.
    {{true, Compare::Equal, 0, 0, Op::Keep, Op::Keep, Op::Keep, ALL_STENCIL_BITS},
     COLOUR, NO_DEPTH_TEST, UNLIT, BLEND_ADD},
};
// clang-format on
static_assert(std::size(RENDER_STATES) == READ_STENCIL_BIT + 1, "a render state for every pass");

constexpr Colour BLACK = {0, 0, 0, 1};
constexpr Colour HALF_BLACK = {0, 0, 0, 0.5f};
constexpr Colour MARK_MAGENTA = {1, 0, 1, 0.5f};
constexpr Colour CASTER_YELLOW = {1, 1, 0, 1};

PassRow row(Pass pass, Draws draws, Colour colour) {
    return {draws, RENDER_STATES[pass], colour, 0, Receiver::Floor, {}, 0};
}

// The casters, the room's shell, the receivers without the stencil: lit by every light
// there is, and the ambient light.
PassRow litByEveryLight(PassRow lit, const ProgramState& s) {
    lit.state.lighting.lights = (1u << s.lightCount) - 1;
    return lit;
}

// Lit by this light alone, a share of it as the colour's alpha says.
PassRow litAlone(PassRow lit, int light, float share) {
    lit.state.lighting.lights = 1u << light;
    lit.colour.a = share;
    lit.light = light;
    return lit;
}

PassRow clearRow(unsigned buffers) {
    PassRow clear = row(PLAIN_LIT, Draws::Clear, BLACK);
    clear.clear = buffers;
    return clear;
}

// ---- The two receivers ------------------------------------------------------------------

// A receiver as one light sees it.
struct ReceiverFacts {
    Receiver receiver;
    Draws surface;
    Colour colour;
    PlaneEquation plane;
    int light;
    ShadowMatrix shadowMatrix;
    // With the light on or behind the plane, the receiver faces away from it and nothing
    // is flattened onto it.
    bool lightInFront;
};

ReceiverFacts receiverFacts(Receiver receiver, int light, const ProgramState& s) {
    const bool floor = receiver == Receiver::Floor;
    const PlaneEquation& plane = floor ? s.floorPlane : s.leftWallPlane;
    const Light& l = s.lights[light];
    return {receiver,
            floor ? Draws::Floor : Draws::LeftWall,
            floor ? FLOOR_COLOUR : WALL_COLOUR,
            plane,
            light,
            floor ? l.floorShadowMatrix : l.leftWallShadowMatrix,
            lightIsInFront(plane, l.shinesFrom)};
}

// The casters flattened onto the receiver by `matrix` along the rays of the receiver's
// light, or nothing when that light cannot cast onto it.
PassRow flattenedRow(Pass pass, Draws draws, Colour colour, const ReceiverFacts& r,
                     const ShadowMatrix& matrix, bool lightInFront) {
    PassRow flattened = row(pass, lightInFront ? draws : Draws::Nothing, colour);
    flattened.receiver = r.receiver;
    flattened.flatten = matrix;
    flattened.light = r.light;
    return flattened;
}

// ---- The steps, as the stepping mode shows them -----------------------------------------

enum class StepDrawing {
    MarkReceiver,
    RemarkReceiver,
    ClearMarks,
    DarkenCleared,
    AddLight,
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

// Each light after the first, after light 1's steps on the same receiver.
constexpr PassStep ADDED_LIGHT_STEPS[] = {
    {Receiver::Floor, StepDrawing::RemarkReceiver, true, false,
     "Floor: marked with a 1 again (magenta), drawn into the stencil alone on the depth it "
     "stored, whatever the light before cleared."},
    {Receiver::Floor, StepDrawing::ClearMarks, true, true,
     "Floor: this light's flattened casters (yellow) clear the marks they cover."},
    {Receiver::Floor, StepDrawing::AddLight, true, false,
     "Floor: drawn again lit by this light alone and added, only where a mark survived: in "
     "its shadow the other lights' colours stay."},
    {Receiver::LeftWall, StepDrawing::RemarkReceiver, true, false,
     "Left wall: marked with a 1 again (magenta), drawn into the stencil alone on the depth "
     "it stored."},
    {Receiver::LeftWall, StepDrawing::ClearMarks, true, true,
     "Left wall: this light's flattened casters (yellow) clear the marks they cover."},
    {Receiver::LeftWall, StepDrawing::AddLight, true, false,
     "Left wall: drawn again lit by this light alone and added where a mark survived."},
};

constexpr PassStep NAIVE_ADDED_LIGHT_STEPS[] = {
    {Receiver::Floor, StepDrawing::UnconfinedShadows, false, true,
     "Floor: this light's flattened casters (yellow) drawn straight over it in black too."},
    {Receiver::LeftWall, StepDrawing::UnconfinedShadows, false, true,
     "Left wall: this light's flattened casters (yellow) drawn straight over it in black too."},
};

// With several lights, the last step's caption.
constexpr const char* LIGHTS_REST_OF_ROOM =
    "The rest of the room, every light's marker and the casters themselves, lit by every "
    "light, finish the frame.";

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

// A step of the frame: one of the tables' steps, done for one light.
struct LightStep {
    const PassStep* step;
    int light;
};

// For each receiver, light 1's steps on it, then those of each light after it; last the
// rest of the room. With one light, the table's steps in the table's order.
std::vector<LightStep> passSteps(bool stencilShadows, int lightCount) {
    const Steps first = stencilShadows ? stepsOf(STENCIL_STEPS) : stepsOf(NAIVE_STEPS);
    const Steps added =
        stencilShadows ? stepsOf(ADDED_LIGHT_STEPS) : stepsOf(NAIVE_ADDED_LIGHT_STEPS);
    std::vector<LightStep> steps;
    for (const Receiver receiver : {Receiver::Floor, Receiver::LeftWall}) {
        for (const PassStep& step : first) {
            if (step.receiver == receiver && step.drawing != StepDrawing::RestOfRoom) {
                steps.push_back({&step, 0});
            }
        }
        for (int light = 1; light < lightCount; ++light) {
            for (const PassStep& step : added) {
                if (step.receiver == receiver) {
                    steps.push_back({&step, light});
                }
            }
        }
    }
    steps.push_back({&first[first.count], 0});
    return steps;
}

// With several lights, each light's own steps name it.
std::string stepCaption(const LightStep& step, int lightCount) {
    const StepDrawing drawing = step.step->drawing;
    if (lightCount == 1 || drawing == StepDrawing::LitReceiver) {
        return step.step->caption;
    }
    if (drawing == StepDrawing::RestOfRoom) {
        return LIGHTS_REST_OF_ROOM;
    }
    return lightName(step.light) + ". " + step.step->caption;
}

// Every light's marker, in its own colour; the sun's with its rays, and the selected one,
// once there are several, ringed.
void addLightMarkers(std::vector<PassRow>& rows, const ProgramState& s) {
    for (int light = 0; light < s.lightCount; ++light) {
        const Colour colour = LIGHT_DESIGNS[light].markerColour;
        std::vector<PassRow> marker = {row(PLAIN_UNLIT, Draws::LightMarker, colour)};
        if (s.lights[light].sun) {
            marker.push_back(row(PLAIN_UNLIT, Draws::SunRays, colour));
        }
        if (s.lightCount > 1 && light == s.selectedLight) {
            marker.push_back(row(PLAIN_UNLIT, Draws::SelectionRing, SELECTION_RING_COLOUR));
        }
        for (PassRow& part : marker) {
            part.light = light;
            rows.push_back(part);
        }
    }
}

// The room's shell, the markers and the casters themselves: what completes every frame.
void addRestOfRoom(std::vector<PassRow>& rows, const ProgramState& s) {
    rows.push_back(litByEveryLight(row(PLAIN_LIT, Draws::RoomShell, WALL_COLOUR), s));
    addLightMarkers(rows, s);
    rows.push_back(litByEveryLight(row(PLAIN_LIT, Draws::Teapot, teapotColour(s.tintLevel)), s));
    rows.push_back(litByEveryLight(row(PLAIN_LIT, Draws::Cone, CONE_COLOUR), s));
    rows.push_back(litByEveryLight(row(PLAIN_LIT, Draws::Sphere, sphereColour(s.tintLevel)), s));
}

void addStep(std::vector<PassRow>& rows, const LightStep& step, const ProgramState& s) {
    const ReceiverFacts r = receiverFacts(step.step->receiver, step.light, s);
    const bool half = s.translucentShadows;
    switch (step.step->drawing) {
        case StepDrawing::MarkReceiver:
            rows.push_back(row(MARK_RECEIVER, r.surface, r.colour));
            break;
        case StepDrawing::RemarkReceiver:
            rows.push_back(row(REMARK_RECEIVER, r.surface, r.colour));
            break;
        case StepDrawing::ClearMarks:
            rows.push_back(flattenedRow(CLEAR_MARKS, Draws::FlattenedCastersForStencil, BLACK, r,
                                        r.shadowMatrix, r.lightInFront));
            break;
        case StepDrawing::DarkenCleared:
            rows.push_back(half ? row(DARKEN_CLEARED_HALF, r.surface, HALF_BLACK)
                                : row(DARKEN_CLEARED, r.surface, BLACK));
            break;
        case StepDrawing::AddLight:
            rows.push_back(litAlone(row(ADD_LIGHT, r.surface, r.colour), r.light, 1.0f));
            if (half) {
                rows.push_back(litAlone(row(ADD_LIGHT_HALF, r.surface, r.colour), r.light, 0.5f));
            }
            break;
        case StepDrawing::LitReceiver:
            rows.push_back(litByEveryLight(row(PLAIN_LIT, r.surface, r.colour), s));
            break;
        case StepDrawing::UnconfinedShadows:
            rows.push_back(flattenedRow(half ? UNCONFINED_SHADOWS_HALF : UNCONFINED_SHADOWS,
                                        Draws::FlattenedCasters, half ? HALF_BLACK : BLACK, r,
                                        r.shadowMatrix, r.lightInFront));
            break;
        case StepDrawing::RestOfRoom:
            addRestOfRoom(rows, s);
            break;
    }
}

// What the stepping mode draws over the frame after the last step drawn.
void addOverlays(std::vector<PassRow>& rows, const LightStep& step, const ProgramState& s) {
    if (step.step->showsMarks) {
        rows.push_back(row(SHOW_MARKS, Draws::FullWindow, MARK_MAGENTA));
    }
    if (step.step->showsFlattenedCasters) {
        const ReceiverFacts r = receiverFacts(step.step->receiver, step.light, s);
        rows.push_back(flattenedRow(SHOW_FLATTENED_CASTERS, Draws::FlattenedCasters, CASTER_YELLOW,
                                    r, r.shadowMatrix, r.lightInFront));
    }
}

// ---- Soft shadows -----------------------------------------------------------------------

// The soft pass for one receiver and one light: for light 1, the receiver drawn lit once;
// then for each of the first `samples` points of the light, that point's flattened casters
// mark the pixels they cover and the receiver counts its own marked pixels once; last, for
// light 1 every pixel covered by k points is darkened by k / samples of the full shadow, and
// any other light adds 1 - k / samples of its light there. Pixels no point's shadow covers
// get the light's whole light exactly; those every point's covers, exactly the hard pass's.
void addSoftReceiver(std::vector<PassRow>& rows, const ReceiverFacts& r, const ProgramState& s) {
    // The previous receiver's or light's counts are still in the stencil: start from zero.
    rows.push_back(clearRow(CLEAR_STENCIL));
    const bool first = r.light == 0;
    if (first) {
        rows.push_back(row(PLAIN_LIT, r.surface, r.colour));
    }
    const LightPosition& centre = s.lights[r.light].shinesFrom;
    for (int sample = 0; sample < s.lightSamples; ++sample) {
        const LightPosition point = lightSample(r.plane, centre, s.lightRadius, sample);
        if (!lightIsInFront(r.plane, point)) {
            continue;
        }
        rows.push_back(flattenedRow(MARK_SAMPLE, Draws::FlattenedCastersForStencil, BLACK, r,
                                    buildShadowMatrix(r.plane, point), true));
        rows.push_back(row(COUNT_SAMPLE, r.surface, r.colour));
    }
    const float strength = s.translucentShadows ? 0.5f : 1.0f;
    for (int covered = first ? 1 : 0; covered <= s.lightSamples; ++covered) {
        const float shadow = strength * static_cast<float>(covered) / s.lightSamples;
        PassRow share = first ? row(DARKEN_COUNT, r.surface, {0, 0, 0, shadow})
                              : litAlone(row(ADD_COUNT, r.surface, r.colour), r.light, 1 - shadow);
        share.state.stencil.ref = 2 * static_cast<unsigned>(covered);
        rows.push_back(share);
    }
}

// Whether a receiver gets the soft pass: counting needs the stencil; from the centre alone,
// or with the light on or behind the plane (where every point of it is too), the hard pass
// draws the same.
bool countsSoftly(const ProgramState& s, const ReceiverFacts& r) {
    return s.softShadows && s.stencilShadows && s.lightSamples > 1 && r.lightInFront;
}

// ---- The stencil view -------------------------------------------------------------------

// The values the hard pass leaves: unmarked, and marked.
const std::vector<unsigned> HARD_VALUES = {0, 1};

// What a receiver's soft pass can leave on its own pixels: twice each count, and the
// values of the hard pass, should a mark ever be left there.
std::vector<unsigned> countedValues(int samples) {
    std::vector<unsigned> values = HARD_VALUES;
    for (int covered = 1; covered <= samples; ++covered) {
        values.push_back(2 * static_cast<unsigned>(covered));
    }
    return values;
}

// One draw per value, each in its colour where the stencil holds exactly that value.
void addStencilValues(std::vector<PassRow>& rows, Pass pass, Draws draws,
                      const std::vector<unsigned>& values, int samples) {
    for (const unsigned value : values) {
        PassRow show = row(pass, draws, stencilViewColour(value, samples));
        show.state.stencil.ref = value;
        rows.push_back(show);
    }
}

// The stencil view's frame. Over the whole window after the current step; otherwise each
// receiver's values on its own pixels right after its own pass (with several lights, after
// each light's, the last one's staying), since the next receiver's flattened casters may
// clear this one's marks. The rest of the room never touches the stencil and is left out,
// so the view shows nothing but values.
std::vector<PassRow> stencilViewRows(const ProgramState& s) {
    std::vector<PassRow> rows = {clearRow(CLEAR_COLOUR | CLEAR_DEPTH | CLEAR_STENCIL)};
    const std::vector<LightStep> steps = passSteps(s.stencilShadows, s.lightCount);
    if (s.steppingPasses) {
        const int drawn = clampedPassStep(s.passStep, s.stencilShadows, s.lightCount);
        for (int number = 1; number <= drawn; ++number) {
            addStep(rows, steps[number - 1], s);
        }
        addStencilValues(rows, SHOW_STENCIL_VALUE, Draws::FullWindow, HARD_VALUES, 1);
        return rows;
    }
    for (const Receiver receiver : {Receiver::Floor, Receiver::LeftWall}) {
        for (int light = 0; light < s.lightCount; ++light) {
            const ReceiverFacts r = receiverFacts(receiver, light, s);
            if (countsSoftly(s, r)) {
                addSoftReceiver(rows, r, s);
                addStencilValues(rows, SHOW_RECEIVER_STENCIL_VALUE, r.surface,
                                 countedValues(s.lightSamples), s.lightSamples);
                continue;
            }
            for (const LightStep& step : steps) {
                if (step.step->drawing != StepDrawing::RestOfRoom &&
                    step.step->receiver == receiver && step.light == light) {
                    addStep(rows, step, s);
                }
            }
            addStencilValues(rows, SHOW_RECEIVER_STENCIL_VALUE, r.surface, HARD_VALUES, 1);
        }
    }
    return rows;
}

// ---- A pixel's history ------------------------------------------------------------------

// With several lights, a light's own stages name it.
std::string named(const std::string& what, int light, int lightCount) {
    return lightCount > 1 ? lightName(light) + ", " + what : what;
}

// A step in a few words, for the history's lines.
std::string stepName(const LightStep& step, int lightCount) {
    const std::string receiver = receiverName(step.step->receiver);
    std::string what;
    switch (step.step->drawing) {
        case StepDrawing::MarkReceiver:
            what = receiver + " drawn lit and marked";
            break;
        case StepDrawing::ClearMarks:
            what = receiver + "'s flattened casters clear marks";
            break;
        case StepDrawing::DarkenCleared:
            what = receiver + " darkened where a mark was cleared";
            break;
        case StepDrawing::LitReceiver:
            what = receiver + " drawn lit";
            break;
        case StepDrawing::UnconfinedShadows:
            what = receiver + "'s flattened casters drawn over it";
            break;
        case StepDrawing::RemarkReceiver:
            what = receiver + " marked again";
            break;
        case StepDrawing::AddLight:
            what = receiver + " lit again where a mark survived";
            break;
        case StepDrawing::RestOfRoom:
            return "the rest of the room";
    }
    return named(what, step.light, lightCount);
}

}  // namespace

// ---- Frames -----------------------------------------------------------------------------

std::vector<PassRow> shadowViewRows(const ProgramState& s) {
    if (s.showStencil) {
        return stencilViewRows(s);
    }
    std::vector<PassRow> rows = {clearRow(CLEAR_COLOUR | CLEAR_DEPTH | CLEAR_STENCIL)};
    const std::vector<LightStep> steps = passSteps(s.stencilShadows, s.lightCount);
    // Soft shadows draw each receiver with the soft pass of each light in place of that
    // light's hard steps; the stepping mode shows the hard pass's steps. Counting needs the
    // stencil; from the centre alone, or with the light on or behind the plane (where every
    // point of it is too), the hard pass draws the same.
    if (s.softShadows && !s.steppingPasses) {
        for (const Receiver receiver : {Receiver::Floor, Receiver::LeftWall}) {
            for (int light = 0; light < s.lightCount; ++light) {
                const ReceiverFacts r = receiverFacts(receiver, light, s);
                if (s.stencilShadows && s.lightSamples > 1 && r.lightInFront) {
                    addSoftReceiver(rows, r, s);
                    continue;
                }
                for (const LightStep& step : steps) {
                    if (step.step->drawing != StepDrawing::RestOfRoom &&
                        step.step->receiver == receiver && step.light == light) {
                        addStep(rows, step, s);
                    }
                }
            }
        }
        addRestOfRoom(rows, s);
        return rows;
    }
    const int drawn = s.steppingPasses ? clampedPassStep(s.passStep, s.stencilShadows, s.lightCount)
                                       : static_cast<int>(steps.size());
    for (int number = 1; number <= drawn; ++number) {
        addStep(rows, steps[number - 1], s);
    }
    if (s.steppingPasses) {
        addOverlays(rows, steps[drawn - 1], s);
    }
    return rows;
}

std::vector<PassRow> plainViewRows(const ProgramState& s) {
    std::vector<PassRow> rows = {
        clearRow(CLEAR_COLOUR | CLEAR_DEPTH | CLEAR_STENCIL),
        litByEveryLight(row(PLAIN_LIT, Draws::Cone, PLAIN_FIRST_COLOUR), s),
        litByEveryLight(row(PLAIN_LIT, Draws::Sphere, PLAIN_FIRST_COLOUR), s),
    };
    addLightMarkers(rows, s);
    // At exactly the depth of the first drawing these fail GL_LESS: cone and sphere stay
    // white.
    rows.push_back(litByEveryLight(row(PLAIN_LIT, Draws::Cone, PLAIN_CONE_COLOUR), s));
    rows.push_back(litByEveryLight(row(PLAIN_LIT, Draws::Sphere, PLAIN_SPHERE_COLOUR), s));
    return rows;
}

// ---- The stepping mode ------------------------------------------------------------------

int passStepCount(bool stencilShadows, int lightCount) {
    return static_cast<int>(passSteps(stencilShadows, lightCount).size());
}

int clampedPassStep(int step, bool stencilShadows, int lightCount) {
    return std::clamp(step, 1, passStepCount(stencilShadows, lightCount));
}

std::string passStepCaption(int number, bool stencilShadows, int lightCount) {
    const int step = clampedPassStep(number, stencilShadows, lightCount);
    return stepCaption(passSteps(stencilShadows, lightCount)[step - 1], lightCount);
}

std::string currentStepCaption(const ProgramState& s) {
    if (!s.steppingPasses) {
        return "";
    }
    const int step = clampedPassStep(s.passStep, s.stencilShadows, s.lightCount);
    return "Step " + std::to_string(step) + " of " +
           std::to_string(passStepCount(s.stencilShadows, s.lightCount)) + ": " +
           passStepCaption(step, s.stencilShadows, s.lightCount);
}

std::string currentStepStateText(const ProgramState& s) {
    if (!s.steppingPasses) {
        return "";
    }
    const int step = clampedPassStep(s.passStep, s.stencilShadows, s.lightCount);
    std::vector<PassRow> rows;
    addStep(rows, passSteps(s.stencilShadows, s.lightCount)[step - 1], s);
    return rowsAsText(rows, s.lightCount);
}

// ---- The stencil view -------------------------------------------------------------------

namespace {

struct Rgb {
    int r, g, b;
};

// Viridis at every eighth of its length, from its dark end to its yellow.
constexpr Rgb VIRIDIS[] = {{68, 1, 84},    {71, 45, 123},  {59, 82, 139},
                           {44, 114, 142}, {33, 145, 140}, {40, 174, 128},
                           {94, 201, 98},  {173, 220, 48}, {253, 231, 37}};

// Along the ramp, from 0 at its dark end to 1 at its yellow, between the stops in a line.
Rgb viridis(double t) {
    const double at = std::clamp(t, 0.0, 1.0) * (std::size(VIRIDIS) - 1);
    const size_t stop = std::min(static_cast<size_t>(at), std::size(VIRIDIS) - 2);
    const double part = at - static_cast<double>(stop);
    const auto mix = [part](int from, int to) {
        return static_cast<int>(std::lround(from + (to - from) * part));
    };
    const Rgb& a = VIRIDIS[stop];
    const Rgb& b = VIRIDIS[stop + 1];
    return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

std::string hex(const Colour& c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", static_cast<int>(std::lround(c.r * 255)),
                  static_cast<int>(std::lround(c.g * 255)),
                  static_cast<int>(std::lround(c.b * 255)));
    return text;
}

}  // namespace

Colour stencilViewColour(unsigned value, int samples) {
    if (value == 0) {
        return BLACK;
    }
    // An odd value holds a mark, whatever else it counts.
    if (value % 2 == 1) {
        return {MARK_MAGENTA.r, MARK_MAGENTA.g, MARK_MAGENTA.b, 1};
    }
    // One point at the ramp's dark end, every point at its yellow.
    const int counted = static_cast<int>(value / 2);
    const Rgb c = viridis(samples > 1 ? (counted - 1) / static_cast<double>(samples - 1) : 1.0);
    return {c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, 1};
}

std::vector<LegendEntry> stencilViewLegendEntries() {
    std::vector<std::string> ramp;
    const int stops = static_cast<int>(std::size(VIRIDIS));
    for (int counted = 1; counted <= stops; ++counted) {
        ramp.push_back(hex(stencilViewColour(2 * static_cast<unsigned>(counted), stops)));
    }
    return {{"0",
             {hex(stencilViewColour(0, 1))},
             "unmarked; with soft shadows, no point of the light counted"},
            {"1", {hex(stencilViewColour(1, 1))}, "marked"},
            {"2k", ramp, "soft shadows, k points of the light counted, from one to all"}};
}

std::string stencilViewLegend() {
    return legendText(stencilViewLegendEntries());
}

std::vector<PassRow> stencilReadingRows() {
    std::vector<PassRow> rows = {clearRow(CLEAR_COLOUR)};
    for (unsigned bit = 1; bit <= ALL_STENCIL_BITS; bit <<= 1) {
        PassRow read = row(READ_STENCIL_BIT, Draws::FullWindow, {bit / 255.0f, 0, 0, 1});
        read.state.stencil.ref = bit;
        read.state.stencil.valueMask = bit;
        rows.push_back(read);
    }
    return rows;
}

// ---- A pixel's history ------------------------------------------------------------------

std::vector<HistoryStage> pixelHistoryStages(const ProgramState& s) {
    std::vector<HistoryStage> stages;
    std::vector<PassRow> rows = {clearRow(CLEAR_COLOUR | CLEAR_DEPTH | CLEAR_STENCIL)};
    const std::vector<LightStep> steps = passSteps(s.stencilShadows, s.lightCount);
    for (size_t number = 1; number <= steps.size(); ++number) {
        addStep(rows, steps[number - 1], s);
        stages.push_back({"step " + std::to_string(number) + " (" +
                              stepName(steps[number - 1], s.lightCount) + ")",
                          rows, false});
        rows.clear();
    }
    // The soft frame anew, as refining leaves it, each receiver counted in turn.
    ProgramState refined = s;
    refined.lightSamples = LIGHT_SAMPLE_COUNT;
    rows.push_back(clearRow(CLEAR_COLOUR | CLEAR_DEPTH | CLEAR_STENCIL));
    for (const Receiver receiver : {Receiver::Floor, Receiver::LeftWall}) {
        for (int light = 0; light < s.lightCount; ++light) {
            const ReceiverFacts r = receiverFacts(receiver, light, refined);
            if (countsSoftly(refined, r)) {
                addSoftReceiver(rows, r, refined);
                stages.push_back({named(std::string(receiverName(receiver)) + "'s soft shadows",
                                        light, s.lightCount),
                                  rows, true});
                rows.clear();
            }
        }
    }
    return stages;
}

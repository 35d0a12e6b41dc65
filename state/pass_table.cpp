// The shadow pass's render states: the technique in GL's terms, one whole state per kind of
// draw. Every row of every frame is drawn with one of these, whole: no draw depends on what
// the one before it left behind, so the drawing can stop after any row and the next frame's
// clear finds its write masks as its own row sets them.
#include <iterator>

#include "shadow/light_samples.h"
#include "state/pass_rows.h"

namespace {

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

// ---- The variants: one choice made wrong ---------------------------------------------------

constexpr RenderState withDepth(RenderState state, DepthState depth) {
    state.depth = depth;
    return state;
}

constexpr RenderState withPolygonOffset(RenderState state, PolygonOffsetState offset) {
    state.polygonOffset = offset;
    return state;
}

// The flattened casters tested against the receiver's depth, but writing none of their own,
// so the test alone is what changes.
constexpr DepthState DEPTH_TESTED_NO_WRITES = {true, Compare::Less, false};
// A slope of 1 and two of the depth buffer's steps towards the eye: in the receiver's very
// plane, the flattened polygons' depths then fall short of the receiver's, which rounding
// alone left a hair either side, and pass GL_LESS.
constexpr PolygonOffsetState PULLED_TOWARDS_EYE = {true, -1, -2};

struct VariedState {
    Variant variant;
    Pass pass;
    RenderState state;
};

// Each variant's kind of draw with its whole state, the one choice changed; the translucent
// twin of a row changes alike.
constexpr VariedState VARIED_STATES[] = {
    {Variant::DepthTestedClear, CLEAR_MARKS,
     withDepth(RENDER_STATES[CLEAR_MARKS], DEPTH_TESTED_NO_WRITES)},
    {Variant::DarkenWithLess, DARKEN_CLEARED, withDepth(RENDER_STATES[DARKEN_CLEARED], DEPTH_LESS)},
    {Variant::DarkenWithLess, DARKEN_CLEARED_HALF,
     withDepth(RENDER_STATES[DARKEN_CLEARED_HALF], DEPTH_LESS)},
    {Variant::PolygonOffset, UNCONFINED_SHADOWS,
     withPolygonOffset(RENDER_STATES[UNCONFINED_SHADOWS], PULLED_TOWARDS_EYE)},
    {Variant::PolygonOffset, UNCONFINED_SHADOWS_HALF,
     withPolygonOffset(RENDER_STATES[UNCONFINED_SHADOWS_HALF], PULLED_TOWARDS_EYE)},
};

}  // namespace

PassRow row(Pass pass, Draws draws, Colour colour) {
    return {draws, RENDER_STATES[pass], colour, 0, Receiver::Floor, {}, 0, false, false, {}};
}

PassRow varied(PassRow drawn, Pass pass, Variant variant) {
    for (const VariedState& changed : VARIED_STATES) {
        if (changed.variant == variant && changed.pass == pass) {
            drawn.state = changed.state;
        }
    }
    return drawn;
}

PassRow litByEveryLight(PassRow lit, const ProgramState& s) {
    lit.state.lighting.lights = (1u << s.lightCount) - 1;
    return lit;
}

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

// ---- The receivers -------------------------------------------------------------------------

std::vector<ReceiverLight> eachReceiverEachLight(unsigned receivers, int lightCount) {
    std::vector<ReceiverLight> order;
    for (int receiver = 0; receiver < RECEIVER_COUNT; ++receiver) {
        if ((receivers & (1u << receiver)) == 0) {
            continue;
        }
        for (int light = 0; light < lightCount; ++light) {
            order.push_back({static_cast<Receiver>(receiver), light});
        }
    }
    return order;
}

namespace {

// Each receiver's shape and colour, by Receiver.
struct ReceiverLook {
    Draws surface;
    Colour colour;
};
constexpr ReceiverLook RECEIVER_LOOKS[RECEIVER_COUNT] = {
    {Draws::Floor, FLOOR_COLOUR},    {Draws::LeftWall, WALL_COLOUR}, {Draws::BackWall, WALL_COLOUR},
    {Draws::RightWall, WALL_COLOUR}, {Draws::Ceiling, WALL_COLOUR},  {Draws::Board, BOARD_COLOUR},
};

}  // namespace

ReceiverFacts receiverFacts(ReceiverLight which, const ProgramState& s) {
    const int receiver = static_cast<int>(which.receiver);
    const PlaneEquation& plane = s.planes[receiver];
    const Light& l = s.lights[which.light];
    return {which.receiver,
            RECEIVER_LOOKS[receiver].surface,
            RECEIVER_LOOKS[receiver].colour,
            plane,
            which.light,
            l.shadowMatrices[receiver],
            lightIsInFront(plane, l.shinesFrom) || drawnVariant(s) == Variant::NoLightSideCheck,
            s.boardShown && which.receiver != Receiver::Board};
}

PassRow flattenedRow(Pass pass, Draws draws, Colour colour, const ReceiverFacts& r,
                     const ShadowMatrix& matrix, bool lightInFront) {
    PassRow flattened = row(pass, lightInFront ? draws : Draws::Nothing, colour);
    flattened.receiver = r.receiver;
    flattened.flatten = matrix;
    flattened.light = r.light;
    flattened.castsBoard = r.castsBoard;
    flattened.clipped = r.receiver == Receiver::Board;
    flattened.clipPlane = r.plane;
    return flattened;
}

// One draw or clear of a frame with the whole GL state it is drawn with, in GL's own terms
// but without GL, so both renderers draw from the same rows and the tests and the learner
// can read them. The enums carry GL's own values, and a renderer hands them on as they are.
#pragma once

#include <vector>

#include "shadow/board.h"
#include "shadow/room.h"
#include "shadow/shadow_math.h"

// The comparisons of glStencilFunc and glDepthFunc.
enum class Compare : unsigned {
    Less = 0x0201,
    Equal = 0x0202,
    LEqual = 0x0203,
    Always = 0x0207,
};

// The operations of glStencilOp.
enum class StencilOp : unsigned {
    Zero = 0,
    Keep = 0x1E00,
    Replace = 0x1E01,
    Incr = 0x1E02,
};

// The factors of glBlendFunc, all of them GL 1.1's.
enum class BlendFactor : unsigned {
    Zero = 0,
    One = 1,
    SrcAlpha = 0x0302,
    OneMinusSrcAlpha = 0x0303,
};

// glEnable(GL_STENCIL_TEST), glStencilFunc, glStencilOp and glStencilMask, in that order.
struct StencilState {
    bool test;
    Compare func;
    unsigned ref;
    unsigned valueMask;
    StencilOp fail, depthFail, depthPass;
    unsigned writeMask;
};

// glEnable(GL_DEPTH_TEST), glDepthFunc and glDepthMask.
struct DepthState {
    bool test;
    Compare func;
    bool writes;
};

// glEnable(GL_LIGHTING); which lights it lights with, bit i for GL_LIGHTi (light i + 1),
// each of GL_LIGHT0 to GL_LIGHT3 enabled or disabled; and the scene's ambient light,
// glLightModelfv(GL_LIGHT_MODEL_AMBIENT): GL's own 0.2 grey, or none.
struct LightingState {
    bool on;
    unsigned lights;
    bool ambient;
};

// Light 1 alone, GL_LIGHT0, as in every lit row while there is one light.
constexpr unsigned FIRST_LIGHT = 1;

// glEnable(GL_BLEND) and glBlendFunc.
struct BlendState {
    bool on;
    BlendFactor source, destination;
};

// glEnable(GL_POLYGON_OFFSET_FILL), on the desktop GL_POLYGON_OFFSET_LINE too, and
// glPolygonOffset: each fragment's depth moved by factor times the polygon's depth slope
// plus units times the depth buffer's smallest step, negative towards the eye.
struct PolygonOffsetState {
    bool on;
    float factor, units;
};

// Everything a draw depends on that the frame ever changes: the stencil, the colour mask
// (all four channels together), the depth test, lighting, blending, and the polygon offset,
// which only a variant of the pass turns on (state/variants.h).
struct RenderState {
    StencilState stencil;
    bool colourWrites;
    DepthState depth;
    LightingState lighting;
    BlendState blend;
    PolygonOffsetState polygonOffset = {false, 0, 0};
};

inline bool operator==(const StencilState& a, const StencilState& b) {
    return a.test == b.test && a.func == b.func && a.ref == b.ref && a.valueMask == b.valueMask &&
           a.fail == b.fail && a.depthFail == b.depthFail && a.depthPass == b.depthPass &&
           a.writeMask == b.writeMask;
}

inline bool operator==(const RenderState& a, const RenderState& b) {
    return a.stencil == b.stencil && a.colourWrites == b.colourWrites &&
           a.depth.test == b.depth.test && a.depth.func == b.depth.func &&
           a.depth.writes == b.depth.writes && a.lighting.on == b.lighting.on &&
           a.lighting.lights == b.lighting.lights && a.lighting.ambient == b.lighting.ambient &&
           a.blend.on == b.blend.on && a.blend.source == b.blend.source &&
           a.blend.destination == b.blend.destination && a.polygonOffset.on == b.polygonOffset.on &&
           a.polygonOffset.factor == b.polygonOffset.factor &&
           a.polygonOffset.units == b.polygonOffset.units;
}

// The stencil's 8 bits, as both editions' framebuffers have them.
constexpr unsigned ALL_STENCIL_BITS = 0xFF;

// What a row draws. The renderer places each shape as the scene stands (the teapot at its
// offset, the marker at the light) and draws it in the row's colour.
enum class Draws {
    // Clears the buffers the row names, through the row's write masks.
    Clear,
    Floor,
    LeftWall,
    BackWall,
    RightWall,
    Ceiling,
    Board,
    // The casters flattened onto the receiver's plane by the row's matrix, their
    // primitives in the order they are drawn lit, the board last where the row casts it; or,
    // for a row that only sets or clears
    // stencil bits, in whatever order and with whatever repeats left out suit the
    // renderer, since there neither changes a pixel.
    FlattenedCasters,
    FlattenedCastersForStencil,
    // The right wall, the ceiling and the back wall, while none of them receives.
    RoomShell,
    // The row's light's marker, and what sets it apart: the ring of the selected light and
    // the sun's rays.
    LightMarker,
    SelectionRing,
    SunRays,
    Teapot,
    Cone,
    Sphere,
    // A square over the whole window, at no depth in particular.
    FullWindow,
    // Nothing: the state alone, where there is nothing to flatten.
    Nothing,
};

// Where a renderer places a shape: as its geometry stands in the room, moved sideways by
// the frame's teapot offset, at the row's light's marker (grown with the light while soft
// shadows are on), or around that marker in units of the marker's radius.
// The board stands where the frame has it.
enum class Placement { InRoom, AtTeapot, AtMarker, AroundMarker, AtBoard };

// The shapes of the scene: each renderer keeps their geometry in a table of its own, and
// places and draws them alike. The other rows (a clear, the flattened casters, a square
// over the window, nothing) draw what the frame gives them.
struct SceneShape {
    Draws draws;
    Placement placement;
    // What a row drawing it does, as the stepping mode prints it.
    const char* drawn;
};
constexpr SceneShape SCENE_SHAPES[] = {
    {Draws::Floor, Placement::InRoom, "draw the floor"},
    {Draws::LeftWall, Placement::InRoom, "draw the left wall"},
    {Draws::BackWall, Placement::InRoom, "draw the back wall"},
    {Draws::RightWall, Placement::InRoom, "draw the right wall"},
    {Draws::Ceiling, Placement::InRoom, "draw the ceiling"},
    {Draws::Board, Placement::AtBoard, "draw the board"},
    {Draws::RoomShell, Placement::InRoom, "draw the right wall, the ceiling and the back wall"},
    {Draws::LightMarker, Placement::AtMarker, "draw the light marker"},
    {Draws::SelectionRing, Placement::AroundMarker, "draw a ring around the light marker"},
    {Draws::SunRays, Placement::AroundMarker, "draw the sun's rays around its marker"},
    {Draws::Teapot, Placement::AtTeapot, "draw the teapot"},
    {Draws::Cone, Placement::InRoom, "draw the cone"},
    {Draws::Sphere, Placement::InRoom, "draw the sphere"},
};

// The scene's shape a row draws, or null for the rows that draw no shape of the scene.
constexpr const SceneShape* sceneShape(Draws draws) {
    for (const SceneShape& shape : SCENE_SHAPES) {
        if (shape.draws == draws) {
            return &shape;
        }
    }
    return nullptr;
}

// Every plane that can take shadows, in the order each frame visits them.
enum class Receiver { Floor, LeftWall, BackWall, RightWall, Ceiling, Board };
constexpr int RECEIVER_COUNT = 6;

// A set of receivers, bit i for receiver i.
constexpr unsigned receiverBit(Receiver receiver) {
    return 1u << static_cast<unsigned>(receiver);
}
constexpr unsigned DEFAULT_RECEIVERS =
    receiverBit(Receiver::Floor) | receiverBit(Receiver::LeftWall);

// Which buffers a Clear row clears.
enum ClearBits : unsigned { CLEAR_COLOUR = 1, CLEAR_DEPTH = 2, CLEAR_STENCIL = 4 };

struct PassRow {
    Draws draws;
    RenderState state;
    Colour colour;
    // Clear rows: what they clear. Flattened casters: the receiver they fall on and the
    // matrix that flattens them onto its plane.
    unsigned clear;
    Receiver receiver;
    ShadowMatrix flatten;
    // The light the row is for (0 for light 1): the marker's, or whose shadow it draws.
    int light;
    // Flattened casters: whether the board is among them (onto any receiver but itself).
    bool castsBoard;
    // Flattened casters onto the board: only what stands on the light's side of this plane
    // (a·x + b·y + c·z + d >= 0 before flattening), since the shadow matrix projects what
    // stands behind the board as well, and it must throw nothing onto it.
    bool clipped;
    PlaneEquation clipPlane;
};

// A light as a frame lights and marks with it.
struct FrameLight {
    // Where GL lights from: where the light stands, or for the sun its direction, w 0.
    LightPosition position;
    // GL_DIFFUSE; the light has no ambient or specular light of its own.
    Colour colour;
    // Where its marker stands.
    Point3 markerCentre;
};

// One frame, whole: its rows and everything they are drawn with, so a renderer draws from
// this alone and keeps nothing of the program's between frames.
struct Frame {
    std::vector<PassRow> rows;
    // The drawing buffer's size, which the picture stretches to fill.
    int width, height;
    Frustum projection;
    // lights[0] to lights[lightCount - 1]; a row's `light` and its lighting pick from them.
    FrameLight lights[MAX_LIGHTS];
    int lightCount;
    // With soft shadows the markers grow to the light's size: scaled by markerScale.
    bool markersScaled;
    float markerScale;
    float teapotOffset;
    // Shown by a buffer swap, or else by a flush.
    bool doubleBuffered;
    // Where a row drawing the board, or casting it, places it.
    BoardPlace board;
    // Soft shadows past one batch of the light's points: which batch this frame's rows draw,
    // from 0, and its share of the average of the batches so far. The renderer keeps that
    // average in floating point, adds the frame to it (batch 0 starts it anew, a batch it
    // has added already is not added again) and shows the average in place of the frame.
    // -1 for a frame that is its own picture, as every other frame is.
    int batch = -1;
    float batchShare = 0;
};

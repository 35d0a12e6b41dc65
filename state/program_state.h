// Everything the handlers share, in one record that lives as long as the process, and the
// upkeep of the shadow matrices it holds. No GL: every renderer reads this record.
#pragma once

#include <string>

#include "shadow/board.h"
#include "shadow/light_samples.h"
#include "shadow/room.h"
#include "shadow/shadow_math.h"
#include "state/light_path.h"
#include "state/render_state.h"
#include "state/variants.h"

// Which light coordinates a drag moves: across and up/down, or in depth.
enum DragMode { DRAG_XY = 0, DRAG_Z = 1 };

// One light. A drag or the keys move where it stands; the sun shines from the room's centre
// towards there, so moving it along that direction changes nothing. The rest follows from
// those two, kept up to date by updateShadowMatrices(): the position GL lights with (where
// it stands, or for the sun that direction with w 0, parallel rays) and its shadow matrix
// for each receiver, by Receiver.
struct Light {
    LightPosition standsAt = START_LIGHT;
    bool sun = false;
    LightPosition shinesFrom = START_LIGHT;
    ShadowMatrix shadowMatrices[RECEIVER_COUNT] = {};
};

struct ProgramState {
    int doubleBuffered = 1;
    // lights[0] to lights[lightCount - 1] shine; the drag and the keys move the selected one.
    Light lights[MAX_LIGHTS];
    int lightCount = 1;
    int selectedLight = 0;
    // 0 until GLUT delivers the first reshape.
    int windowWidth = 0;
    int windowHeight = 0;
    DragMode dragMode = DRAG_XY;
    float teapotOffsetX = 0.0f;
    float tintLevel = 0.0f;
    // How the shadows are drawn, switched from the menu to show what the stencil is for:
    // translucent shadows halve their receiver's colour instead of blacking it out, and
    // without the stencil the flattened casters go straight onto the receiver.
    bool translucentShadows = false;
    bool stencilShadows = true;
    // Which of the room's faces take shadows (receiverBit), and the board, which takes them
    // while it is shown, and casts its own.
    unsigned receivers = DEFAULT_RECEIVERS;
    bool boardShown = false;
    BoardPlace board = BOARD_START;
    // Each receiver's plane, by Receiver: the room's once at start-up, the board's as it
    // moves.
    PlaneEquation planes[RECEIVER_COUNT] = {};
    // The stepping mode: the shadow view drawn only up to step passStep (from 1) of
    // state/shadow_pass.h's steps, with the stencil's marks and the flattened casters shown.
    bool steppingPasses = false;
    int passStep = 1;
    // Soft shadows, switched from the menu: the light is a ball of lightRadius, and each
    // receiver's shadows are drawn from lightSamples points of it (shadow/light_samples.h),
    // from point firstLightSample on. lightSamples is 1, the centre alone and so the hard
    // frame, while anything moves; while the scene is still it grows to a batch of
    // LIGHT_SAMPLE_COUNT, and then each batch after it is averaged with those before it
    // (samplesAtRest in state/shadow_pass.h) until restingLightSamples points are in.
    // softShadowsAvailable is false where the stencil is too small to count the samples in;
    // the switch then stays off. batchesAveragable is false where the renderer cannot sum
    // frames in floating point: the picture at rest then stops at the first batch.
    bool softShadows = false;
    float lightRadius = 5.0f;
    int lightSamples = 1;
    int firstLightSample = 0;
    int restingLightSamples = DEFAULT_RESTING_SAMPLES;
    bool softShadowsAvailable = true;
    bool batchesAveragable = true;
    // The stencil view, switched with 'v': the stencil's values in false colour instead of
    // the frame (state/shadow_pass.h), and a pixel's history where the pointer rests.
    bool showStencil = false;
    // A variant of the pass (state/variants.h), one choice in it made wrong; while `comparing`
    // (the compare key held) the frame shows the right pass in its place.
    Variant variant = Variant::None;
    bool comparing = false;
    // The picture alone over the whole screen ('f'): no part of a link, since a browser
    // fills the screen only at a visitor's own key or click.
    bool fullScreen = false;
    // The selected light's path (state/light_path.h): while `recording`, its position joins
    // it ten times a second, for an animation a link carries. No part of the picture.
    RecordedPath path;
    bool recording = false;
};

extern ProgramState programState;

// The room's planes, and every light's position and matrices; once, before the first frame.
void prepareShadowReceivers();

// The board's plane, every light's position for GL and all its matrices again, after a
// light or the board has moved, come, gone or a light turned into the sun or back.
void updateShadowMatrices();

// The receivers that take shadows now: the room's faces switched on, and the board while it
// is shown.
unsigned receiving(const ProgramState& s);

// The next light, in its own colour where it first stands, selected; false, and nothing
// changed, when there are MAX_LIGHTS already.
bool addLight();

// The light added last goes, and the selection stays on a light that is left; false, and
// nothing changed, when light 1 is the only one.
bool removeLight();

// Where the light's marker is drawn: where the light stands, or for the sun, at
// SUN_MARKER_DISTANCE from the room's centre towards where it stands.
Point3 lightMarkerCentre(const Light& light);

// How the captions and the notices name light `light` (from 0): "Light 2 (orange)".
std::string lightName(int light);

// Standing at the room's centre, a sun would shine from no direction.
bool canBeTheSun(const LightPosition& standsAt);
// Whether a sun may follow a path through these positions: none at the room's centre.
bool sunCanFollow(const Point3* first, const Point3* last);

// The tint's next level on its climb from 0: a fixed step up, to just below 1.0, where it
// rests and the next level is the same.
float nextTintLevel(float level);

// Where the tint comes to rest, as a picture shows it once the climb has ended.
float restingTintLevel();

// The light marker's radius: the light's own while soft shadows are on, but never smaller
// than the marker of a point light, so the light stays in sight.
float lightMarkerRadius(const ProgramState& s);

// The variant the frame draws: none while the right pass is being compared with it.
Variant drawnVariant(const ProgramState& s);

// Whether the frame's pass confines its shadows with the stencil: as switched, but never
// with the polygon-offset variant, which is the pass without it.
bool stencilled(const ProgramState& s);

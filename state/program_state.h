// Everything the handlers share, in one record that lives as long as the process, and the
// upkeep of the shadow matrices it holds. No GL: every renderer reads this record.
#pragma once

#include "shadow/light_samples.h"
#include "shadow/room.h"
#include "shadow/shadow_math.h"

// Which light coordinates a drag moves: across and up/down, or in depth.
enum DragMode { DRAG_XY = 0, DRAG_Z = 1 };

struct ProgramState {
    int doubleBuffered = 1;
    LightPosition lightPosition = START_LIGHT;
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
    // Computed once at start-up; the matrices again after every light move.
    PlaneEquation floorPlane = {};
    PlaneEquation leftWallPlane = {};
    ShadowMatrix floorShadowMatrix = {};
    ShadowMatrix leftWallShadowMatrix = {};
    // The stepping mode: the shadow view drawn only up to step passStep (from 1) of
    // state/shadow_pass.h's steps, with the stencil's marks and the flattened casters shown.
    bool steppingPasses = false;
    int passStep = 1;
    // Soft shadows, switched from the menu: the light is a ball of lightRadius, and each
    // receiver's shadows are drawn from the first lightSamples points of it
    // (shadow/light_samples.h). lightSamples is 1, the centre alone and so the hard frame,
    // while anything moves, and grows toward LIGHT_SAMPLE_COUNT while the scene is still.
    // softShadowsAvailable is false where the stencil is too small to count the samples in;
    // the switch then stays off.
    bool softShadows = false;
    float lightRadius = 5.0f;
    int lightSamples = 1;
    bool softShadowsAvailable = true;
};

extern ProgramState programState;

// Both planes and both matrices for the light's position; once, before the first frame.
void prepareShadowReceivers();

// Both matrices again after the light has moved; the planes never change.
void updateShadowMatrices();

// The light marker's radius: the light's own while soft shadows are on, but never smaller
// than the marker of a point light, so the light stays in sight.
float lightMarkerRadius();

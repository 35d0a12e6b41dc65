// Everything the handlers share, in one record that lives as long as the process.
#pragma once

#include "shadow/shadow_math.h"

// Which light coordinates a drag moves: across and up/down, or in depth.
enum DragMode { DRAG_XY = 0, DRAG_Z = 1 };

struct ProgramState {
    int doubleBuffered = 1;
    LightPosition lightPosition = {50.0f, 50.0f, -320.0f, 1.0f};
    // 0 until GLUT delivers the first reshape.
    int windowWidth = 0;
    int windowHeight = 0;
    DragMode dragMode = DRAG_XY;
    float teapotOffsetX = 0.0f;
    float tintLevel = 0.0f;
    // Computed once the window exists; the matrices again after every light move.
    PlaneEquation floorPlane = {};
    PlaneEquation leftWallPlane = {};
    ShadowMatrix floorShadowMatrix = {};
    ShadowMatrix leftWallShadowMatrix = {};
};

extern ProgramState programState;

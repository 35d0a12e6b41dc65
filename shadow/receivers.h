// The two surfaces that receive shadows, floor and left wall, and the upkeep of
// their shadow matrices as the light moves.
#pragma once

#include "shadow/shadow_math.h"

// Corners in drawing order, counter-clockwise seen from inside the room. The first
// three also define each receiver's plane, so the order is data, not style: reversed,
// the plane's normal would point out of the room and negate the shadow matrix, and
// the teapot's flattened copy (transformed once) would land at negative w and be clipped.
constexpr Point3 floorCorners[4] = {
    {-100.0f, -100.0f, -320.0f},
    {100.0f, -100.0f, -320.0f},
    {100.0f, -100.0f, -520.0f},
    {-100.0f, -100.0f, -520.0f},
};
constexpr Point3 leftWallCorners[4] = {
    {-100.0f, -100.0f, -320.0f},
    {-100.0f, -100.0f, -520.0f},
    {-100.0f, 100.0f, -520.0f},
    {-100.0f, 100.0f, -320.0f},
};

// Both planes and both matrices for the light's start position; once, at set-up.
void prepareShadowReceivers();

// Both matrices again after the light has moved; the planes never change.
void updateShadowMatrices();

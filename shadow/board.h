// The board: a finite rectangle standing on the floor, its lower edge along x, tilted about
// that edge. It receives shadows and casts its own, so unlike the room's faces its plane
// moves with it. Pure geometry, no GL.
#pragma once

#include "shadow/room.h"

constexpr float BOARD_WIDTH = 80;
constexpr float BOARD_HEIGHT = 60;
// Beyond 80° either way it would lie almost flat, edge-on to the light.
constexpr float BOARD_MOST_TILT = 80;

// Where the board stands: the middle of its lower edge on the floor at (x, -100, z), and
// its tilt in degrees, 0 upright facing the open front, growing as it leans back towards
// the back wall.
struct BoardPlace {
    float x, z, tilt;
};

// Where 'k' puts it: upright behind the casters, in the middle of the room.
constexpr BoardPlace BOARD_START = {0, -440, 0};

constexpr Colour BOARD_COLOUR = {0.95f, 0.85f, 0.55f, 1};

// Its quad, corners counter-clockwise seen from its front, the first three defining its
// plane with the normal pointing out of its front: lower left, lower right, upper right,
// upper left.
RoomQuad boardQuad(const BoardPlace& place);

// Column-major, as glMultMatrixf takes it: takes the unit square, (0, 0, 0) to (1, 1, 0)
// with its normal +z, onto the board, corner by corner in boardQuad's order, its normal
// onto the board's. Each renderer draws the board as that square placed by this.
struct BoardMatrix {
    float m[16];
};
BoardMatrix boardMatrix(const BoardPlace& place);

// Whether its tilt is within BOARD_MOST_TILT and every corner within the room.
bool boardFits(const BoardPlace& place);

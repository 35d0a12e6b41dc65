// The fixed-function renderer's own pieces, beyond what every renderer provides
// (state/renderer.h): the display lists' names, for the tools and tests that look inside it.
#pragma once

#include "platform/opengl.h"
#include "scene/offscreen.h"

// Fixed names of the display lists that hold all of the scene's unchanging geometry. The
// program chooses the names itself instead of asking GL for them.
constexpr GLuint LIST_SPHERE = 1;
constexpr GLuint LIST_CONE = 2;
constexpr GLuint LIST_LIGHT_MARKER = 3;
constexpr GLuint LIST_LEFT_WALL = 4;
constexpr GLuint LIST_FLOOR = 5;
constexpr GLuint LIST_ROOM_SHELL = 6;
constexpr GLuint LIST_OCCLUDERS = 7;
constexpr GLuint LIST_SELECTION_RING = 8;
constexpr GLuint LIST_SUN_RAYS = 9;
// The wire teapot's geometry alone, at the origin; its place and colour are set per frame.
constexpr GLuint LIST_WIRE_TEAPOT = 10;
constexpr GLuint LIST_BACK_WALL = 11;
constexpr GLuint LIST_RIGHT_WALL = 12;
constexpr GLuint LIST_CEILING = 13;
// The unit square the board is drawn from, placed where the frame has it.
constexpr GLuint LIST_BOARD = 14;

// For a context made without GLUT, where freeglut has not started and so cannot draw: the
// wire teapot's list is compiled from its mesh, the very segments glutWireTeapot sends in
// their order, and GL's entry points are asked of `lookUp`. Before initScene.
void drawWithoutGlut(GlEntryPointLookUp lookUp);

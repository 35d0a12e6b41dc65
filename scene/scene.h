// The fixed-function renderer's own pieces, beyond what every renderer provides
// (state/renderer.h): the display lists' names and the stencilled shadow pass, for the tools
// and tests that look inside it.
#pragma once

#include "platform/opengl.h"

#include "shadow/shadow_math.h"

// Fixed names of the display lists that hold all of the scene's unchanging geometry. The
// program chooses the names itself instead of asking GL for them.
constexpr GLuint LIST_SPHERE = 1;
constexpr GLuint LIST_CONE = 2;
constexpr GLuint LIST_LIGHT_MARKER = 3;
constexpr GLuint LIST_LEFT_WALL = 4;
constexpr GLuint LIST_FLOOR = 5;
constexpr GLuint LIST_ROOM_SHELL = 6;
constexpr GLuint LIST_OCCLUDERS = 7;
// The wire teapot's geometry alone, at the origin; its place and colour are set per frame.
constexpr GLuint LIST_WIRE_TEAPOT = 10;

// One receiver drawn lit, with the shadows of the cone, the sphere and the teapot on it in
// black, confined to the receiver's own pixels by the stencil buffer: the steps that
// state/pass_steps.h lists for the floor, drawn as the shadow view draws them. programState's two
// switches change that: translucent shadows halve the receiver's colour, once per pixel;
// without the stencil the flattened casters are drawn straight over the receiver.
// Expects: depth test on with GL_LESS, lighting on, colour writes on, blending and stencil
// test off, the stencil cleared this frame, the current colour the receiver's colour.
// Leaves the same state, the modelview matrix as found, and the current colour black; the
// stencil function and operation stay as the pass set them, since nothing else tests the
// stencil. With the light on or behind the receiver's plane (lightInFront false) the
// receiver is drawn but no caster is flattened onto it: it faces away from the light.
void drawShadowedReceiver(GLuint receiverList, GLuint occluderList,
                          const ShadowMatrix& shadowMatrix, bool lightInFront);

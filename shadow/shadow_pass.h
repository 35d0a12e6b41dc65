// The stencilled shadow pass: one receiver drawn lit, with the shadows of the cone,
// the sphere and the teapot on it in black, confined to the receiver's own pixels.
#pragma once

#include <GL/gl.h>

#include "shadow/shadow_math.h"

// Expects: depth test on with GL_LESS, lighting on, colour writes on, stencil test
// off, the stencil cleared this frame, the current colour the receiver's colour.
// Leaves the same state, the modelview matrix as found, and the current colour black.
// With the light on or behind the receiver's plane (lightInFront false) the receiver
// is drawn but no caster is flattened onto it: it faces away from the light.
void drawShadowedReceiver(GLuint receiverList, GLuint occluderList,
                          const ShadowMatrix& shadowMatrix, bool lightInFront);

// The wire teapot where the scene shows it, in the current colour.
void drawTeapotCaster();

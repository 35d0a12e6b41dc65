// What both renderers ask of GL with the very same calls, since OpenGL 1.1 and WebGL 2 share
// them: the stencil, colour mask, depth, blending and polygon offset of a row's render
// state (lines offset too where GL 1.1 can), and a clear's buffers. Each renderer (scene/,
// web/) applies this part of a row first, then what only it has: the lighting,
// fixed-function state in one and the shader's uniforms in the other, and the colour. No GL
// types here, so either renderer's GL headers stay its own.
#pragma once

#include "state/render_state.h"

// glEnable or glDisable.
void setCapability(unsigned capability, bool on);

// All of it, every time: a row never relies on what the row before it left. A renderer that
// knows what GL holds (`held`, the part of the last row applied) may leave out the calls that
// would set a value already set, since each call costs it more than a comparison.
void applyStencilDepthAndBlend(const RenderState& state, const RenderState* held = nullptr);

// GL's bits for a clear row's buffers (CLEAR_COLOUR, ...).
unsigned clearBits(unsigned buffers);

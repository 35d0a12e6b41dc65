#include "gl/row_state.h"

#include "platform/opengl.h"
#include "shadow/light_samples.h"
#include "state/renderer.h"

// The row's enums hold GL's own values, so they go to GL as they are.
static_assert(static_cast<GLenum>(Compare::Less) == GL_LESS &&
              static_cast<GLenum>(Compare::Equal) == GL_EQUAL &&
              static_cast<GLenum>(Compare::LEqual) == GL_LEQUAL &&
              static_cast<GLenum>(Compare::Always) == GL_ALWAYS);
static_assert(static_cast<GLenum>(StencilOp::Zero) == GL_ZERO &&
              static_cast<GLenum>(StencilOp::Keep) == GL_KEEP &&
              static_cast<GLenum>(StencilOp::Replace) == GL_REPLACE &&
              static_cast<GLenum>(StencilOp::Incr) == GL_INCR);
static_assert(static_cast<GLenum>(BlendFactor::Zero) == GL_ZERO &&
              static_cast<GLenum>(BlendFactor::One) == GL_ONE &&
              static_cast<GLenum>(BlendFactor::SrcAlpha) == GL_SRC_ALPHA &&
              static_cast<GLenum>(BlendFactor::OneMinusSrcAlpha) == GL_ONE_MINUS_SRC_ALPHA);

void setCapability(unsigned capability, bool on) {
    if (on) {
        glEnable(capability);
    } else {
        glDisable(capability);
    }
}

void applyStencilDepthAndBlend(const RenderState& state, const RenderState* held) {
    const StencilState& stencil = state.stencil;
    const StencilState* was = held != nullptr ? &held->stencil : nullptr;
    if (was == nullptr || was->test != stencil.test) {
        setCapability(GL_STENCIL_TEST, stencil.test);
    }
    if (was == nullptr || was->func != stencil.func || was->ref != stencil.ref ||
        was->valueMask != stencil.valueMask) {
        glStencilFunc(static_cast<GLenum>(stencil.func), static_cast<GLint>(stencil.ref),
                      stencil.valueMask);
    }
    if (was == nullptr || was->fail != stencil.fail || was->depthFail != stencil.depthFail ||
        was->depthPass != stencil.depthPass) {
        glStencilOp(static_cast<GLenum>(stencil.fail), static_cast<GLenum>(stencil.depthFail),
                    static_cast<GLenum>(stencil.depthPass));
    }
    if (was == nullptr || was->writeMask != stencil.writeMask) {
        glStencilMask(stencil.writeMask);
    }
    if (held == nullptr || held->colourWrites != state.colourWrites) {
        const GLboolean colour = state.colourWrites ? GL_TRUE : GL_FALSE;
        glColorMask(colour, colour, colour, colour);
    }
    if (held == nullptr || held->depth.test != state.depth.test) {
        setCapability(GL_DEPTH_TEST, state.depth.test);
    }
    if (held == nullptr || held->depth.func != state.depth.func) {
        glDepthFunc(static_cast<GLenum>(state.depth.func));
    }
    if (held == nullptr || held->depth.writes != state.depth.writes) {
        glDepthMask(state.depth.writes ? GL_TRUE : GL_FALSE);
    }
    if (held == nullptr || held->blend.on != state.blend.on) {
        setCapability(GL_BLEND, state.blend.on);
    }
    if (held == nullptr || held->blend.source != state.blend.source ||
        held->blend.destination != state.blend.destination) {
        glBlendFunc(static_cast<GLenum>(state.blend.source),
                    static_cast<GLenum>(state.blend.destination));
    }
    const PolygonOffsetState& offset = state.polygonOffset;
    if (held == nullptr || held->polygonOffset.on != offset.on) {
        setCapability(GL_POLYGON_OFFSET_FILL, offset.on);
#ifndef __EMSCRIPTEN__
        // GL 1.1 offsets lines too, such as the wire teapot's; WebGL 2 offsets filled
        // polygons alone and has no such capability.
        setCapability(GL_POLYGON_OFFSET_LINE, offset.on);
#endif
    }
    if (held == nullptr || held->polygonOffset.factor != offset.factor ||
        held->polygonOffset.units != offset.units) {
        glPolygonOffset(offset.factor, offset.units);
    }
}

unsigned clearBits(unsigned buffers) {
    return ((buffers & CLEAR_COLOUR) != 0 ? GL_COLOR_BUFFER_BIT : 0) |
           ((buffers & CLEAR_DEPTH) != 0 ? GL_DEPTH_BUFFER_BIT : 0) |
           ((buffers & CLEAR_STENCIL) != 0 ? GL_STENCIL_BUFFER_BIT : 0);
}

bool canDrawSoftShadows() {
    GLint bits = 0;
    glGetIntegerv(GL_STENCIL_BITS, &bits);
    return bits >= SOFT_STENCIL_BITS;
}

#include "state/render_state_text.h"

#include "state/number_text.h"

namespace {

// As printf's %g writes it.
std::string number(float value) {
    return generalText(value, 6);
}

// Masks of all eight bits read best in hex, single bits as the numbers they are.
std::string mask(unsigned value) {
    return value == ALL_STENCIL_BITS ? "0xFF" : std::to_string(value);
}

const char* name(Compare compare) {
    switch (compare) {
        case Compare::Less:
            return "GL_LESS";
        case Compare::Equal:
            return "GL_EQUAL";
        case Compare::LEqual:
            return "GL_LEQUAL";
        case Compare::Always:
            return "GL_ALWAYS";
    }
    return "?";
}

const char* name(StencilOp op) {
    switch (op) {
        case StencilOp::Zero:
            return "GL_ZERO";
        case StencilOp::Keep:
            return "GL_KEEP";
        case StencilOp::Replace:
            return "GL_REPLACE";
        case StencilOp::Incr:
            return "GL_INCR";
    }
    return "?";
}

const char* name(BlendFactor factor) {
    switch (factor) {
        case BlendFactor::Zero:
            return "GL_ZERO";
        case BlendFactor::One:
            return "GL_ONE";
        case BlendFactor::SrcAlpha:
            return "GL_SRC_ALPHA";
        case BlendFactor::OneMinusSrcAlpha:
            return "GL_ONE_MINUS_SRC_ALPHA";
    }
    return "?";
}

std::string enable(bool on, const char* capability) {
    return std::string(on ? "glEnable(" : "glDisable(") + capability + ");";
}

const char* boolean(bool on) {
    return on ? "GL_TRUE" : "GL_FALSE";
}

// GL_LIGHTING alone while light 1 is the only light; with several, which of them are on,
// and the ambient light (glLightModelfv takes four floats; here they are written out).
std::string lightingText(const LightingState& lighting, int lightCount) {
    std::string text = enable(lighting.on, "GL_LIGHTING");
    if (!lighting.on || lightCount == 1) {
        return text;
    }
    for (int light = 0; light < lightCount; ++light) {
        const std::string name = "GL_LIGHT" + std::to_string(light);
        text += " " + enable((lighting.lights & (1u << light)) != 0, name.c_str());
    }
    return text + " glLightModelfv(GL_LIGHT_MODEL_AMBIENT, " +
           (lighting.ambient ? "{0.2, 0.2, 0.2, 1}" : "{0, 0, 0, 1}") + ");";
}

// Only where it is on: every other row stays as it always was printed.
std::string polygonOffsetText(const PolygonOffsetState& offset) {
    if (!offset.on) {
        return "";
    }
    return enable(true, "GL_POLYGON_OFFSET_FILL") + " " + enable(true, "GL_POLYGON_OFFSET_LINE") +
           " glPolygonOffset(" + number(offset.factor) + ", " + number(offset.units) + ");\n";
}

std::string stateText(const RenderState& state, int lightCount) {
    const StencilState& stencil = state.stencil;
    const char* colour = boolean(state.colourWrites);
    return enable(stencil.test, "GL_STENCIL_TEST") + " glStencilFunc(" + name(stencil.func) + ", " +
           std::to_string(stencil.ref) + ", " + mask(stencil.valueMask) + "); glStencilOp(" +
           name(stencil.fail) + ", " + name(stencil.depthFail) + ", " + name(stencil.depthPass) +
           "); glStencilMask(" + mask(stencil.writeMask) + ");\n" + "glColorMask(" + colour + ", " +
           colour + ", " + colour + ", " + colour + "); " +
           enable(state.depth.test, "GL_DEPTH_TEST") + " glDepthFunc(" + name(state.depth.func) +
           "); glDepthMask(" + boolean(state.depth.writes) + ");\n" +
           lightingText(state.lighting, lightCount) + " " + enable(state.blend.on, "GL_BLEND") +
           " glBlendFunc(" + name(state.blend.source) + ", " + name(state.blend.destination) +
           ");\n" + polygonOffsetText(state.polygonOffset);
}

std::string clearText(unsigned buffers) {
    std::string bits;
    for (const auto& [bit, text] : {std::pair{CLEAR_COLOUR, "GL_COLOR_BUFFER_BIT"},
                                    std::pair{CLEAR_DEPTH, "GL_DEPTH_BUFFER_BIT"},
                                    std::pair{CLEAR_STENCIL, "GL_STENCIL_BUFFER_BIT"}}) {
        if ((buffers & bit) != 0) {
            bits += (bits.empty() ? "" : " | ") + std::string(text);
        }
    }
    return "glClear(" + bits + ");";
}

std::string drawText(const PassRow& row) {
    if (const SceneShape* shape = sceneShape(row.draws)) {
        return shape->drawn;
    }
    switch (row.draws) {
        case Draws::Clear:
            return clearText(row.clear);
        case Draws::FlattenedCasters:
        case Draws::FlattenedCastersForStencil:
            return std::string("draw the casters") + (row.castsBoard ? " and the board" : "") +
                   " flattened onto the " + receiverName(row.receiver) + "'s plane" +
                   (row.clipped ? ", clipped where they stand behind it" : "");
        case Draws::FullWindow:
            return "draw a square over the whole window";
        default:
            return std::string("draw nothing: the ") + receiverName(row.receiver) +
                   " faces away from the light";
    }
}

std::string rowText(const PassRow& row) {
    if (row.draws == Draws::Clear) {
        return drawText(row);
    }
    const Colour& c = row.colour;
    return "glColor4f(" + number(c.r) + ", " + number(c.g) + ", " + number(c.b) + ", " +
           number(c.a) + "); " + drawText(row);
}

}  // namespace

const char* receiverName(Receiver receiver) {
    constexpr const char* NAMES[RECEIVER_COUNT] = {"floor",      "left wall", "back wall",
                                                   "right wall", "ceiling",   "board"};
    return NAMES[static_cast<int>(receiver)];
}

std::string rowsAsText(const std::vector<PassRow>& rows, int lightCount) {
    std::string text;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i == 0 || !(rows[i].state == rows[i - 1].state)) {
            text += stateText(rows[i].state, lightCount);
        }
        text += rowText(rows[i]) + "\n";
    }
    return text;
}

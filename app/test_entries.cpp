// Entries for the browser tests alone. They check, after each row of a shadow view frame,
// that WebGL holds exactly that row's state; the page's script can ask WebGL
// (gl.getParameter, gl.getUniform) but not the rows, which these give as numbers.
#include <emscripten.h>

#include <algorithm>
#include <vector>

#include "state/program_state.h"
#include "state/renderer.h"
#include "state/shadow_pass.h"

namespace {

// A row's state and colour, in the order testShadowViewRow documents.
double rowNumbers[22];

}  // namespace

extern "C" {

// Draws rows `first` up to `last` (from 1, the frame's clear) of the shadow view's frame
// as programState stands, so a test can walk the frame row by row; returns how many rows
// the whole frame has.
EMSCRIPTEN_KEEPALIVE int testDrawShadowViewRows(int first, int last) {
    Frame frame = shadowViewFrame(programState);
    const std::vector<PassRow> rows = frame.rows;
    const int count = static_cast<int>(rows.size());
    const int from = std::clamp(first, 1, count + 1);
    const int to = std::clamp(last, from - 1, count);
    frame.rows.assign(rows.begin() + (from - 1), rows.begin() + to);
    // Some of a frame's rows are no batch of soft shadows' average: WebGL is left as the
    // last of them leaves it.
    frame.batch = -1;
    drawFrame(frame);
    return count;
}

// Row `index` (from 0) of that frame as 22 numbers, GL's own values for the enums: stencil
// test, function, reference, value mask, fail, depth fail, depth pass, write mask; colour
// writes; depth test, function, writes; lighting; blending, source, destination; colour
// red, green, blue, alpha; the lights it is lit by (bit i for light i + 1) and the ambient
// light, on or off. Valid until the next call.
EMSCRIPTEN_KEEPALIVE const double* testShadowViewRow(int index) {
    const PassRow row = shadowViewRows(programState).at(static_cast<size_t>(index));
    const RenderState& s = row.state;
    const double numbers[22] = {
        static_cast<double>(s.stencil.test),
        static_cast<double>(s.stencil.func),
        static_cast<double>(s.stencil.ref),
        static_cast<double>(s.stencil.valueMask),
        static_cast<double>(s.stencil.fail),
        static_cast<double>(s.stencil.depthFail),
        static_cast<double>(s.stencil.depthPass),
        static_cast<double>(s.stencil.writeMask),
        static_cast<double>(s.colourWrites),
        static_cast<double>(s.depth.test),
        static_cast<double>(s.depth.func),
        static_cast<double>(s.depth.writes),
        static_cast<double>(s.lighting.on),
        static_cast<double>(s.blend.on),
        static_cast<double>(s.blend.source),
        static_cast<double>(s.blend.destination),
        row.colour.r,
        row.colour.g,
        row.colour.b,
        row.colour.a,
        static_cast<double>(s.lighting.lights),
        static_cast<double>(s.lighting.ambient),
    };
    std::copy(std::begin(numbers), std::end(numbers), rowNumbers);
    return rowNumbers;
}
}

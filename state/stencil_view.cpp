// The stencil view: the stencil's values in false colour instead of the frame, so the
// learner sees what each receiver's pass left in it; and the rows that let a renderer that
// cannot read the stencil back read it as colour.
#include "state/stencil_view.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "state/number_text.h"
#include "state/pass_rows.h"

namespace {

// The values the hard pass leaves: unmarked, and marked.
const std::vector<unsigned> HARD_VALUES = {0, 1};

// What a receiver's soft pass can leave on its own pixels: twice each count, and the
// values of the hard pass, should a mark ever be left there.
std::vector<unsigned> countedValues(int samples) {
    std::vector<unsigned> values = HARD_VALUES;
    for (int covered = 1; covered <= samples; ++covered) {
        values.push_back(2 * static_cast<unsigned>(covered));
    }
    return values;
}

// One draw per value, each in its colour where the stencil holds exactly that value.
void addStencilValues(std::vector<PassRow>& rows, Pass pass, Draws draws,
                      const std::vector<unsigned>& values, int samples) {
    for (const unsigned value : values) {
        PassRow show = row(pass, draws, stencilViewColour(value, samples));
        show.state.stencil.ref = value;
        rows.push_back(show);
    }
}

struct Rgb {
    int r, g, b;
};

// Viridis at every eighth of its length, from its dark end to its yellow.
constexpr Rgb VIRIDIS[] = {{68, 1, 84},    {71, 45, 123},  {59, 82, 139},
                           {44, 114, 142}, {33, 145, 140}, {40, 174, 128},
                           {94, 201, 98},  {173, 220, 48}, {253, 231, 37}};

// Along the ramp, from 0 at its dark end to 1 at its yellow, between the stops in a line.
Rgb viridis(double t) {
    const double at = std::clamp(t, 0.0, 1.0) * (std::size(VIRIDIS) - 1);
    const size_t stop = std::min(static_cast<size_t>(at), std::size(VIRIDIS) - 2);
    const double part = at - static_cast<double>(stop);
    const auto mix = [part](int from, int to) {
        return static_cast<int>(std::lround(from + (to - from) * part));
    };
    const Rgb& a = VIRIDIS[stop];
    const Rgb& b = VIRIDIS[stop + 1];
    return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

std::string hex(const Colour& c) {
    const auto byte = [](float channel) {
        return hexByte(static_cast<unsigned>(std::lround(channel * 255)));
    };
    return "#" + byte(c.r) + byte(c.g) + byte(c.b);
}

}  // namespace

// Over the whole window after the current step; otherwise each receiver's values on its own
// pixels right after its own pass (with several lights, after each light's, the last one's
// staying), since the next receiver's flattened casters may clear this one's marks. The rest
// of the room never touches the stencil and is left out, so the view shows nothing but
// values.
std::vector<PassRow> stencilViewRows(const ProgramState& s) {
    std::vector<PassRow> rows = {clearRow(CLEAR_COLOUR | CLEAR_DEPTH | CLEAR_STENCIL)};
    const std::vector<LightStep> steps = passSteps(stencilled(s), s.lightCount, receiving(s));
    if (s.steppingPasses) {
        addStepsSoFar(rows, steps, s);
        addStencilValues(rows, SHOW_STENCIL_VALUE, Draws::FullWindow, HARD_VALUES, 1);
        return rows;
    }
    // The stencil holds one batch's counts: past the first batch, the first batch's.
    ProgramState batch = s;
    batch.firstLightSample = 0;
    batch.lightSamples = s.firstLightSample > 0 ? LIGHT_SAMPLE_COUNT : s.lightSamples;
    for (const ReceiverLight& which : eachReceiverEachLight(receiving(s), s.lightCount)) {
        const bool soft = addReceiverPass(rows, which, steps, batch);
        addStencilValues(rows, SHOW_RECEIVER_STENCIL_VALUE, receiverFacts(which, s).surface,
                         soft ? countedValues(batch.lightSamples) : HARD_VALUES,
                         soft ? batch.lightSamples : 1);
    }
    return rows;
}

Colour stencilViewColour(unsigned value, int samples) {
    if (value == 0) {
        return BLACK;
    }
    // An odd value holds a mark, whatever else it counts.
    if (value % 2 == 1) {
        return {MARK_MAGENTA.r, MARK_MAGENTA.g, MARK_MAGENTA.b, 1};
    }
    // One point at the ramp's dark end, every point at its yellow.
    const int counted = static_cast<int>(value / 2);
    const Rgb c = viridis(samples > 1 ? (counted - 1) / static_cast<double>(samples - 1) : 1.0);
    return {c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, 1};
}

std::vector<LegendEntry> stencilViewLegendEntries() {
    std::vector<std::string> ramp;
    const int stops = static_cast<int>(std::size(VIRIDIS));
    for (int counted = 1; counted <= stops; ++counted) {
        ramp.push_back(hex(stencilViewColour(2 * static_cast<unsigned>(counted), stops)));
    }
    return {
        {"0",
         {hex(stencilViewColour(0, 1))},
         "unmarked; with soft shadows, no point of the light counted"},
        {"1", {hex(stencilViewColour(1, 1))}, "marked"},
        {"2k", ramp, "soft shadows, k points of the light counted, from one to all of one batch"}};
}

std::string stencilViewLegend() {
    return legendText(stencilViewLegendEntries());
}

std::vector<PassRow> stencilReadingRows() {
    std::vector<PassRow> rows = {clearRow(CLEAR_COLOUR)};
    for (unsigned bit = 1; bit <= ALL_STENCIL_BITS; bit <<= 1) {
        PassRow read = row(READ_STENCIL_BIT, Draws::FullWindow, {bit / 255.0f, 0, 0, 1});
        read.state.stencil.ref = bit;
        read.state.stencil.valueMask = bit;
        rows.push_back(read);
    }
    return rows;
}

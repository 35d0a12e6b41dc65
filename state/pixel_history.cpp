#include "state/pixel_history.h"

#include <cstdio>

namespace {

std::string hex(const PixelSample& p) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", p.r, p.g, p.b);
    return text;
}

bool sameColour(const PixelSample& a, const PixelSample& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

// What a step did to the stencil: the hard pass's marks and clears by name.
std::string stencilChange(unsigned before, unsigned after) {
    if (before == after) {
        return "stencil stays " + std::to_string(after);
    }
    if (before == 0 && after == 1) {
        return "marked 1";
    }
    if (before == 1 && after == 0) {
        return "mark cleared to 0";
    }
    return "stencil " + std::to_string(before) + " -> " + std::to_string(after);
}

std::string colourChange(const PixelSample& before, const PixelSample& after) {
    if (sameColour(before, after)) {
        return "colour stays " + hex(after);
    }
    return "colour " + hex(before) + " -> " + hex(after);
}

}  // namespace

std::string pixelHistoryText(int x, int y, const std::vector<HistoryStage>& stages,
                             const std::vector<PixelSample>& after, int samples) {
    std::string text =
        "Pixel " + std::to_string(x) + ", " + std::to_string(y) + " from the top left:\n";
    // Every frame starts from a clear: black, stencil 0.
    PixelSample before = {0, 0, 0, 0};
    for (size_t i = 0; i < stages.size() && i < after.size(); ++i) {
        const PixelSample& now = after[i];
        std::string line = stages[i].name + ": ";
        if (stages[i].counts) {
            // Each counted point adds 2; an odd value would be a mark left over.
            line += std::to_string(now.stencil / 2) + " of " + std::to_string(samples) +
                    " points of the light shadow it (stencil " + std::to_string(now.stencil) +
                    "), colour " + hex(now);
        } else if (now.stencil == before.stencil && sameColour(now, before)) {
            line += "leaves it alone (stencil " + std::to_string(now.stencil) + ", colour " +
                    hex(now) + ")";
        } else {
            line += "acts on it: " + stencilChange(before.stencil, now.stencil) + ", " +
                    colourChange(before, now);
        }
        text += line + "\n";
        before = now;
    }
    return text;
}

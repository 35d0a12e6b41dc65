#include "state/pixel_history.h"

#include <cstdio>

namespace {

std::string hex(const PixelSample& p) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", p.r, p.g, p.b);
    return text;
}

// A value as it is after a stage: "1" if the stage left it, "1 -> 0" if it changed it, with
// the hard pass's two changes of the stencil named.
std::string change(const std::string& before, const std::string& after, const char* named = "") {
    if (before == after) {
        return after;
    }
    return before + " -> " + after + (*named != '\0' ? " (" + std::string(named) + ")" : "");
}

const char* stencilChangeName(unsigned before, unsigned after) {
    if (before == 0 && after == 1) {
        return "marked";
    }
    return before == 1 && after == 0 ? "mark cleared" : "";
}

}  // namespace

PixelHistory pixelHistoryOf(int x, int y, const std::vector<HistoryStage>& stages,
                            const std::vector<PixelSample>& after, int samples) {
    PixelHistory history{x, y, samples, {}};
    PixelSample before = {0, 0, 0, 0};
    for (size_t i = 0; i < stages.size() && i < after.size(); ++i) {
        history.stages.push_back({stages[i].name, stages[i].counts, before, after[i]});
        before = after[i];
    }
    return history;
}

std::string pixelHistoryText(const PixelHistory& history) {
    std::string text = "Pixel " + std::to_string(history.x) + ", " + std::to_string(history.y) +
                       " from the top left:\n";
    for (const PixelStage& stage : history.stages) {
        const PixelSample& before = stage.before;
        const PixelSample& now = stage.after;
        std::string line = stage.name + ": ";
        if (stage.counts) {
            // Each counted point adds 2.
            line += std::to_string(now.stencil / 2) + " of " + std::to_string(history.samples) +
                    " points of the light shadow it: stencil " + std::to_string(now.stencil) +
                    ", colour " + hex(now);
            // A point's flattened casters mark whatever they cover, but only the receiver's
            // own pixels count their marks.
            if (now.stencil % 2 == 1) {
                line += " (a mark left uncounted: not the receiver's pixel)";
            }
        } else {
            const std::string stencil =
                change(std::to_string(before.stencil), std::to_string(now.stencil),
                       stencilChangeName(before.stencil, now.stencil));
            const std::string colour = change(hex(before), hex(now));
            const bool acts = stencil != std::to_string(now.stencil) || colour != hex(now);
            line += std::string(acts ? "acts on it" : "leaves it alone") + ": stencil " + stencil +
                    ", colour " + colour;
        }
        text += line + "\n";
    }
    return text;
}

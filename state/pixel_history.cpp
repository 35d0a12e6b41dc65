#include "state/pixel_history.h"

#include <cstdio>

#include "shadow/light_samples.h"
#include "state/pass_rows.h"
#include "state/render_state_text.h"

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
            // Each counted point adds 2.
            line += std::to_string(now.stencil / 2) + " of " + std::to_string(samples) +
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
        before = now;
    }
    return text;
}

std::vector<HistoryStage> pixelHistoryStages(const ProgramState& s) {
    std::vector<HistoryStage> stages;
    std::vector<PassRow> rows = {clearRow(CLEAR_COLOUR | CLEAR_DEPTH | CLEAR_STENCIL)};
    const std::vector<LightStep> steps = passSteps(stencilled(s), s.lightCount, receiving(s));
    for (size_t number = 1; number <= steps.size(); ++number) {
        addStep(rows, steps[number - 1], s);
        stages.push_back({"step " + std::to_string(number) + " (" +
                              stepName(steps[number - 1], s.lightCount) + ")",
                          rows, false});
        rows.clear();
    }
    // The soft frame anew, as refining leaves it, each receiver counted in turn.
    ProgramState refined = s;
    refined.lightSamples = LIGHT_SAMPLE_COUNT;
    rows.push_back(clearRow(CLEAR_COLOUR | CLEAR_DEPTH | CLEAR_STENCIL));
    for (const ReceiverLight& which : eachReceiverEachLight(receiving(s), s.lightCount)) {
        const ReceiverFacts r = receiverFacts(which, refined);
        if (countsSoftly(refined, r)) {
            addSoftReceiver(rows, r, refined);
            stages.push_back({named(std::string(receiverName(which.receiver)) + "'s soft shadows",
                                    which.light, s.lightCount),
                              rows, true});
            rows.clear();
        }
    }
    return stages;
}

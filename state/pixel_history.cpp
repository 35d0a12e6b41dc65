#include "state/pixel_history.h"

#include <algorithm>

#include "shadow/light_samples.h"
#include "state/number_text.h"
#include "state/pass_rows.h"
#include "state/render_state_text.h"

namespace {

std::string hex(const PixelSample& p) {
    return "#" + hexByte(p.r) + hexByte(p.g) + hexByte(p.b);
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
                    " points of the light (one batch) shadow it: stencil " +
                    std::to_string(now.stencil) + ", colour " + hex(now);
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

int historySamples(const ProgramState& s) {
    return std::min(LIGHT_SAMPLE_COUNT, s.restingLightSamples);
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
    // The soft frame of the first batch anew, as refining leaves it, each receiver counted
    // in turn: the stencil holds one batch's counts, whatever the picture at rest averages.
    ProgramState refined = s;
    refined.firstLightSample = 0;
    refined.lightSamples = historySamples(s);
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

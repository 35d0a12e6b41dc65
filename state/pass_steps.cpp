// The steps of the shadow pass as the stepping mode shows them, each with its caption: what
// a step draws (its rows), what the mode shows over the frame after it, and how the
// captions and a pixel's history name it.
#include <algorithm>

#include "state/pass_rows.h"
#include "state/render_state_text.h"
#include "state/settings.h"
#include "state/shadow_pass.h"

namespace {

// Magenta shows the stencil's marks, yellow the flattened casters; the last step shows
// nothing over the finished frame. Each receiver's steps follow these, the frame's first
// receiver in the first caption, each later one in the second.
constexpr PassStep STENCIL_STEPS[] = {
    {StepDrawing::MarkReceiver, true, false,
     "{Receiver}: drawn lit, and every pixel where it shows is marked with a 1 in the stencil "
     "(magenta).",
     "{Receiver}: drawn lit and marked; the {previous}'s marks stay, as the stencil is not "
     "cleared between receivers."},
    {StepDrawing::ClearMarks, true, true,
     "{Receiver}: the flattened casters (yellow) clear the marks they cover; beyond the "
     "{receiver}'s edge there is no mark to clear, so nothing spills.",
     "{Receiver}: its flattened casters (yellow) clear the marks they cover, {previous} marks "
     "included, which no later step reads."},
    {StepDrawing::DarkenCleared, true, false,
     "{Receiver}: drawn again in the shadow's colour only where a mark was cleared, once per "
     "pixel, however many flattened polygons covered it.",
     "{Receiver}: drawn again in the shadow's colour where a mark was cleared; it covers only "
     "its own pixels, so the {previous}'s cleared marks do nothing."},
};

// Without the stencil nothing is marked, so only the flattened casters are shown.
constexpr PassStep NAIVE_STEPS[] = {
    {StepDrawing::LitReceiver, false, false,
     "Without the stencil, {receiver}: drawn lit, and nothing is marked.",
     "{Receiver}: drawn lit, nothing marked."},
    {StepDrawing::UnconfinedShadows, false, true,
     "{Receiver}: the flattened casters (yellow) drawn straight over it, depth-tested; in its "
     "very plane they fight it for every pixel.",
     "{Receiver}: its flattened casters (yellow) drawn straight over it, fighting it for "
     "depth."},
};

// Each light after the first, after light 1's steps on the same receiver.
constexpr PassStep ADDED_LIGHT_STEPS[] = {
    {StepDrawing::RemarkReceiver, true, false,
     "{Receiver}: marked with a 1 again (magenta), drawn into the stencil alone on the depth "
     "it stored, whatever the light before cleared.",
     "{Receiver}: marked with a 1 again (magenta), drawn into the stencil alone on the depth "
     "it stored."},
    {StepDrawing::ClearMarks, true, true,
     "{Receiver}: this light's flattened casters (yellow) clear the marks they cover.",
     "{Receiver}: this light's flattened casters (yellow) clear the marks they cover."},
    {StepDrawing::AddLight, true, false,
     "{Receiver}: drawn again lit by this light alone and added, only where a mark survived: "
     "in its shadow the other lights' colours stay.",
     "{Receiver}: drawn again lit by this light alone and added where a mark survived."},
};

constexpr PassStep NAIVE_ADDED_LIGHT_STEPS[] = {
    {StepDrawing::UnconfinedShadows, false, true,
     "{Receiver}: this light's flattened casters (yellow) drawn straight over it in black too.",
     "{Receiver}: this light's flattened casters (yellow) drawn straight over it in black "
     "too."},
};

constexpr PassStep REST_OF_ROOM = {
    StepDrawing::RestOfRoom, false, false,
    "The rest of the room, the light marker and the casters themselves finish the frame.", ""};

// With several lights, the last step's caption.
constexpr const char* LIGHTS_REST_OF_ROOM =
    "The rest of the room, every light's marker and the casters themselves, lit by every "
    "light, finish the frame.";

struct Steps {
    const PassStep* steps;
    int count;
    const PassStep* begin() const {
        return steps;
    }
    const PassStep* end() const {
        return steps + count;
    }
};

template <int N>
constexpr Steps stepsOf(const PassStep (&steps)[N]) {
    return {steps, N};
}

// The step's caption, its receiver named.
std::string receiverCaption(const LightStep& step) {
    std::string name = receiverName(step.receiver);
    std::string caption = step.first ? step.step->firstCaption : step.step->laterCaption;
    caption = fillIn(caption, "{previous}", receiverName(step.previous));
    caption = fillIn(caption, "{receiver}", name);
    name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return fillIn(caption, "{Receiver}", name);
}

// With several lights, each light's own steps name it.
std::string stepCaption(const LightStep& step, int lightCount) {
    const StepDrawing drawing = step.step->drawing;
    if (drawing == StepDrawing::RestOfRoom) {
        return lightCount == 1 ? step.step->firstCaption : LIGHTS_REST_OF_ROOM;
    }
    if (lightCount == 1 || drawing == StepDrawing::LitReceiver) {
        return receiverCaption(step);
    }
    return lightName(step.light) + ". " + receiverCaption(step);
}

}  // namespace

std::string named(const std::string& what, int light, int lightCount) {
    return lightCount > 1 ? lightName(light) + ", " + what : what;
}

std::vector<LightStep> passSteps(bool stencilShadows, int lightCount, unsigned receivers) {
    const Steps first = stencilShadows ? stepsOf(STENCIL_STEPS) : stepsOf(NAIVE_STEPS);
    const Steps added =
        stencilShadows ? stepsOf(ADDED_LIGHT_STEPS) : stepsOf(NAIVE_ADDED_LIGHT_STEPS);
    std::vector<LightStep> steps;
    bool firstReceiver = true;
    Receiver previous = Receiver::Floor;
    for (const ReceiverLight& which : eachReceiverEachLight(receivers, lightCount)) {
        if (which.light == 0 && steps.size() > 0) {
            firstReceiver = false;
            previous = steps.back().receiver;
        }
        for (const PassStep& step : which.light == 0 ? first : added) {
            steps.push_back({&step, which.receiver, firstReceiver, previous, which.light});
        }
    }
    steps.push_back({&REST_OF_ROOM, Receiver::Floor, true, Receiver::Floor, 0});
    return steps;
}

void addStep(std::vector<PassRow>& rows, const LightStep& step, const ProgramState& s) {
    const ReceiverFacts r = receiverFacts({step.receiver, step.light}, s);
    const bool half = s.translucentShadows;
    const Variant variant = drawnVariant(s);
    switch (step.step->drawing) {
        case StepDrawing::MarkReceiver:
            rows.push_back(row(MARK_RECEIVER, r.surface, r.colour));
            break;
        case StepDrawing::RemarkReceiver:
            rows.push_back(row(REMARK_RECEIVER, r.surface, r.colour));
            break;
        case StepDrawing::ClearMarks:
            rows.push_back(varied(flattenedRow(CLEAR_MARKS, Draws::FlattenedCastersForStencil,
                                               BLACK, r, r.shadowMatrix, r.lightInFront),
                                  CLEAR_MARKS, variant));
            break;
        case StepDrawing::DarkenCleared:
            rows.push_back(
                half ? varied(row(DARKEN_CLEARED_HALF, r.surface, HALF_BLACK), DARKEN_CLEARED_HALF,
                              variant)
                     : varied(row(DARKEN_CLEARED, r.surface, BLACK), DARKEN_CLEARED, variant));
            break;
        case StepDrawing::AddLight:
            rows.push_back(litAlone(row(ADD_LIGHT, r.surface, r.colour), r.light, 1.0f));
            if (half) {
                rows.push_back(litAlone(row(ADD_LIGHT_HALF, r.surface, r.colour), r.light, 0.5f));
            }
            break;
        case StepDrawing::LitReceiver:
            rows.push_back(litByEveryLight(row(PLAIN_LIT, r.surface, r.colour), s));
            break;
        case StepDrawing::UnconfinedShadows: {
            const Pass pass = half ? UNCONFINED_SHADOWS_HALF : UNCONFINED_SHADOWS;
            rows.push_back(
                varied(flattenedRow(pass, Draws::FlattenedCasters, half ? HALF_BLACK : BLACK, r,
                                    r.shadowMatrix, r.lightInFront),
                       pass, variant));
            break;
        }
        case StepDrawing::RestOfRoom:
            addRestOfRoom(rows, s);
            break;
    }
}

LightStep addStepsSoFar(std::vector<PassRow>& rows, const std::vector<LightStep>& steps,
                        const ProgramState& s) {
    const int drawn = clampedPassStep(s.passStep, stencilled(s), s.lightCount, receiving(s));
    for (int number = 1; number <= drawn; ++number) {
        addStep(rows, steps[number - 1], s);
    }
    return steps[drawn - 1];
}

void addOverlays(std::vector<PassRow>& rows, const LightStep& step, const ProgramState& s) {
    if (step.step->showsMarks) {
        rows.push_back(row(SHOW_MARKS, Draws::FullWindow, MARK_MAGENTA));
    }
    if (step.step->showsFlattenedCasters) {
        const ReceiverFacts r = receiverFacts({step.receiver, step.light}, s);
        rows.push_back(flattenedRow(SHOW_FLATTENED_CASTERS, Draws::FlattenedCasters, CASTER_YELLOW,
                                    r, r.shadowMatrix, r.lightInFront));
    }
}

std::string stepName(const LightStep& step, int lightCount) {
    const std::string receiver = receiverName(step.receiver);
    std::string what;
    switch (step.step->drawing) {
        case StepDrawing::MarkReceiver:
            what = receiver + " drawn lit and marked";
            break;
        case StepDrawing::ClearMarks:
            what = receiver + "'s flattened casters clear marks";
            break;
        case StepDrawing::DarkenCleared:
            what = receiver + " darkened where a mark was cleared";
            break;
        case StepDrawing::LitReceiver:
            what = receiver + " drawn lit";
            break;
        case StepDrawing::UnconfinedShadows:
            what = receiver + "'s flattened casters drawn over it";
            break;
        case StepDrawing::RemarkReceiver:
            what = receiver + " marked again";
            break;
        case StepDrawing::AddLight:
            what = receiver + " lit again where a mark survived";
            break;
        case StepDrawing::RestOfRoom:
            return "the rest of the room";
    }
    return named(what, step.light, lightCount);
}

// ---- The stepping mode's public face -------------------------------------------------------

int passStepCount(bool stencilShadows, int lightCount, unsigned receivers) {
    return static_cast<int>(passSteps(stencilShadows, lightCount, receivers).size());
}

int clampedPassStep(int step, bool stencilShadows, int lightCount, unsigned receivers) {
    return std::clamp(step, 1, passStepCount(stencilShadows, lightCount, receivers));
}

std::string passStepCaption(int number, bool stencilShadows, int lightCount, unsigned receivers) {
    const int step = clampedPassStep(number, stencilShadows, lightCount, receivers);
    return stepCaption(passSteps(stencilShadows, lightCount, receivers)[step - 1], lightCount);
}

std::string variantStepNote(const ProgramState& s) {
    const Variant variant = drawnVariant(s);
    if (!s.steppingPasses || variant == Variant::None) {
        return "";
    }
    const int step = clampedPassStep(s.passStep, stencilled(s), s.lightCount, receiving(s));
    const LightStep current = passSteps(stencilled(s), s.lightCount, receiving(s))[step - 1];
    // The note goes where the variant's rows differ from those the right choice draws.
    ProgramState right = s;
    right.variant = Variant::None;
    std::vector<PassRow> wrongRows;
    std::vector<PassRow> rightRows;
    addStep(wrongRows, current, s);
    addStep(rightRows, current, right);
    bool differs = wrongRows.size() != rightRows.size();
    for (size_t i = 0; !differs && i < wrongRows.size(); ++i) {
        differs =
            wrongRows[i].draws != rightRows[i].draws || !(wrongRows[i].state == rightRows[i].state);
    }
    const VariantInfo& info = variantInfo(variant);
    return differs ? std::string(" Here variant ") + info.name + " goes wrong, " + info.change +
                         ": " + info.wrong + "."
                   : "";
}

std::string currentStepCaption(const ProgramState& s) {
    if (!s.steppingPasses) {
        return "";
    }
    const int step = clampedPassStep(s.passStep, stencilled(s), s.lightCount, receiving(s));
    return "Step " + std::to_string(step) + " of " +
           std::to_string(passStepCount(stencilled(s), s.lightCount, receiving(s))) + ": " +
           passStepCaption(step, stencilled(s), s.lightCount, receiving(s)) + variantStepNote(s);
}

std::string currentStepStateText(const ProgramState& s) {
    if (!s.steppingPasses) {
        return "";
    }
    const int step = clampedPassStep(s.passStep, stencilled(s), s.lightCount, receiving(s));
    std::vector<PassRow> rows;
    addStep(rows, passSteps(stencilled(s), s.lightCount, receiving(s))[step - 1], s);
    return rowsAsText(rows, s.lightCount);
}

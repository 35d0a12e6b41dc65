// The steps of the shadow pass as the stepping mode shows them, each with its caption: what
// a step draws (its rows), what the mode shows over the frame after it, and how the
// captions and a pixel's history name it.
#include <algorithm>

#include "state/pass_rows.h"
#include "state/render_state_text.h"
#include "state/shadow_pass.h"

namespace {

// Magenta shows the stencil's marks, yellow the flattened casters; the last step shows
// nothing over the finished frame.
constexpr PassStep STENCIL_STEPS[] = {
    {Receiver::Floor, StepDrawing::MarkReceiver, true, false,
     "Floor: drawn lit, and every pixel where it shows is marked with a 1 in the stencil "
     "(magenta)."},
    {Receiver::Floor, StepDrawing::ClearMarks, true, true,
     "Floor: the flattened casters (yellow) clear the marks they cover; beyond the floor's "
     "edge there is no mark to clear, so nothing spills."},
    {Receiver::Floor, StepDrawing::DarkenCleared, true, false,
     "Floor: drawn again in the shadow's colour only where a mark was cleared, once per "
     "pixel, however many flattened polygons covered it."},
    {Receiver::LeftWall, StepDrawing::MarkReceiver, true, false,
     "Left wall: drawn lit and marked; the floor's marks stay, as the stencil is not "
     "cleared between receivers."},
    {Receiver::LeftWall, StepDrawing::ClearMarks, true, true,
     "Left wall: its flattened casters (yellow) clear the marks they cover, floor marks "
     "included, which no later step reads."},
    {Receiver::LeftWall, StepDrawing::DarkenCleared, true, false,
     "Left wall: drawn again in the shadow's colour where a mark was cleared; it covers "
     "only its own pixels, so the floor's cleared marks do nothing."},
    {Receiver::Floor, StepDrawing::RestOfRoom, false, false,
     "The rest of the room, the light marker and the casters themselves finish the frame."},
};

// Without the stencil nothing is marked, so only the flattened casters are shown.
constexpr PassStep NAIVE_STEPS[] = {
    {Receiver::Floor, StepDrawing::LitReceiver, false, false,
     "Without the stencil, floor: drawn lit, and nothing is marked."},
    {Receiver::Floor, StepDrawing::UnconfinedShadows, false, true,
     "Floor: the flattened casters (yellow) drawn straight over it, depth-tested; in its very "
     "plane they fight it for every pixel."},
    {Receiver::LeftWall, StepDrawing::LitReceiver, false, false,
     "Left wall: drawn lit, nothing marked."},
    {Receiver::LeftWall, StepDrawing::UnconfinedShadows, false, true,
     "Left wall: its flattened casters (yellow) drawn straight over it, fighting it for "
     "depth."},
    {Receiver::Floor, StepDrawing::RestOfRoom, false, false,
     "The rest of the room, the light marker and the casters themselves finish the frame."},
};

// Each light after the first, after light 1's steps on the same receiver.
constexpr PassStep ADDED_LIGHT_STEPS[] = {
    {Receiver::Floor, StepDrawing::RemarkReceiver, true, false,
     "Floor: marked with a 1 again (magenta), drawn into the stencil alone on the depth it "
     "stored, whatever the light before cleared."},
    {Receiver::Floor, StepDrawing::ClearMarks, true, true,
     "Floor: this light's flattened casters (yellow) clear the marks they cover."},
    {Receiver::Floor, StepDrawing::AddLight, true, false,
     "Floor: drawn again lit by this light alone and added, only where a mark survived: in "
     "its shadow the other lights' colours stay."},
    {Receiver::LeftWall, StepDrawing::RemarkReceiver, true, false,
     "Left wall: marked with a 1 again (magenta), drawn into the stencil alone on the depth "
     "it stored."},
    {Receiver::LeftWall, StepDrawing::ClearMarks, true, true,
     "Left wall: this light's flattened casters (yellow) clear the marks they cover."},
    {Receiver::LeftWall, StepDrawing::AddLight, true, false,
     "Left wall: drawn again lit by this light alone and added where a mark survived."},
};

constexpr PassStep NAIVE_ADDED_LIGHT_STEPS[] = {
    {Receiver::Floor, StepDrawing::UnconfinedShadows, false, true,
     "Floor: this light's flattened casters (yellow) drawn straight over it in black too."},
    {Receiver::LeftWall, StepDrawing::UnconfinedShadows, false, true,
     "Left wall: this light's flattened casters (yellow) drawn straight over it in black too."},
};

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
    // Step `number` counts from 1.
    const PassStep& operator[](int number) const {
        return steps[number - 1];
    }
};

template <int N>
constexpr Steps stepsOf(const PassStep (&steps)[N]) {
    return {steps, N};
}

// With several lights, each light's own steps name it.
std::string stepCaption(const LightStep& step, int lightCount) {
    const StepDrawing drawing = step.step->drawing;
    if (lightCount == 1 || drawing == StepDrawing::LitReceiver) {
        return step.step->caption;
    }
    if (drawing == StepDrawing::RestOfRoom) {
        return LIGHTS_REST_OF_ROOM;
    }
    return lightName(step.light) + ". " + step.step->caption;
}

}  // namespace

std::string named(const std::string& what, int light, int lightCount) {
    return lightCount > 1 ? lightName(light) + ", " + what : what;
}

std::vector<LightStep> passSteps(bool stencilShadows, int lightCount) {
    const Steps first = stencilShadows ? stepsOf(STENCIL_STEPS) : stepsOf(NAIVE_STEPS);
    const Steps added =
        stencilShadows ? stepsOf(ADDED_LIGHT_STEPS) : stepsOf(NAIVE_ADDED_LIGHT_STEPS);
    std::vector<LightStep> steps;
    for (const ReceiverLight& which : eachReceiverEachLight(lightCount)) {
        for (const PassStep& step : which.light == 0 ? first : added) {
            if (step.receiver == which.receiver && step.drawing != StepDrawing::RestOfRoom) {
                steps.push_back({&step, which.light});
            }
        }
    }
    steps.push_back({&first[first.count], 0});
    return steps;
}

void addStep(std::vector<PassRow>& rows, const LightStep& step, const ProgramState& s) {
    const ReceiverFacts r = receiverFacts({step.step->receiver, step.light}, s);
    const bool half = s.translucentShadows;
    switch (step.step->drawing) {
        case StepDrawing::MarkReceiver:
            rows.push_back(row(MARK_RECEIVER, r.surface, r.colour));
            break;
        case StepDrawing::RemarkReceiver:
            rows.push_back(row(REMARK_RECEIVER, r.surface, r.colour));
            break;
        case StepDrawing::ClearMarks:
            rows.push_back(flattenedRow(CLEAR_MARKS, Draws::FlattenedCastersForStencil, BLACK, r,
                                        r.shadowMatrix, r.lightInFront));
            break;
        case StepDrawing::DarkenCleared:
            rows.push_back(half ? row(DARKEN_CLEARED_HALF, r.surface, HALF_BLACK)
                                : row(DARKEN_CLEARED, r.surface, BLACK));
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
        case StepDrawing::UnconfinedShadows:
            rows.push_back(flattenedRow(half ? UNCONFINED_SHADOWS_HALF : UNCONFINED_SHADOWS,
                                        Draws::FlattenedCasters, half ? HALF_BLACK : BLACK, r,
                                        r.shadowMatrix, r.lightInFront));
            break;
        case StepDrawing::RestOfRoom:
            addRestOfRoom(rows, s);
            break;
    }
}

LightStep addStepsSoFar(std::vector<PassRow>& rows, const std::vector<LightStep>& steps,
                        const ProgramState& s) {
    const int drawn = clampedPassStep(s.passStep, s.stencilShadows, s.lightCount);
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
        const ReceiverFacts r = receiverFacts({step.step->receiver, step.light}, s);
        rows.push_back(flattenedRow(SHOW_FLATTENED_CASTERS, Draws::FlattenedCasters, CASTER_YELLOW,
                                    r, r.shadowMatrix, r.lightInFront));
    }
}

std::string stepName(const LightStep& step, int lightCount) {
    const std::string receiver = receiverName(step.step->receiver);
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

int passStepCount(bool stencilShadows, int lightCount) {
    return static_cast<int>(passSteps(stencilShadows, lightCount).size());
}

int clampedPassStep(int step, bool stencilShadows, int lightCount) {
    return std::clamp(step, 1, passStepCount(stencilShadows, lightCount));
}

std::string passStepCaption(int number, bool stencilShadows, int lightCount) {
    const int step = clampedPassStep(number, stencilShadows, lightCount);
    return stepCaption(passSteps(stencilShadows, lightCount)[step - 1], lightCount);
}

std::string currentStepCaption(const ProgramState& s) {
    if (!s.steppingPasses) {
        return "";
    }
    const int step = clampedPassStep(s.passStep, s.stencilShadows, s.lightCount);
    return "Step " + std::to_string(step) + " of " +
           std::to_string(passStepCount(s.stencilShadows, s.lightCount)) + ": " +
           passStepCaption(step, s.stencilShadows, s.lightCount);
}

std::string currentStepStateText(const ProgramState& s) {
    if (!s.steppingPasses) {
        return "";
    }
    const int step = clampedPassStep(s.passStep, s.stencilShadows, s.lightCount);
    std::vector<PassRow> rows;
    addStep(rows, passSteps(s.stencilShadows, s.lightCount)[step - 1], s);
    return rowsAsText(rows, s.lightCount);
}

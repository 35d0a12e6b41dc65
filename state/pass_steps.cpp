#include "state/pass_steps.h"

#include <algorithm>

#include "state/program_state.h"

namespace {

// Magenta shows the stencil's marks, yellow the flattened casters; the last step shows
// nothing over the finished frame.
constexpr PassStep STENCIL_STEPS[] = {
    {StepReceiver::Floor, StepDrawing::MarkReceiver, true, false,
     "Floor: drawn lit, and every pixel where it shows is marked with a 1 in the stencil "
     "(magenta)."},
    {StepReceiver::Floor, StepDrawing::ClearMarks, true, true,
     "Floor: the flattened casters (yellow) clear the marks they cover; beyond the floor's "
     "edge there is no mark to clear, so nothing spills."},
    {StepReceiver::Floor, StepDrawing::DarkenCleared, true, false,
     "Floor: drawn again in the shadow's colour only where a mark was cleared, once per "
     "pixel, however many flattened polygons covered it."},
    {StepReceiver::LeftWall, StepDrawing::MarkReceiver, true, false,
     "Left wall: drawn lit and marked; the floor's marks stay, as the stencil is not "
     "cleared between receivers."},
    {StepReceiver::LeftWall, StepDrawing::ClearMarks, true, true,
     "Left wall: its flattened casters (yellow) clear the marks they cover, floor marks "
     "included, which no later step reads."},
    {StepReceiver::LeftWall, StepDrawing::DarkenCleared, true, false,
     "Left wall: drawn again in the shadow's colour where a mark was cleared; it covers "
     "only its own pixels, so the floor's cleared marks do nothing."},
    {StepReceiver::Room, StepDrawing::RestOfRoom, false, false,
     "The rest of the room, the light marker and the casters themselves finish the frame."},
};

// Without the stencil nothing is marked, so only the flattened casters are shown.
constexpr PassStep NAIVE_STEPS[] = {
    {StepReceiver::Floor, StepDrawing::LitReceiver, false, false,
     "Without the stencil, floor: drawn lit, and nothing is marked."},
    {StepReceiver::Floor, StepDrawing::UnconfinedShadows, false, true,
     "Floor: the flattened casters (yellow) drawn straight over it, depth-tested; in its very "
     "plane they fight it for every pixel."},
    {StepReceiver::LeftWall, StepDrawing::LitReceiver, false, false,
     "Left wall: drawn lit, nothing marked."},
    {StepReceiver::LeftWall, StepDrawing::UnconfinedShadows, false, true,
     "Left wall: its flattened casters (yellow) drawn straight over it, fighting it for "
     "depth."},
    {StepReceiver::Room, StepDrawing::RestOfRoom, false, false,
     "The rest of the room, the light marker and the casters themselves finish the frame."},
};

template <int N>
constexpr PassSteps stepsOf(const PassStep (&steps)[N]) {
    return {steps, N};
}

}  // namespace

PassSteps passSteps(bool stencilShadows) {
    return stencilShadows ? stepsOf(STENCIL_STEPS) : stepsOf(NAIVE_STEPS);
}

int clampedPassStep(int step, bool stencilShadows) {
    return std::clamp(step, 1, passSteps(stencilShadows).count);
}

int stepsToDraw() {
    const ProgramState& s = programState;
    return s.steppingPasses ? clampedPassStep(s.passStep, s.stencilShadows)
                            : passSteps(s.stencilShadows).count;
}

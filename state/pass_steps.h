// The shadow view's drawing as a list of steps, in the order a frame draws them, for the
// stepping mode that shows the stencil at work. Both renderers draw a frame from this one
// list: all of it normally, or only its first steps, with overlays that show what the
// stencil holds. No GL: each renderer keeps its own GL state for each kind of step.
#pragma once

// The surface a step is about.
enum class StepReceiver { Floor, LeftWall, Room };

// What a step draws.
enum class StepDrawing {
    // With the stencil: the receiver lit, marking every pixel where it shows with a 1.
    MarkReceiver,
    // With the stencil: the casters flattened onto the receiver's plane, into the stencil
    // alone, clearing the marks they cover.
    ClearMarks,
    // With the stencil: the receiver again in the shadow's colour, where a mark was cleared.
    DarkenCleared,
    // Without the stencil: the receiver lit.
    LitReceiver,
    // Without the stencil: the flattened casters straight over the receiver.
    UnconfinedShadows,
    // The room's shell, the light marker and the casters: what completes the frame.
    RestOfRoom,
};

struct PassStep {
    StepReceiver receiver;
    StepDrawing drawing;
    // Shown when the frame stops after this step: every pixel whose stencil value is 1,
    // and the flattened casters over the whole window, unconfined.
    bool showsMarks;
    bool showsFlattenedCasters;
    // One sentence: what the step does and why.
    const char* caption;
};

struct PassSteps {
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

// The steps of the shadow view with the stencil, or of the naive pass without it.
PassSteps passSteps(bool stencilShadows);

// How many steps of the current mode a shadow view draws: all of them, or in the stepping
// mode the current step's number, kept within the mode's steps.
int stepsToDraw();

// The current step's number kept within 1 and the current mode's last step, for when the
// mode's number of steps has changed.
int clampedPassStep(int step, bool stencilShadows);

// The shadow pass, written once: every frame as a list of rows, each one draw or clear
// with its whole render state (state/render_state.h), built from programState. Both
// renderers walk the same rows and differ only in how they apply a state and draw a shape,
// so the technique lives here alone: the table of render states (pass_table.cpp), the steps
// with their captions (pass_steps.cpp), the soft pass (soft_pass.cpp), the frames
// (frame.cpp), the stencil view (state/stencil_view.h) and a pixel's history
// (state/pixel_history.h). No GL.
#pragma once

#include <string>
#include <vector>

#include "state/program_state.h"
#include "state/render_state.h"
#include "state/stencil_legend.h"

// Everything one frame of the shadow view draws, in order, as programState stands: for
// each receiver in turn, light 1's stencilled pass (or the naive one without the
// stencil), which leaves black wherever light 1 does not reach, then each other light's
// light added wherever it reaches, soft when soft shadows are on; then the rest of the
// room; in the stepping mode only up to the current step, followed by what that step shows
// over the frame.
std::vector<PassRow> shadowViewRows(const ProgramState& s);

// One frame of the plain view: cone, sphere and the light markers, no room, no shadows.
std::vector<PassRow> plainViewRows(const ProgramState& s);

// These rows as a frame of the program as it stands: its window, its lights and their
// markers, the teapot where it stands, its buffering.
Frame frameOf(const ProgramState& s, std::vector<PassRow> rows);

// The two views' frames, as the program shows them.
Frame shadowViewFrame(const ProgramState& s);
Frame plainViewFrame(const ProgramState& s);

// ---- The stepping mode ------------------------------------------------------------------

// How many steps the shadow view has with the stencil, or without it, with this many lights
// and these receivers (receiving()): for each receiver, light 1's steps, then its steps again
// for every light after it.
int passStepCount(bool stencilShadows, int lightCount, unsigned receivers);

// The current step's number kept within 1 and the current mode's last step, for when the
// mode's number of steps has changed.
int clampedPassStep(int step, bool stencilShadows, int lightCount, unsigned receivers);

// One sentence: what step `number` (from 1) of the mode does and why, naming its receiver;
// with several lights, which light's step it is.
std::string passStepCaption(int number, bool stencilShadows, int lightCount, unsigned receivers);

// In the stepping mode with a variant of the pass drawn, at a step whose rows the variant
// changes, what goes wrong there, as a sentence to follow the step's caption; else "".
std::string variantStepNote(const ProgramState& s);

// In the stepping mode, "Step k of n: " and the current step's caption, with the variant's
// note where it goes wrong; else "".
std::string currentStepCaption(const ProgramState& s);

// In the stepping mode, the current step's rows as the GL calls they stand for
// (state/render_state_text.h); else "".
std::string currentStepStateText(const ProgramState& s);

// ---- Soft shadows' refinement ------------------------------------------------------------
// While anything moves, the shadow view is drawn from the light's centre alone. Once the
// picture stands still it is drawn again from 8 points of the light, then from the first
// batch of LIGHT_SAMPLE_COUNT, then from each batch of LATER_BATCH_SAMPLES after it, each
// batch's frame averaged with those before it by the renderer, in floating point, until the
// picture at rest is in.

// How many points the picture at rest is drawn from: the program's restingLightSamples,
// but at most one batch where more cannot change the picture (the stepping mode, the
// stencil view, shadows without the stencil) or the renderer cannot average batches.
int samplesAtRest(const ProgramState& s);

// Back to the hard frame: the centre alone.
void restartRefinement(ProgramState& s);

// The next step's points of the light in `s`; false, and `s` as it was, once the picture is
// at rest or soft shadows are off.
bool refineFurther(ProgramState& s);

// Which batch of the average at rest the shadow view's frame is, from 0: from the first
// whole batch on, where more follow; -1 for a frame that is its own picture.
int averagedBatch(const ProgramState& s);

// The shadow pass, written once: every frame as a list of rows, each one draw or clear
// with its whole render state (state/render_state.h), built from programState. Both
// renderers walk the same rows and differ only in how they apply a state and draw a shape,
// so the technique lives here alone. No GL.
#pragma once

#include <string>
#include <vector>

#include "state/program_state.h"
#include "state/render_state.h"
#include "state/stencil_legend.h"

// Everything one frame of the shadow view draws, in order, as programState stands: for the
// floor and then the left wall, light 1's stencilled pass (or the naive one without the
// stencil), which leaves black wherever light 1 does not reach, then each other light's
// light added wherever it reaches, soft when soft shadows are on; then the rest of the
// room; in the stepping mode only up to the current step, followed by what that step shows
// over the frame.
std::vector<PassRow> shadowViewRows(const ProgramState& s);

// One frame of the plain view: cone, sphere and the light markers, no room, no shadows.
std::vector<PassRow> plainViewRows(const ProgramState& s);

// ---- The stepping mode ------------------------------------------------------------------

// How many steps the shadow view has with the stencil, or without it, with this many lights:
// light 1's, then each receiver's steps again for every light after it.
int passStepCount(bool stencilShadows, int lightCount);

// The current step's number kept within 1 and the current mode's last step, for when the
// mode's number of steps has changed.
int clampedPassStep(int step, bool stencilShadows, int lightCount);

// One sentence: what step `number` (from 1) of the mode does and why; with several lights,
// which light's step it is.
std::string passStepCaption(int number, bool stencilShadows, int lightCount);

// In the stepping mode, "Step k of n: " and the current step's caption; else "".
std::string currentStepCaption(const ProgramState& s);

// In the stepping mode, the current step's rows as the GL calls they stand for
// (state/render_state_text.h); else "".
std::string currentStepStateText(const ProgramState& s);

// ---- The stencil view -------------------------------------------------------------------
// While programState.showStencil is on, shadowViewRows draws the stencil's values in false
// colour instead of the frame: in the stepping mode over the whole window after the current
// step; otherwise each receiver's stencil on its own pixels right after its own pass (with
// soft shadows, after its counting), before the next receiver changes it.

// The colour stencil value `value` is shown in: 0 black, 1 the stepping mode's magenta, and
// an even value 2k, k of `samples` points of the light counted, along the viridis ramp from
// its dark end (no point) to its yellow (every point). Each channel is a whole number of
// 255ths, so both renderers write it exactly.
Colour stencilViewColour(unsigned value, int samples);

// The view's legend: each value, its colour (for the counts, every colour of the ramp) and
// its meaning, as the page shows it under the picture; and as the snapshot tool and the
// desktop print it (state/stencil_legend.h).
std::vector<LegendEntry> stencilViewLegendEntries();
std::string stencilViewLegend();

// Rows that turn a pixel's stencil value into colour by the stencil test alone, for a
// renderer that cannot read the stencil back (WebGL 2): drawn over a target whose colour
// they clear first, they leave each pixel's red at its stencil value out of 255.
std::vector<PassRow> stencilReadingRows();

// ---- A pixel's history -------------------------------------------------------------------

// One stage of the history: the rows that draw it, after those of the stages before it,
// and what it is called. The stages are the steps of the stepping mode, then with soft
// shadows each receiver's soft pass, whose stencil holds the pixel's count.
struct HistoryStage {
    std::string name;
    std::vector<PassRow> rows;
    bool counts;
};
std::vector<HistoryStage> pixelHistoryStages(const ProgramState& s);

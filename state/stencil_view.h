// The stencil view: while programState.showStencil is on, the shadow view's frame draws the
// stencil's values in false colour instead of the frame: in the stepping mode over the whole
// window after the current step; otherwise each receiver's stencil on its own pixels right
// after its own pass (with soft shadows, after its counting), before the next receiver
// changes it. No GL.
#pragma once

#include <string>
#include <vector>

#include "state/render_state.h"
#include "state/stencil_legend.h"

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

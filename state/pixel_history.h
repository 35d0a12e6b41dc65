// A pixel's history through the shadow pass, told in words from what the pixel held after
// each stage (state/shadow_pass.h's pixelHistoryStages), as a renderer read it back from
// real frames. No GL.
#pragma once

#include <string>
#include <vector>

#include "state/shadow_pass.h"

// What one pixel holds after a stage: its colour and its stencil value.
struct PixelSample {
    unsigned char r, g, b;
    unsigned stencil;
};

// The history of window pixel (x, y), counted from the top left: a line that names the
// pixel, then one line per stage, which says whether the stage acted on the pixel (changed
// its stencil or its colour) and how; a stage that counts says how many of `samples`
// points of the light shadow the pixel.
std::string pixelHistoryText(int x, int y, const std::vector<HistoryStage>& stages,
                             const std::vector<PixelSample>& after, int samples);

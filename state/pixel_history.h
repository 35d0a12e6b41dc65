// A pixel's history through the shadow pass: the stages it is drawn in, and from what the
// pixel held after each stage, as a renderer read it back from real frames, the history as
// data, which the page builds its own text from, and told in words, as the desktop and the
// snapshot tool print it. No GL.
#pragma once

#include <string>
#include <vector>

#include "state/program_state.h"
#include "state/render_state.h"

// One stage of the history: the rows that draw it, after those of the stages before it,
// and what it is called. The stages are the steps of the stepping mode, then with soft
// shadows each receiver's soft pass, whose stencil holds the pixel's count.
struct HistoryStage {
    std::string name;
    std::vector<PassRow> rows;
    bool counts;
};
std::vector<HistoryStage> pixelHistoryStages(const ProgramState& s);

// How many points of the light the soft stages count: the first batch, as the stencil holds
// one batch at a time.
int historySamples(const ProgramState& s);

// What one pixel holds after a stage: its colour and its stencil value.
struct PixelSample {
    unsigned char r, g, b;
    unsigned stencil;
};

// One stage: its name, whether it counts points of the light (soft shadows), and the pixel
// before and after it.
struct PixelStage {
    std::string name;
    bool counts;
    PixelSample before, after;
};

// Window pixel (x, y), counted from the top left; a counting stage counts `samples` points.
// No stages: no history (a pixel outside the window, or no offscreen target).
struct PixelHistory {
    int x = 0;
    int y = 0;
    int samples = 0;
    std::vector<PixelStage> stages;
};

// The history from the pass's stages and the pixel after each. Every frame starts from a
// clear: black, stencil 0.
PixelHistory pixelHistoryOf(int x, int y, const std::vector<HistoryStage>& stages,
                            const std::vector<PixelSample>& after, int samples);

// A line that names the pixel, then one line per stage, which says whether the stage acted on
// the pixel (changed its stencil or its colour) and how; a stage that counts says how many of
// the points of the light shadow the pixel.
std::string pixelHistoryText(const PixelHistory& history);

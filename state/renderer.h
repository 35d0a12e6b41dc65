// What a renderer does for the program, in the scene's own words. Exactly one renderer is
// linked in: the fixed-function one in scene/ on the desktop, the WebGL 2 one in web/ in a
// browser. The handlers and the tools draw only through these calls; each call needs the
// window's GL context current. A renderer draws from the frame it is given and reads
// nothing else of the program's.
#pragma once

#include <vector>

#include "state/pixel_history.h"
#include "state/render_state.h"

// Once, right after the window exists: the fixed GL state and all unchanging geometry.
// In a browser, again when a lost GL context is given back: every GL object anew.
void initScene();

// Draws the frame's rows in order, each with its whole state, with the frame's lights,
// markers, projection and size (state/shadow_pass.h makes the program's frames), into the
// frame not yet shown.
void drawFrame(const Frame& frame);

// True when the framebuffer drawn into has the stencil bits soft shadows count samples in.
bool canDrawSoftShadows();

// True when the renderer can average soft shadows' batches (Frame::batch) in floating
// point, which it keeps between frames: without it a picture rests at one batch.
bool canAverageBatches();

// Once, at the start: draws the frame where nothing shows it, so that a GL that prepares its
// code for each state the first time a draw uses it does so while the start goes on, not
// while the page waits for the first frame to be shown. warmedUp() is false until the GL has
// done that drawing; the first frame waits for it. The desktop's first frame waits for
// nothing: warmUp does nothing there, and warmedUp is always true.
void warmUp(const Frame& frame);
bool warmedUp();

// Shows the frame: a buffer swap, or a flush when it is single-buffered.
void presentFrame(const Frame& frame);

// The frame drawn last and not yet shown, at its size, RGB, top row first: what a Save
// writes. Read before presentFrame, since a swap leaves the buffer drawn into undefined; in a
// browser, within the task that drew it, since the drawing buffer is cleared once shown.
std::vector<unsigned char> readFrame(const Frame& frame);

// ---- A pixel's history, read from real frames --------------------------------------------

// A spare target of this size, away from the window: until it is closed, drawFrame draws
// into it and the window's picture stays as it was. False if GL cannot offer one.
bool openPixelProbe(int width, int height);

// What the frames drawn into the probe so far left in pixel (x, y), counted from the top left
// as the pointer gives it: its colour, and its stencil value.
PixelSample probePixel(int x, int y);

// Deletes the probe; drawing goes to the window again.
void closePixelProbe();

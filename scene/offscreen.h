// A framebuffer object to draw into instead of the window, so a picture never depends
// on the screen's size or on other windows, and reading its pixels back.
#pragma once

#include "platform/opengl.h"
#include "state/render_state.h"

#include <vector>

// Runs `draw` with both matrices the identity, so that what it draws in clip space covers
// the viewport, then gives both back as they were.
template <typename Draw>
void drawWithoutMatrices(Draw draw) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    draw();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

struct OffscreenTarget {
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GLuint depthStencil = 0;
};

// Creates colour, depth and stencil buffers of this size and binds them for drawing and
// reading. False, with nothing left bound, if GL cannot offer such a framebuffer.
bool openOffscreenTarget(int width, int height, OffscreenTarget& target);

// The target's RGB pixels, top row first as picture files store them.
std::vector<unsigned char> readOffscreenPixels(int width, int height);

// Deletes the buffers and draws to the window again.
void closeOffscreenTarget(OffscreenTarget& target);

// A GL entry point as the driver hands it out, to be cast to the call's own type.
using GlEntryPoint = void (*)();
using GlEntryPointLookUp = GlEntryPoint (*)(const char* name);

// For a context that GLUT did not make: its framebuffer calls are asked of `lookUp` instead.
void findFramebufferCallsThrough(GlEntryPointLookUp lookUp);
// After a frame that is a batch of soft shadows' average (Frame::batch), drawn into the
// framebuffer bound now: adds it to the average, kept in floating point, unless it is the
// batch added last, and draws the average over it. Where GL has no floating-point target,
// the frame stays as drawn.
void showBatchAverage(const Frame& frame);

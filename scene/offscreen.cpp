// Framebuffer objects are GL 3.0. Windows' opengl32 exports nothing past GL 1.1, so their
// entry points are asked of the driver once a context is current, through freeglut, and
// the same way wherever freeglut is the GLUT, so that path is the one tested; a context made
// without GLUT asks through whatever made it. Apple's GLUT has no such call, and its OpenGL
// framework exports the functions itself.
#define GL_GLEXT_PROTOTYPES
#include "scene/offscreen.h"

#if defined(__APPLE__)
#include <OpenGL/glext.h>
#else
#include <GL/freeglut.h>
#include <GL/glext.h>
#endif

#include <algorithm>

namespace {

struct FramebufferCalls {
    decltype(&glGenFramebuffers) genFramebuffers;
    decltype(&glBindFramebuffer) bindFramebuffer;
    decltype(&glFramebufferRenderbuffer) framebufferRenderbuffer;
    decltype(&glCheckFramebufferStatus) checkFramebufferStatus;
    decltype(&glDeleteFramebuffers) deleteFramebuffers;
    decltype(&glGenRenderbuffers) genRenderbuffers;
    decltype(&glBindRenderbuffer) bindRenderbuffer;
    decltype(&glRenderbufferStorage) renderbufferStorage;
    decltype(&glDeleteRenderbuffers) deleteRenderbuffers;
    decltype(&glFramebufferTexture2D) framebufferTexture2D;
};

FramebufferCalls fbo = {};

#if defined(__APPLE__)
bool findFramebufferCalls() {
    fbo = {glGenFramebuffers,        glBindFramebuffer,     glFramebufferRenderbuffer,
           glCheckFramebufferStatus, glDeleteFramebuffers,  glGenRenderbuffers,
           glBindRenderbuffer,       glRenderbufferStorage, glDeleteRenderbuffers,
           glFramebufferTexture2D};
    return true;
}
#else
GlEntryPointLookUp lookUpEntryPoint = [](const char* name) {
    return reinterpret_cast<GlEntryPoint>(glutGetProcAddress(name));
};

template <typename Call>
bool lookUp(Call& call, const char* name) {
    call = reinterpret_cast<Call>(lookUpEntryPoint(name));
    return call != nullptr;
}

// False if the driver lacks any of them.
bool findFramebufferCalls() {
    return lookUp(fbo.genFramebuffers, "glGenFramebuffers") &&
           lookUp(fbo.bindFramebuffer, "glBindFramebuffer") &&
           lookUp(fbo.framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
           lookUp(fbo.checkFramebufferStatus, "glCheckFramebufferStatus") &&
           lookUp(fbo.deleteFramebuffers, "glDeleteFramebuffers") &&
           lookUp(fbo.genRenderbuffers, "glGenRenderbuffers") &&
           lookUp(fbo.bindRenderbuffer, "glBindRenderbuffer") &&
           lookUp(fbo.renderbufferStorage, "glRenderbufferStorage") &&
           lookUp(fbo.deleteRenderbuffers, "glDeleteRenderbuffers") &&
           lookUp(fbo.framebufferTexture2D, "glFramebufferTexture2D");
}
#endif

}  // namespace

bool openOffscreenTarget(int width, int height, OffscreenTarget& target) {
    if (!findFramebufferCalls()) {
        return false;
    }
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    if (width > largest || height > largest) {
        return false;
    }
    fbo.genFramebuffers(1, &target.framebuffer);
    fbo.bindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);

    fbo.genRenderbuffers(1, &target.colour);
    fbo.bindRenderbuffer(GL_RENDERBUFFER, target.colour);
    fbo.renderbufferStorage(GL_RENDERBUFFER, GL_RGB8, width, height);
    fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                target.colour);

    // One buffer holds both: the shadows need the stencil as much as the depth.
    fbo.genRenderbuffers(1, &target.depthStencil);
    fbo.bindRenderbuffer(GL_RENDERBUFFER, target.depthStencil);
    fbo.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                target.depthStencil);

    // Draw and read buffers belong to the framebuffer object; the window keeps its own.
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    if (fbo.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        closeOffscreenTarget(target);
        return false;
    }
    return true;
}

std::vector<unsigned char> readOffscreenPixels(int width, int height) {
    // GL's rows run bottom up, a picture's top down.
    const size_t rowBytes = 3 * static_cast<size_t>(width);
    std::vector<unsigned char> bottomUp(rowBytes * height);
    std::vector<unsigned char> topDown(bottomUp.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    for (int y = 0; y < height; ++y) {
        std::copy_n(&bottomUp[rowBytes * y], rowBytes, &topDown[rowBytes * (height - 1 - y)]);
    }
    return topDown;
}

void closeOffscreenTarget(OffscreenTarget& target) {
    fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
    fbo.deleteRenderbuffers(1, &target.depthStencil);
    fbo.deleteRenderbuffers(1, &target.colour);
    fbo.deleteFramebuffers(1, &target.framebuffer);
    target = OffscreenTarget{};
}

void findFramebufferCallsThrough(GlEntryPointLookUp lookUp) {
#if defined(__APPLE__)
    static_cast<void>(lookUp);
#else
    lookUpEntryPoint = lookUp;
#endif
}

// ---- The average of batches --------------------------------------------------------------
// A frame's 8 bits round once per frame, and the 256 points of a picture at rest are 29
// batches: so each batch's frame, as drawn, is copied into a texture and blended, weighted,
// into a sum in 32-bit floating point, and the sum is drawn back over the frame, rounded
// once. The accumulation buffer would need no framebuffer object, but framebuffer objects
// have none, and llvmpipe's is not exact.

namespace {

struct BatchAverage {
    // The frame as drawn, and the average so far, of the size below.
    GLuint frame = 0;
    GLuint sum = 0;
    GLuint sumFramebuffer = 0;
    int width = 0;
    int height = 0;
    // The batch added last; -1 for none.
    int added = -1;
};

BatchAverage average;

// A texture whose texels are read as they are, with no filtering.
GLuint newTexture(GLint format, GLenum type, int width, int height) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, GL_RGB, type, nullptr);
    return texture;
}

void deleteAverage() {
    glDeleteTextures(1, &average.frame);
    glDeleteTextures(1, &average.sum);
    fbo.deleteFramebuffers(1, &average.sumFramebuffer);
    average = BatchAverage{};
}

// The textures at the frame's size; false where GL cannot draw into a floating-point one.
// Leaves the sum's framebuffer bound.
bool prepareAverage(int width, int height) {
    if (average.sumFramebuffer != 0 && average.width == width && average.height == height) {
        fbo.bindFramebuffer(GL_FRAMEBUFFER, average.sumFramebuffer);
        return true;
    }
    if (average.sumFramebuffer != 0) {
        deleteAverage();
    }
    // RGB as the frame has it: a frame's alpha is whatever its rows left, and no part of it.
    average.frame = newTexture(GL_RGB8, GL_UNSIGNED_BYTE, width, height);
    average.sum = newTexture(GL_RGBA32F, GL_FLOAT, width, height);
    average.width = width;
    average.height = height;
    fbo.genFramebuffers(1, &average.sumFramebuffer);
    fbo.bindFramebuffer(GL_FRAMEBUFFER, average.sumFramebuffer);
    fbo.framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, average.sum, 0);
    if (fbo.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        deleteAverage();
        return false;
    }
    return true;
}

// The texture over the whole viewport, texel for pixel: each pixel's centre samples its
// own texel's, with neither matrix.
void drawTexture(GLuint texture) {
    glBindTexture(GL_TEXTURE_2D, texture);
    drawWithoutMatrices([] {
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2f(-1, -1);
        glTexCoord2f(1, 0);
        glVertex2f(1, -1);
        glTexCoord2f(1, 1);
        glVertex2f(1, 1);
        glTexCoord2f(0, 1);
        glVertex2f(-1, 1);
        glEnd();
    });
}

}  // namespace

bool canAverageBatches() {
    GLint drawn = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &drawn);
    const bool can = findFramebufferCalls() && prepareAverage(1, 1);
    if (can) {
        deleteAverage();
        fbo.bindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(drawn));
    }
    return can;
}

void showBatchAverage(const Frame& frame) {
    GLint drawn = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &drawn);
    const GLuint window = static_cast<GLuint>(drawn);
    if (!findFramebufferCalls() || !prepareAverage(frame.width, frame.height)) {
        // The frame stays as drawn, one batch's picture.
        fbo.bindFramebuffer(GL_FRAMEBUFFER, window);
        return;
    }
    // Textured, unlit and untested: the copies are the pictures as they are. The rows set
    // all of this again.
    glDisable(GL_LIGHTING);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_DEPTH_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    if (frame.batch == 0 || frame.batch != average.added) {
        // The frame just drawn, from its framebuffer's own read buffer.
        fbo.bindFramebuffer(GL_FRAMEBUFFER, window);
        glBindTexture(GL_TEXTURE_2D, average.frame);
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, frame.width, frame.height);
        // The sum so far keeps 1 - share of itself, and the frame adds share of its own;
        // the first batch replaces whatever the texture held.
        fbo.bindFramebuffer(GL_FRAMEBUFFER, average.sumFramebuffer);
        if (frame.batch == 0) {
            glDisable(GL_BLEND);
        } else {
            glEnable(GL_BLEND);
        }
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glColor4f(1, 1, 1, frame.batchShare);
        drawTexture(average.frame);
        average.added = frame.batch;
    }
    fbo.bindFramebuffer(GL_FRAMEBUFFER, window);
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    drawTexture(average.sum);
    glDisable(GL_TEXTURE_2D);
}

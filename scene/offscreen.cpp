// Framebuffer objects are GL 3.0; Mesa's libGL exports them directly.
#define GL_GLEXT_PROTOTYPES
#include "scene/offscreen.h"

#include <GL/glext.h>

#include <algorithm>

bool openOffscreenTarget(int width, int height, OffscreenTarget& target) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    if (width > largest || height > largest) {
        return false;
    }
    glGenFramebuffers(1, &target.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);

    glGenRenderbuffers(1, &target.colour);
    glBindRenderbuffer(GL_RENDERBUFFER, target.colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, target.colour);

    // One buffer holds both: the shadows need the stencil as much as the depth.
    glGenRenderbuffers(1, &target.depthStencil);
    glBindRenderbuffer(GL_RENDERBUFFER, target.depthStencil);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              target.depthStencil);

    // Draw and read buffers belong to the framebuffer object; the window keeps its own.
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
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
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteRenderbuffers(1, &target.depthStencil);
    glDeleteRenderbuffers(1, &target.colour);
    glDeleteFramebuffers(1, &target.framebuffer);
    target = OffscreenTarget{};
}

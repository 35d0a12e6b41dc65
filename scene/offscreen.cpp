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
};

FramebufferCalls fbo = {};

#if defined(__APPLE__)
bool findFramebufferCalls() {
    fbo = {glGenFramebuffers,        glBindFramebuffer,     glFramebufferRenderbuffer,
           glCheckFramebufferStatus, glDeleteFramebuffers,  glGenRenderbuffers,
           glBindRenderbuffer,       glRenderbufferStorage, glDeleteRenderbuffers};
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
           lookUp(fbo.deleteRenderbuffers, "glDeleteRenderbuffers");
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

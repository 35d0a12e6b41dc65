#include "tests/gl_window.h"

// glutMainLoopEvent is freeglut's own, beyond the GLUT that platform/opengl.h gives.
#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "app/program.h"
#include "platform/opengl.h"
#include "state/program_state.h"
#include "state/renderer.h"

void pumpEvents() {
    for (int i = 0; i < 5; ++i) {
        glutMainLoopEvent();
        glFinish();
    }
}

Picture readFrame() {
    Picture frame;
    frame.width = programState.windowWidth;
    frame.height = programState.windowHeight;
    frame.rgb.resize(3 * static_cast<size_t>(frame.width) * frame.height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // An offscreen target reads its own colour buffer, chosen when it was opened; the
    // window's front buffer is no buffer of it.
    GLint framebuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    if (framebuffer == 0) {
        glReadBuffer(GL_FRONT);
    }
    glReadPixels(0, 0, frame.width, frame.height, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
    // Whatever the frame's drawing or this read raised is found here, not left for later.
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    return frame;
}

Picture drawAndRead(void (*view)()) {
    view();
    glFinish();
    return readFrame();
}

void placeLightAt(Vec3 light) {
    programState.lights[0].standsAt = {static_cast<float>(light.x), static_cast<float>(light.y),
                                       static_cast<float>(light.z), 1.0f};
    updateShadowMatrices();
}

// One window for the whole process, opened by the program's own start-up with the
// option 's' so frames end in a flush of the single, readable buffer.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    int glutArgc = 2;
    char name[] = "render-tests";
    char option[] = "s";
    char* glutArgv[] = {name, option, nullptr};
    startProgram(glutArgc, glutArgv);
    for (int i = 0; i < 2500 && programState.windowWidth == 0; ++i) {
        glutMainLoopEvent();
        usleep(2000);
    }
    if (programState.windowWidth != 512 || programState.windowHeight != 512) {
        std::fprintf(stderr, "the test window did not come up at 512 x 512\n");
        return 1;
    }
    pumpEvents();
    return RUN_ALL_TESTS();
}

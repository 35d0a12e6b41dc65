// Linked into a test build of the program with -Wl,--wrap=glutSwapBuffers: before a frame
// is shown, any GL error that the program's calls raised since the last frame stops the
// process with a message, so a test that drives it sees it die.
#include <cstdio>
#include <cstdlib>

#include "platform/opengl.h"

extern "C" void __real_glutSwapBuffers();

extern "C" void __wrap_glutSwapBuffers() {
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        std::fprintf(stderr, "GL error 0x%04x raised before a buffer swap\n", error);
        std::abort();
    }
    __real_glutSwapBuffers();
}

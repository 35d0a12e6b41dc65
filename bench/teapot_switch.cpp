#include "bench/teapot_switch.h"

#include "platform/opengl.h"
#include "scene/scene.h"
#include "shadow/room.h"

bool teapotFromGlut = false;

extern "C" void __real_glCallList(GLuint list);

// Only the program's own calls come here; lists that call lists are run inside GL.
extern "C" void __wrap_glCallList(GLuint list) {
    if (teapotFromGlut && list == LIST_WIRE_TEAPOT) {
        glutWireTeapot(TEAPOT_SIZE);
    } else {
        __real_glCallList(list);
    }
}

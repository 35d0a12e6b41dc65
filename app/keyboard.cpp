#include <GL/glut.h>

#include <cstdlib>

#include "app/handlers.h"
#include "app/program_state.h"
#include "scene/views.h"

namespace {
constexpr unsigned char KEY_ESCAPE = 27;
// Multiples of 15 are exact in float, so 't' then 'T' puts the teapot back exactly.
constexpr float TEAPOT_STEP = 15.0f;
}  // namespace

void onKey(unsigned char key, int, int) {
    switch (key) {
        case KEY_ESCAPE:
            // exit, not _exit: standard output is flushed on the way out.
            std::exit(0);
        case 'b':
        case 'B':
            glutDisplayFunc(displayShadowView);
            break;
        case 'n':
        case 'N':
            glutDisplayFunc(displayPlainView);
            break;
        case 't':
            programState.teapotOffsetX += TEAPOT_STEP;
            glutDisplayFunc(displayShadowView);
            break;
        case 'T':
            programState.teapotOffsetX -= TEAPOT_STEP;
            glutDisplayFunc(displayShadowView);
            break;
        default:
            return;
    }
    glutPostRedisplay();
}

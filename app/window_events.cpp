#include <GL/glut.h>

#include "app/handlers.h"
#include "app/program_state.h"
#include "scene/views.h"

void onReshape(int width, int height) {
    programState.windowWidth = width;
    programState.windowHeight = height;
    // The projection stays as it is, so the picture stretches with the window.
    glViewport(0, 0, width, height);
}

// Raises the tint by one step per call up to just below 1.0. The level shows only in
// frames that something else causes. Once it rests, the handler unregisters itself,
// so a program left alone sleeps instead of spinning a core.
void onIdle() {
    constexpr double TINT_STEP = 0.00025;
    const double sum = programState.tintLevel + TINT_STEP;
    programState.tintLevel = static_cast<float>(sum);
    if (sum > 1.0) {
        programState.tintLevel = static_cast<float>(programState.tintLevel - TINT_STEP);
        glutIdleFunc(nullptr);
    }
    glutDisplayFunc(displayShadowView);
}

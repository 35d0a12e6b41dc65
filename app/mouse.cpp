#include <GL/glut.h>

#include "app/handlers.h"
#include "app/program_state.h"
#include "scene/scene.h"
#include "shadow/receivers.h"

void onMouse(int button, int state, int x, int y) {
    // Shift turns the left button into the middle one, for two-button mice.
    if (button == GLUT_LEFT_BUTTON && (glutGetModifiers() & GLUT_ACTIVE_SHIFT)) {
        button = GLUT_MIDDLE_BUTTON;
    }
    if (state != GLUT_DOWN) {
        return;
    }
    if (button == GLUT_LEFT_BUTTON) {
        programState.dragMode = DRAG_XY;
        onDrag(x, y);
    } else if (button == GLUT_MIDDLE_BUTTON) {
        programState.dragMode = DRAG_Z;
        onDrag(x, y);
    }
}

// The window spans the room's cross-section: left edge x = -100, right edge x = 100,
// top y = 100, bottom y = -100. In depth the bottom edge is the open front (z = -320)
// and the top edge the back wall (z = -520). Nothing is clamped: dragged beyond the
// window, the light leaves the room.
void onDrag(int x, int y) {
    ProgramState& s = programState;
    const int width = s.windowWidth;
    const int height = s.windowHeight;
    // Before the first reshape, or while minimised, there is no mapping to make.
    if (width == 0 || height == 0) {
        return;
    }
    if (s.dragMode == DRAG_XY) {
        s.lightPosition.x = static_cast<float>((x - width) * 200.0 / width + 100.0);
        s.lightPosition.y = static_cast<float>((height - y) * 200.0 / height - 100.0);
    } else {
        s.lightPosition.z = static_cast<float>(-320.0 - (height - y) * 200.0 / height);
    }
    updateShadowMatrices();
    placeLight();
    glutPostRedisplay();
}

#include "scene/scene.h"

#include <GL/gl.h>

#include "app/program_state.h"
#include "scene/display_lists.h"
#include "shadow/receivers.h"

void placeLight() {
    const LightPosition& light = programState.lightPosition;
    const GLfloat position[4] = {light.x, light.y, light.z, light.w};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
}

void initScene() {
    // The near plane at z = -320 is the room's open front, and its 200 × 200 opening fills
    // the view exactly. A new context's projection is the identity, so no load is needed.
    // The projection never changes again: a reshape only moves the viewport, and the
    // picture stretches with the window.
    glMatrixMode(GL_PROJECTION);
    glFrustum(-100.0, 100.0, -100.0, 100.0, 320.0, 640.0);
    glMatrixMode(GL_MODELVIEW);

    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);

    prepareShadowReceivers();
    placeLight();
    compileDisplayLists();

    // From here on every glColor3f sets the ambient and diffuse reflectance of both faces.
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
}

#include "scene/views.h"

#include <GL/glut.h>

#include "app/program_state.h"
#include "scene/display_lists.h"
#include "shadow/shadow_pass.h"

void drawLightMarker() {
    const LightPosition& light = programState.lightPosition;
    glPushMatrix();
    glTranslatef(light.x, light.y, light.z);
    // The marker shows where the light is, so it is drawn flat in its own grey.
    glDisable(GL_LIGHTING);
    glCallList(LIST_LIGHT_MARKER);
    glEnable(GL_LIGHTING);
    glPopMatrix();
}

void drawMovingTeapot() {
    // Red reflectance rises from 1 toward 2 with the tint; GL clamps the lit result.
    glColor3f(programState.tintLevel + 1.0f, 0.0f, 0.0f);
    drawTeapotCaster();
}

void presentFrame() {
    if (programState.doubleBuffered) {
        glutSwapBuffers();
    } else {
        glFlush();
    }
}

void displayShadowView() {
    const ProgramState& s = programState;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);

    // The receivers go first: each pass needs the stencil and depth of its own quad
    // before anything else in the frame can hide it.
    glColor3f(0.0f, 1.0f, 1.0f);
    drawShadowedReceiver(LIST_FLOOR, LIST_OCCLUDERS, s.floorShadowMatrix,
                         lightIsInFront(s.floorPlane, s.lightPosition));
    glColor3f(1.0f, 1.0f, 1.0f);
    drawShadowedReceiver(LIST_LEFT_WALL, LIST_OCCLUDERS, s.leftWallShadowMatrix,
                         lightIsInFront(s.leftWallPlane, s.lightPosition));

    glCallList(LIST_ROOM_SHELL);
    drawLightMarker();
    drawMovingTeapot();
    glColor3f(1.0f, 0.75f, 0.0f);
    glCallList(LIST_CONE);
    glColor3f(0.45f, 0.5f, s.tintLevel);
    glCallList(LIST_SPHERE);

    // Every handler may count on an identity modelview matrix.
    glLoadIdentity();
    presentFrame();
}

void displayPlainView() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glColor3f(1.0f, 1.0f, 1.0f);
    glCallList(LIST_OCCLUDERS);
    drawLightMarker();
    // Drawn again at exactly the same depth, these fail GL_LESS: cone and sphere stay white.
    glColor3f(0.0f, 0.5f, 1.0f);
    glCallList(LIST_CONE);
    glColor3f(1.0f, 0.5f, 0.0f);
    glCallList(LIST_SPHERE);
    presentFrame();
    glutDisplayFunc(displayShadowView);
}

#include "app/startup.h"

#include <GL/glut.h>

#include <cstdio>

#include "app/command_line.h"
#include "app/handlers.h"
#include "app/program_state.h"
#include "scene/scene.h"
#include "scene/views.h"

void startProgram(int& argc, char** argv) {
    // GLUT takes its own options (-display, -geometry, ...) out of argv first.
    glutInit(&argc, argv);
    // Set after glutInit, so a -geometry option cannot change the size.
    glutInitWindowSize(512, 512);
    programState.doubleBuffered = scanBufferingOption(argc, argv, stdout);
    const unsigned buffering = programState.doubleBuffered ? GLUT_DOUBLE : GLUT_SINGLE;
    glutInitDisplayMode(GLUT_RGB | GLUT_DEPTH | GLUT_STENCIL | buffering);
    glutCreateWindow("moving shadows, hit 't' and 'T'");

    initScene();

    glutDisplayFunc(displayShadowView);
    glutKeyboardFunc(onKey);
    glutMouseFunc(onMouse);
    glutMotionFunc(onDrag);
    glutReshapeFunc(onReshape);
    glutIdleFunc(onIdle);
    createMenu();
}

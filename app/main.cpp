// planar-shadows: a point light, dragged with the mouse, throws the shadows of a cone, a
// sphere and a wire teapot onto the floor and the left wall of an open box room, and at a
// switch onto its other faces and a tilted board. The shadows are the casters flattened
// onto each receiver's plane along the light's rays, and the stencil buffer keeps them on
// the receiver's own pixels.
#include "app/program.h"
#include "platform/opengl.h"

int main(int argc, char** argv) {
    startProgram(argc, argv);
    // Does not return: Esc or closing the window ends the process.
    glutMainLoop();
    return 0;
}

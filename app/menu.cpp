#include <GL/glut.h>

#include "app/handlers.h"

// Each item's value is the key it stands for, so menu and keyboard cannot drift apart.
void onMenu(int item) {
    onKey(static_cast<unsigned char>(item), 0, 0);
}

// No item for the plain view: closing the menu redraws the window, and the plain view
// lasts one frame, so such an item would show nothing.
void createMenu() {
    glutCreateMenu(onMenu);
    glutAddMenuEntry("Move teapot right (t)", 't');
    glutAddMenuEntry("Move teapot left (T)", 'T');
    glutAddMenuEntry("Quit (Esc)", 27);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
}

// The window-event handlers. They change the program's state and ask GLUT for a
// redraw; the installed view does the drawing.
#pragma once

void onKey(unsigned char key, int x, int y);
void onMouse(int button, int state, int x, int y);
void onDrag(int x, int y);
void onReshape(int width, int height);
void onIdle();
void onMenu(int item);

// A right-button menu whose items act like the keys named in their labels.
void createMenu();

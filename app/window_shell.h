// The desktop's own GLUT handlers, beside those both editions share (app/program.h): the
// tests and the frame benchmark call them directly, as GLUT would.
#pragma once

// GLUT's mouse handler: a press goes on to onPress, with Shift as GLUT reports it.
void onMouse(int button, int state, int x, int y);

// GLUT's idle handler, one step per call: the tint's climb, and with soft shadows on, the
// next refinement of a picture that has stood still. Unregisters itself once neither has
// anything left to do.
void onIdle();

// The program's own window in the test process: the real start-up, single-buffered so
// a presented frame can be read back, plus the geometry to know where to look in it.
#pragma once

#include "tests/scene_geometry.h"

// Lets GLUT deliver what is pending: input, reshapes, redraws the handlers asked for.
void pumpEvents();

// The window's current contents.
Picture readFrame();

// Runs a display handler directly and reads the frame it presented.
Picture drawAndRead(void (*view)());

// Moves the light as a drag does, without the pointer mapping.
void placeLightAt(Vec3 light);

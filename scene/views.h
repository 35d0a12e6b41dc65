// The two display handlers, exactly one of which GLUT has installed at any time,
// and the pieces they share.
#pragma once

// The room with stencilled shadows on the floor and the left wall.
void displayShadowView();

// Cone, sphere and light marker alone: no room, no shadows. It lasts one frame: once
// presented, it installs the shadow view again for whatever redraw comes next.
void displayPlainView();

void drawLightMarker();
void drawMovingTeapot();

// Swaps buffers, or flushes a single-buffered window.
void presentFrame();

// One-time GL set-up of the scene: projection, lighting, receivers, display lists.
#pragma once

// Runs once, right after the window exists, with its GL context current.
void initScene();

// Hands the light's position to GL. The modelview matrix is the identity whenever
// this runs, so GL takes the position in eye coordinates.
void placeLight();

// Everything before the main loop: GLUT, the option, the window, the scene, the handlers.
#pragma once

void startProgram(int& argc, char** argv);

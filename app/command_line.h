// The program's one option, read from the arguments GLUT has left.
#pragma once

#include <cstdio>

// Every lower-case 's' in the first argument asks for a single-buffered window and is
// acknowledged with a line on `out`; nothing else, and no later argument, counts.
// Returns the value for doubleBuffered: 1, or 0 once an 's' was seen.
int scanBufferingOption(int argc, char** argv, std::FILE* out);

// The teapot experiment: the program draws the wire teapot from a display list compiled
// once. With the switch on, that list is replaced by a direct glutWireTeapot call after
// the same translation, as the program drew it before. Linked with -Wl,--wrap=glCallList,
// so the program's own drawing code is measured and compared both ways.
#pragma once

extern bool teapotFromGlut;

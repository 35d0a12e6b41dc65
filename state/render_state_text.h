// Rows of a frame as the GL calls they stand for, for the learner: the stepping mode shows
// each step's rows this way. No GL.
#pragma once

#include <string>
#include <vector>

#include "state/render_state.h"

// Each run of rows drawn with the same state as its whole state, every call of it on three
// lines (the stencil; colour mask and depth; lighting and blending), then each row's colour
// and what it draws; one line ends each run's rows. For example, a receiver's marking:
//   glEnable(GL_STENCIL_TEST); glStencilFunc(GL_ALWAYS, 1, 1); ...
// With more than one light, a lit row also says which of the frame's `lightCount` lights
// are on and whether the ambient light is.
std::string rowsAsText(const std::vector<PassRow>& rows, int lightCount);

// "floor" or "left wall", as the texts name them.
const char* receiverName(Receiver receiver);

// A light's path: where the selected light stood, ten times a second, as Record keeps it and
// a link carries it, for an animation of the light's movement. Its text is short enough that
// a whole path fits in a page's address. No GL.
#pragma once

#include <string>
#include <vector>

#include "shadow/shadow_math.h"

constexpr int PATH_POSITIONS_PER_SECOND = 10;
// Twenty seconds.
constexpr int MAX_PATH_POSITIONS = 200;
// A path's positions lie on a grid of this step in room units: a sixteenth of a unit, a
// sixth of a pixel in a 512-pixel window. Every multiple of it up to MAX_COORDINATE (10^6)
// is an exact float.
constexpr float PATH_GRID = 1.0f / 16;

// A path as the program holds it: in place, so that the program's state stays one block
// that copies and compares as its bytes.
struct RecordedPath {
    int length = 0;
    Point3 at[MAX_PATH_POSITIONS] = {};
};

// `at` on the path's grid, each coordinate rounded to the nearest step.
Point3 onPathGrid(const Point3& at);

// The path's text: each coordinate counted in grid steps, the first position's as they are
// and each one after as its change from the one before, in x, y, z order. Each count is
// folded to a whole number (0, -1, 1, -2, 2... as 0, 1, 2, 3, 4...) and written five bits
// at a time, lowest first, each as one character of base64url ("A-Za-z0-9-_"), with 32 added
// to every character but a count's last. A light that moves by less than a unit between
// positions takes 2 characters a coordinate; the farthest jump, 6: a whole path at most
// 3,597 characters, a 20-second drag about 950. "" for no positions. The
// positions must lie on the grid and within MAX_COORDINATE; they then read back exactly.
std::string writePathText(const std::vector<Point3>& path);

// Reads a path's text into `path`: "" when it reads, else why not, and `path` is left as it
// was. Refused: a character outside base64url, a count left unfinished or of more than six
// characters, counts that are no whole number of positions, more than MAX_PATH_POSITIONS
// positions, or a coordinate farther from 0 than MAX_COORDINATE.
std::string readPathText(const std::string& text, std::vector<Point3>& path);

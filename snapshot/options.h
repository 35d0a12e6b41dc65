// The snapshot tool's command line, read into one record. Pure: no GL, no files.
#pragma once

#include <string>
#include <vector>

#include "shadow/room.h"

// Defaults are the program's state at start.
struct SnapshotOptions {
    // The lights in order, at most MAX_LIGHTS: w 1 a point light standing at x, y, z, w 0 the
    // sun standing there. None given: the program's one light as it starts.
    std::vector<LightPosition> lights;
    float teapotOffset = 0.0f;
    float tint = 0.0f;
    bool plainView = false;
    bool translucent = false;
    bool noStencil = false;
    // The shadow view drawn only up to this step (from 1), with the stepping mode's
    // overlays; 0, the default, for the whole frame.
    int step = 0;
    bool soft = false;
    float lightRadius = 5.0f;
    // The stencil view instead of the frame.
    bool showStencil = false;
    // A pixel whose history to print, from the picture's top left; -1 for none.
    int pixelX = -1;
    int pixelY = -1;
    int width = 512;
    int height = 512;
    std::string output;
    bool help = false;
    bool version = false;
};

constexpr int MAX_SNAPSHOT_SIDE = 8192;
// The radius '+' and '-' reach in the program.
constexpr float MAX_SNAPSHOT_LIGHT_RADIUS = 20.0f;

// The farthest a light coordinate or the teapot's offset may be from 0. At 10^6, 5,000
// times the room's width, the light's direction changes by less than 0.03° across the
// room, so farther lights look the same; and the largest value the shadow matrices give a
// vertex stays near 10^24, far inside a float's 3·10^38. At 10^38 the matrices overflow
// and the shadows are lost.
constexpr float MAX_SNAPSHOT_COORDINATE = 1e6f;

extern const char* const SNAPSHOT_USAGE;

// Fills `options` from the arguments after the program name. Returns "" when they are
// usable, else the one line that says what is wrong.
std::string parseSnapshotOptions(int argc, char** argv, SnapshotOptions& options);

// The snapshot tool's command line, read into one record. Pure: no GL, no files.
#pragma once

#include <string>

#include "shadow/room.h"

// Defaults are the program's state at start.
struct SnapshotOptions {
    LightPosition light = START_LIGHT;
    float teapotOffset = 0.0f;
    float tint = 0.0f;
    bool plainView = false;
    int width = 512;
    int height = 512;
    std::string output;
    bool help = false;
};

constexpr int MAX_SNAPSHOT_SIDE = 8192;

extern const char* const SNAPSHOT_USAGE;

// Fills `options` from the arguments after the program name. Returns "" when they are
// usable, else the one line that says what is wrong.
std::string parseSnapshotOptions(int argc, char** argv, SnapshotOptions& options);

// The snapshot tool's command line, read into one record. Pure: no GL, no files.
#pragma once

#include <string>
#include <vector>

#include "state/state_text.h"

// Defaults are the program's state at start.
struct SnapshotOptions {
    // The lights, the teapot and the switches, as --state and the options for each give
    // them.
    LinkState picture;
    // Unless given, the tint at start, or with --state, where it comes to rest.
    float tint = 0.0f;
    bool tintGiven = false;
    bool plainView = false;
    // A pixel whose history to print, from the picture's top left; -1 for none.
    int pixelX = -1;
    int pixelY = -1;
    // With a number of points, the picture's difference from the same state drawn from that
    // many; 0 for the picture itself.
    int reference = 0;
    int width = 512;
    int height = 512;
    std::string output;
    bool help = false;
    bool version = false;
    // --variant list: the variants' names and what each breaks, printed instead of a picture.
    bool listVariants = false;
    // --gallery DIR: every entry of the gallery (state/gallery.h) drawn wrong and right into
    // DIR instead of one picture; "" for none.
    std::string galleryDir;
    // --animate FILE: the picture once for each position of the path, the selected light
    // standing there, as an animated GIF; "" for none.
    std::string animation;
};

constexpr int MAX_SNAPSHOT_SIDE = 8192;

// What --help prints: every link setting (state/settings.h) as an option, with the tool's
// own among them.
std::string snapshotUsage();

// Fills `options` from the arguments after the program name. Returns "" when they are
// usable, else the one line that says what is wrong.
std::string parseSnapshotOptions(int argc, char** argv, SnapshotOptions& options);

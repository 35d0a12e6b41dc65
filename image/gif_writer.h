// Animated GIFs, written as writeWholeFile writes (image/png_writer.h).
#pragma once

#include <functional>
#include <string>
#include <vector>

// Writes `frameCount` frames of width × height RGB pixels, top row first, each as
// `frame(i)` gives it, to `path` as a GIF that loops for ever, `delay` hundredths of a
// second a frame. Each frame has a palette of its own, of the 256 colours giflib's median
// cut finds for it, so a pixel may be off by a few steps of the palette's rounding. The
// frames are asked for one at a time, and none is kept once written. "" on success, else
// what went wrong.
std::string writeGif(const std::string& path, int width, int height, int frameCount, int delay,
                     const std::function<std::vector<unsigned char>(int)>& frame);

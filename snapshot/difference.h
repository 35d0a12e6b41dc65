// How far a soft picture is from a reference drawn from more points of the light, over the
// penumbra, and that difference as a picture. Pure: no GL, no files.
#pragma once

#include <string>
#include <vector>

// Width × height RGB pixels, top row first, as the snapshot tool reads them back.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// A pixel's difference is the largest of its channels', in display codes.
struct PenumbraDifference {
    // The penumbra's pixels: where the reference is neither fully lit nor fully in shadow,
    // told by the reference differing from the hard frame of the same state, drawn from
    // the light's centre alone, which is one or the other everywhere.
    long pixels = 0;
    double mean = 0;
    // The smallest difference that 99 % of the pixels do not exceed.
    int percentile99 = 0;
    int largest = 0;
};

PenumbraDifference penumbraDifference(const RgbImage& picture, const RgbImage& reference,
                                      const RgbImage& hard);

// The numbers in one line, as the snapshot tool prints them.
std::string describe(const PenumbraDifference& difference, int referenceSamples);

// The difference as a picture: where it is 0, the reference at a quarter of its brightness;
// elsewhere along the viridis ramp from 1 code (dark blue) to DIFFERENCE_SCALE codes and
// more (yellow); and a legend below it, the ramp with its codes marked.
constexpr int DIFFERENCE_SCALE = 16;
RgbImage differencePicture(const RgbImage& picture, const RgbImage& reference);

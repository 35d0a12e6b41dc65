#include "snapshot/difference.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace {

int pixelDifference(const RgbImage& a, const RgbImage& b, size_t pixel) {
    int largest = 0;
    for (size_t channel = 3 * pixel; channel < 3 * pixel + 3; ++channel) {
        largest = std::max(largest, std::abs(int(a.rgb[channel]) - int(b.rgb[channel])));
    }
    return largest;
}

struct Rgb {
    int r, g, b;
};

// Viridis at every eighth of its length, from its dark end to its yellow, as the stencil
// view's ramp.
constexpr Rgb VIRIDIS[] = {{68, 1, 84},    {71, 45, 123},  {59, 82, 139},
                           {44, 114, 142}, {33, 145, 140}, {40, 174, 128},
                           {94, 201, 98},  {173, 220, 48}, {253, 231, 37}};

// A difference of `codes`, from 1 at the ramp's dark end to DIFFERENCE_SCALE at its yellow.
Rgb rampColour(int codes) {
    const double t = std::clamp((codes - 1) / double(DIFFERENCE_SCALE - 1), 0.0, 1.0);
    const double at = t * (std::size(VIRIDIS) - 1);
    const size_t stop = std::min(static_cast<size_t>(at), std::size(VIRIDIS) - 2);
    const double part = at - double(stop);
    const auto mix = [part](int from, int to) {
        return static_cast<int>(std::lround(from + (to - from) * part));
    };
    const Rgb& a = VIRIDIS[stop];
    const Rgb& b = VIRIDIS[stop + 1];
    return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

// Digits 3 × 5, a row of three bits each, top row first; the legend draws them twice as
// large. Index 10 is '+'.
constexpr unsigned char DIGITS[11][5] = {{7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7},
                                         {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7},
                                         {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7},
                                         {7, 5, 7, 1, 7}, {0, 2, 7, 2, 0}};
constexpr int GLYPH_SCALE = 2;
constexpr int GLYPH_WIDTH = 4 * GLYPH_SCALE;

void setPixel(RgbImage& p, int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= p.width || y >= p.height) {
        return;
    }
    unsigned char* at = &p.rgb[3 * (size_t(y) * size_t(p.width) + size_t(x))];
    at[0] = static_cast<unsigned char>(c.r);
    at[1] = static_cast<unsigned char>(c.g);
    at[2] = static_cast<unsigned char>(c.b);
}

void drawText(RgbImage& p, int x, int y, const std::string& text) {
    for (const char c : text) {
        const int glyph = c == '+' ? 10 : c - '0';
        for (int row = 0; row < 5 * GLYPH_SCALE; ++row) {
            for (int column = 0; column < 3 * GLYPH_SCALE; ++column) {
                if ((DIGITS[glyph][row / GLYPH_SCALE] >> (2 - column / GLYPH_SCALE)) & 1) {
                    setPixel(p, x + column, y + row, {255, 255, 255});
                }
            }
        }
        x += GLYPH_WIDTH;
    }
}

// The legend's height: the ramp, a tick under each marked code and the codes below.
constexpr int RAMP_HEIGHT = 12;
constexpr int LEGEND_HEIGHT = RAMP_HEIGHT + 4 + 5 * GLYPH_SCALE + 4;

}  // namespace

PenumbraDifference penumbraDifference(const RgbImage& picture, const RgbImage& reference,
                                      const RgbImage& hard) {
    std::vector<long> histogram(256, 0);
    PenumbraDifference result;
    long sum = 0;
    for (size_t pixel = 0; pixel < reference.rgb.size() / 3; ++pixel) {
        if (pixelDifference(reference, hard, pixel) == 0) {
            continue;
        }
        const int difference = pixelDifference(picture, reference, pixel);
        ++histogram[size_t(difference)];
        ++result.pixels;
        sum += difference;
        result.largest = std::max(result.largest, difference);
    }
    if (result.pixels == 0) {
        return result;
    }
    result.mean = double(sum) / double(result.pixels);
    // The nearest rank: the first difference at or below which 99 % of the pixels lie.
    const long rank = (99 * result.pixels + 99) / 100;
    long below = 0;
    for (int difference = 0; difference < 256; ++difference) {
        below += histogram[size_t(difference)];
        if (below >= rank) {
            result.percentile99 = difference;
            break;
        }
    }
    return result;
}

std::string describe(const PenumbraDifference& d, int referenceSamples) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "difference from %d points over the penumbra (%ld pixels): mean %.3f, 99th "
                  "percentile %d, largest %d display codes",
                  referenceSamples, d.pixels, d.mean, d.percentile99, d.largest);
    return text;
}

RgbImage differencePicture(const RgbImage& picture, const RgbImage& reference) {
    RgbImage shown;
    shown.width = picture.width;
    shown.height = picture.height + LEGEND_HEIGHT;
    shown.rgb.assign(3 * size_t(shown.width) * size_t(shown.height), 0);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const size_t pixel = size_t(y) * size_t(picture.width) + size_t(x);
            const int difference = pixelDifference(picture, reference, pixel);
            const unsigned char* r = &reference.rgb[3 * pixel];
            setPixel(shown, x, y,
                     difference == 0 ? Rgb{r[0] / 4, r[1] / 4, r[2] / 4} : rampColour(difference));
        }
    }
    // The ramp from 1 code to the scale, and the codes 1, 4, 8, 12 and 16+ under it.
    const int margin = GLYPH_WIDTH;
    const int length = std::max(1, shown.width - 2 * margin - 3 * GLYPH_WIDTH);
    const auto at = [&](int codes) {
        return margin + (codes - 1) * length / (DIFFERENCE_SCALE - 1);
    };
    for (int x = 0; x <= length; ++x) {
        const int codes = 1 + x * (DIFFERENCE_SCALE - 1) / length;
        for (int y = 0; y < RAMP_HEIGHT; ++y) {
            setPixel(shown, margin + x, picture.height + 2 + y, rampColour(codes));
        }
    }
    for (const int codes : {1, 4, 8, 12, DIFFERENCE_SCALE}) {
        for (int y = 0; y < 3; ++y) {
            setPixel(shown, at(codes), picture.height + 2 + RAMP_HEIGHT + y, {255, 255, 255});
        }
        const std::string label = std::to_string(codes) + (codes == DIFFERENCE_SCALE ? "+" : "");
        drawText(shown, at(codes) - 1, picture.height + RAMP_HEIGHT + 6, label);
    }
    return shown;
}

#include "shadow/light_samples.h"

#include <cmath>

namespace {

// Sample pairs 2j and 2j + 1 are one point of a half disk and its mirror through the
// centre, so every even prefix is centred exactly. The half disk's points come from the
// first two dimensions of Sobol's sequence: base-2 digit reversal, and the same digits
// through Pascal's triangle mod 2. Each of their power-of-two prefixes puts one point in
// every equal strip of either coordinate, so radii and angles are both stratified.
double digitsReversed(unsigned j) {
    double value = 0;
    double weight = 0.5;
    for (; j != 0; j >>= 1, weight /= 2) {
        value += (j & 1) * weight;
    }
    return value;
}

double sobolSecond(unsigned j) {
    // The second dimension's direction numbers are the rows of Pascal's triangle mod 2 as
    // binary fractions: .1, .11, .101, .1111, .10001, ...; with 16 digits each, enough for
    // every pair of MAX_LIGHT_SAMPLES.
    constexpr int DIGITS = 16;
    unsigned bits = 0;
    unsigned row = 1;
    for (int k = 0; k < DIGITS && (j >> k) != 0; ++k) {
        if (j & (1u << k)) {
            bits ^= row << (DIGITS - 1 - k);
        }
        // The next row of the triangle mod 2: each entry the sum of the two above it.
        row ^= row << 1;
    }
    return bits / double(1u << DIGITS);
}

// Within [0, 1): a shift of the whole sequence, wrapped round, keeps every strip filled.
double wrapped(double value) {
    return value >= 1 ? value - 1 : value;
}

}  // namespace

LightPosition lightSample(PlaneEquation plane, LightPosition centre, float radius, int sample) {
    constexpr double PI = 3.14159265358979323846;
    constexpr int FIRST_PAIRS = LIGHT_SAMPLE_COUNT / 2;
    const unsigned j = static_cast<unsigned>(sample) / 2;
    // Half a strip of the first batch in: the middle of each of its strips. The pairs after
    // it land on the strips' edges, shifted as much, and wrap round past 1, so every prefix
    // of 2^k pairs still puts one pair in each of 2^k equal strips of radius² and of angle.
    const double u = wrapped(digitsReversed(j) + 0.5 / FIRST_PAIRS);
    const double angle = PI * wrapped(sobolSecond(j) + 0.5 / FIRST_PAIRS);
    // sqrt keeps the density even over the disk: the area inside radius r grows as r².
    const double side = sample % 2 == 0 ? 1.0 : -1.0;
    const double across = side * std::sqrt(u) * std::cos(angle);
    const double along = side * std::sqrt(u) * std::sin(angle);

    // Two unit directions in the plane, at right angles to each other.
    const double length = std::sqrt(double(plane.a) * plane.a + double(plane.b) * plane.b +
                                    double(plane.c) * plane.c);
    const double n[3] = {plane.a / length, plane.b / length, plane.c / length};
    const double helper[3] = {std::fabs(n[0]) < 0.9 ? 1.0 : 0.0, std::fabs(n[0]) < 0.9 ? 0.0 : 1.0,
                              0.0};
    double first[3] = {n[1] * helper[2] - n[2] * helper[1], n[2] * helper[0] - n[0] * helper[2],
                       n[0] * helper[1] - n[1] * helper[0]};
    const double firstLength =
        std::sqrt(first[0] * first[0] + first[1] * first[1] + first[2] * first[2]);
    for (double& f : first) {
        f /= firstLength;
    }
    const double second[3] = {n[1] * first[2] - n[2] * first[1], n[2] * first[0] - n[0] * first[2],
                              n[0] * first[1] - n[1] * first[0]};

    double r = radius;
    if (centre.w == 0) {
        // The sun's disk is as much larger as its direction is longer: the same angle.
        r *= std::sqrt(double(centre.x) * centre.x + double(centre.y) * centre.y +
                       double(centre.z) * centre.z) /
             SUN_SIZE_DISTANCE;
    }
    LightPosition point = centre;
    point.x = static_cast<float>(centre.x + r * (across * first[0] + along * second[0]));
    point.y = static_cast<float>(centre.y + r * (across * first[1] + along * second[1]));
    point.z = static_cast<float>(centre.z + r * (across * first[2] + along * second[2]));
    return point;
}

// Where a round light is sampled for soft shadows: a fixed pattern of points on a disk
// around the light's centre, the same in every run and in both editions. Pure geometry.
#pragma once

#include "shadow/shadow_math.h"

// The points one frame counts in the stencil at most, the first batch: a penumbra of 32
// grey levels. The picture at rest averages batches, so the stencil view and a pixel's
// history show the counts of the first batch.
constexpr int LIGHT_SAMPLE_COUNT = 32;
// The points each frame after the first batch adds to the picture at rest: a quarter of
// the first, so that even in a browser a frame of them stays near 50 ms and input waits
// for no longer. The same in both editions, so both rest at the same picture.
constexpr int LATER_BATCH_SAMPLES = 8;
// The points the picture at rest is averaged from: by default 256, 29 batches, whose steps of
// 1/256 lie below a display code's; at most 1,024, the reference soft-shadow comparisons use.
constexpr int DEFAULT_RESTING_SAMPLES = 256;
constexpr int MAX_LIGHT_SAMPLES = 1024;

// How both renderers count in the stencil: each receiver pixel holds twice the number of
// samples whose shadow covers it, and in its lowest bit the mark one sample's flattened
// casters leave, so it never holds more than 2 · LIGHT_SAMPLE_COUNT + 1.
constexpr unsigned SOFT_SAMPLE_MARK = 1;
constexpr int bitsToHold(unsigned value) {
    return value == 0 ? 0 : 1 + bitsToHold(value >> 1);
}
constexpr int SOFT_STENCIL_BITS = bitsToHold(2 * LIGHT_SAMPLE_COUNT + 1);

// The sun has no distance, so its size is an angle: it looks as large as a light of the same
// radius this far away, half the room's width; at the first radius, 5, its own radius is
// atan(5 / 100) = 2.9° (the real sun's is 0.27°, too little to see in this room).
constexpr double SUN_SIZE_DISTANCE = 100;

// Sample `sample` (0 to MAX_LIGHT_SAMPLES - 1) of a light of this radius, on the disk
// through its centre parallel to `plane`: the light as the receiver sees it face on, and
// every sample as far from the plane as the centre, so all of them can cast onto the plane
// exactly when the centre can. The points spread evenly over the disk, and each
// power-of-two prefix (2, 4, ... 1,024) is spread too, centred on the light, so a picture
// made from the first n samples is already a fair picture of the whole light; so is each
// later batch of 8, and the batches fill the gaps the ones before them left. Radius 0 gives
// the centre itself, exactly. For the sun (w 0) the samples are directions around its own,
// the disk as much larger as its direction is longer than SUN_SIZE_DISTANCE, so the angle
// stays the same.
LightPosition lightSample(PlaneEquation plane, LightPosition centre, float radius, int sample);

// Expectations on a frame, wherever it came from: the test's window, the real program's
// window, or a PNG the snapshot tool wrote.
#pragma once

#include <gtest/gtest.h>

#include "tests/scene_geometry.h"

// Every plainly lit grid point of a surface shows lit; returns how many were checked.
template <typename Surface>
int expectLit(const Picture& frame, Vec3 light, Surface pointAt, bool (*isLit)(Pixel)) {
    const std::vector<Vec3> points = plainlyLitPoints(light, pointAt);
    for (const Vec3& p : points) {
        EXPECT_TRUE(isLit(pixelAt(frame, p))) << describe(p, pixelAt(frame, p));
    }
    return static_cast<int>(points.size());
}

// A shadow's inner point: black, and black around it.
inline void expectShadowAt(const Picture& frame, Vec3 p, Vec3 light) {
    ASSERT_TRUE(visible(p, light)) << "probe hidden from the eye " << describe(p, {});
    const int x = windowX(p, frame.width);
    const int y = windowY(p, frame.height);
    ASSERT_TRUE(x >= 1 && y >= 1 && x + 1 < frame.width && y + 1 < frame.height)
        << "probe outside the frame " << describe(p, {});
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            const Pixel px = frame.at(x + dx, y + dy);
            EXPECT_TRUE(isBlack(px)) << describe(p, px);
        }
    }
}

// The whole visible floor lit cyan, on a fine grid: no shadow anywhere on it. Returns how
// many points were checked.
inline int expectNoShadowOnFloor(const Picture& frame, Vec3 light) {
    int checked = 0;
    for (double x = -95; x <= 95; x += 2) {
        for (double v = 0; v <= 1; v += 0.01) {
            const Vec3 p = onFloor(x, v);
            if (visible(p, light)) {
                EXPECT_TRUE(isLitCyan(pixelAt(frame, p))) << describe(p, pixelAt(frame, p));
                ++checked;
            }
        }
    }
    return checked;
}

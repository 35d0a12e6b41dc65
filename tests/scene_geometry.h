// What a person should see where: the scene's layout, the projection from eye space to
// window pixels, and the colour classes of a frame, shared by the window-level tests.
#pragma once

#include <cmath>
#include <string>
#include <vector>

struct Pixel {
    int r, g, b;
};

// RGB rows with the origin at the bottom left, as GL has them.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
    Pixel at(int x, int y) const {
        const size_t i = 3 * (static_cast<size_t>(y) * width + x);
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

inline bool isBlack(Pixel p) {
    return p.r == 0 && p.g == 0 && p.b == 0;
}
// Lit surfaces get at least the global ambient 0.2 of their colour, about 51 of 255.
inline bool isLitCyan(Pixel p) {
    return p.r == 0 && p.g >= 50 && p.b >= 50;
}
inline bool isLitWhite(Pixel p) {
    return p.r >= 50 && p.g >= 50 && p.b >= 50;
}

struct Vec3 {
    double x, y, z;
};

// The frustum's half-width is 100 at the near plane z = -320, so x_ndc = 3.2·x / -z.
inline int windowX(Vec3 p, int width = 512) {
    return static_cast<int>((3.2 * p.x / -p.z + 1.0) / 2.0 * width);
}
inline int windowY(Vec3 p, int height = 512) {
    return static_cast<int>((3.2 * p.y / -p.z + 1.0) / 2.0 * height);
}
inline Pixel pixelAt(const Picture& frame, Vec3 p) {
    return frame.at(windowX(p, frame.width), windowY(p, frame.height));
}

// Where the ray from the light through p meets the plane on which the coordinate
// `axis` (0 = x, 1 = y) equals `value`.
inline Vec3 throughLight(Vec3 light, Vec3 p, int axis, double value) {
    const double from = axis == 0 ? light.x : light.y;
    const double to = axis == 0 ? p.x : p.y;
    const double t = (value - from) / (to - from);
    return {light.x + t * (p.x - light.x), light.y + t * (p.y - light.y),
            light.z + t * (p.z - light.z)};
}

constexpr Vec3 startLight = {50, 50, -320};
constexpr Vec3 sphereCentre = {60, -50, -360};

struct Ball {
    Vec3 centre;
    double radius;
};

// Generous bounds around everything that can cast a shadow or hide a surface; the
// teapot's follows its offset.
inline std::vector<Ball> casterBounds(double teapotOffset = 0) {
    return {{sphereCentre, 22}, {{-40, -10, -400}, 38}, {{15 + teapotOffset, -10, -345}, 32}};
}

inline bool segmentMeets(Vec3 a, Vec3 b, Ball ball) {
    const Vec3 d = {b.x - a.x, b.y - a.y, b.z - a.z};
    const Vec3 f = {ball.centre.x - a.x, ball.centre.y - a.y, ball.centre.z - a.z};
    double t = (f.x * d.x + f.y * d.y + f.z * d.z) / (d.x * d.x + d.y * d.y + d.z * d.z);
    t = std::fmax(0.0, std::fmin(1.0, t));
    const Vec3 c = {a.x + t * d.x - ball.centre.x, a.y + t * d.y - ball.centre.y,
                    a.z + t * d.z - ball.centre.z};
    return c.x * c.x + c.y * c.y + c.z * c.z < ball.radius * ball.radius;
}

// Whether the segment passes within `margin` of some caster's bounds: a point whose way to
// a light's centre passes them all by more than the light's radius sees the whole light.
inline bool anyCasterOn(Vec3 a, Vec3 b, double margin = 0) {
    for (const Ball& ball : casterBounds()) {
        if (segmentMeets(a, b, {ball.centre, ball.radius + margin})) {
            return true;
        }
    }
    return false;
}

// Seen from the eye, unless an object or the light marker stands in front.
inline bool visible(Vec3 p, Vec3 light) {
    return !anyCasterOn({0, 0, 0}, p) && !segmentMeets({0, 0, 0}, p, {light, 7});
}

// The marker is an unlit grey ball, so its centre pixel is exactly 128 grey.
inline bool markerAt(const Picture& frame, Vec3 light) {
    const Pixel px = pixelAt(frame, light);
    return px.r == 128 && px.g == 128 && px.b == 128;
}

inline std::string describe(Vec3 p, Pixel px) {
    return "at (" + std::to_string(p.x) + ", " + std::to_string(p.y) + ", " + std::to_string(p.z) +
           "): rgb " + std::to_string(px.r) + " " + std::to_string(px.g) + " " +
           std::to_string(px.b);
}

// Points on the room's surfaces, 5 units inside each quad's edges, off the pixels two
// surfaces share: u runs across, v from the open front (0) to the back (1).
inline double depthAt(double v) {
    return -325 - 190 * v;
}
inline Vec3 onFloor(double u, double v) {
    return {u, -100, depthAt(v)};
}
inline Vec3 onLeftWall(double u, double v) {
    return {-100, u, depthAt(v)};
}
inline Vec3 onRightWall(double u, double v) {
    return {100, u, depthAt(v)};
}
inline Vec3 onCeiling(double u, double v) {
    return {u, 100, depthAt(v)};
}
inline Vec3 onBackWall(double u, double v) {
    return {u, -95 + 190 * v, -520};
}

// Grid points of a surface that are seen and whose way to the light meets no caster:
// these must show lit, whatever else the frame holds.
template <typename Surface>
std::vector<Vec3> plainlyLitPoints(Vec3 light, Surface pointAt) {
    std::vector<Vec3> points;
    for (double u = -95; u <= 95; u += 10) {
        for (double v = 0; v <= 1; v += 0.05) {
            const Vec3 p = pointAt(u, v);
            if (visible(p, light) && !anyCasterOn(p, light)) {
                points.push_back(p);
            }
        }
    }
    return points;
}

// A shadow-view frame for this light: every plainly lit floor point shows cyan.
inline bool shadowViewFor(const Picture& frame, Vec3 light) {
    for (const Vec3& p : plainlyLitPoints(light, onFloor)) {
        if (!isLitCyan(pixelAt(frame, p))) {
            return false;
        }
    }
    return true;
}

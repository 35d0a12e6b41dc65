// freeglut 3.4.0's glutWireTeapot (src/fg_teapot.c): Newell's teapot as ten bicubic Bezier
// patches, the first six repeated in all four quadrants about the y axis and the last four
// mirrored across the xy plane, 32 in all. Each is sampled on a 10 x 10 grid and drawn as the
// grid's lines. freeglut bakes its placement (a turn of 270 degrees about x, a scale of
// size / 2 and a shift that centres the body on the origin) into the control points and
// sets no GL transform, so nothing else is applied here. Float arithmetic in its order.
#include <cmath>

#include "mesh/mesh.h"

// Every product rounds on its own, as in the GLU and freeglut builds (baseline x86-64,
// which has no fused multiply-add). Clang fuses where it may unless told not to, and its
// WebAssembly build at -O2 does, moving the teapot's normals by a few ulps. GCC fuses
// only for targets with FMA (such as -march=native), which this must not be built for.
#if defined(__clang__)
#pragma clang fp contract(off)
#endif

namespace {

// Rim, body (2), lid (2), bottom, handle (2), spout (2): indices into CONTROL_POINTS.
constexpr int INPUT_PATCHES = 10;
constexpr int PATCH_POINTS[INPUT_PATCHES][16] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
    {12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27},
    {24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39},
    {40, 41, 42, 40, 43, 44, 45, 46, 47, 47, 47, 47, 48, 49, 50, 51},
    {48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63},
    {64, 64, 64, 64, 65, 66, 67, 68, 69, 70, 71, 72, 39, 38, 37, 36},
    {73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83, 84, 85, 86, 87, 88},
    {85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100},
    {101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116},
    {113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127, 128},
};

// In the teapot's own frame: z up, the spout towards +x.
constexpr float CONTROL_POINTS[][3] = {
    {1.4f, 0.0f, 2.4f},           {1.4f, -0.784f, 2.4f},        {0.784f, -1.4f, 2.4f},
    {0.0f, -1.4f, 2.4f},          {1.3375f, 0.0f, 2.53125f},    {1.3375f, -0.749f, 2.53125f},
    {0.749f, -1.3375f, 2.53125f}, {0.0f, -1.3375f, 2.53125f},   {1.4375f, 0.0f, 2.53125f},
    {1.4375f, -0.805f, 2.53125f}, {0.805f, -1.4375f, 2.53125f}, {0.0f, -1.4375f, 2.53125f},
    {1.5f, 0.0f, 2.4f},           {1.5f, -0.84f, 2.4f},         {0.84f, -1.5f, 2.4f},
    {0.0f, -1.5f, 2.4f},          {1.75f, 0.0f, 1.875f},        {1.75f, -0.98f, 1.875f},
    {0.98f, -1.75f, 1.875f},      {0.0f, -1.75f, 1.875f},       {2.0f, 0.0f, 1.35f},
    {2.0f, -1.12f, 1.35f},        {1.12f, -2.0f, 1.35f},        {0.0f, -2.0f, 1.35f},
    {2.0f, 0.0f, 0.9f},           {2.0f, -1.12f, 0.9f},         {1.12f, -2.0f, 0.9f},
    {0.0f, -2.0f, 0.9f},          {2.0f, 0.0f, 0.45f},          {2.0f, -1.12f, 0.45f},
    {1.12f, -2.0f, 0.45f},        {0.0f, -2.0f, 0.45f},         {1.5f, 0.0f, 0.225f},
    {1.5f, -0.84f, 0.225f},       {0.84f, -1.5f, 0.225f},       {0.0f, -1.5f, 0.225f},
    {1.5f, 0.0f, 0.15f},          {1.5f, -0.84f, 0.15f},        {0.84f, -1.5f, 0.15f},
    {0.0f, -1.5f, 0.15f},         {0.0f, 0.0f, 3.15f},          {0.0f, -0.002f, 3.15f},
    {0.002f, 0.0f, 3.15f},        {0.8f, 0.0f, 3.15f},          {0.8f, -0.45f, 3.15f},
    {0.45f, -0.8f, 3.15f},        {0.0f, -0.8f, 3.15f},         {0.0f, 0.0f, 2.85f},
    {0.2f, 0.0f, 2.7f},           {0.2f, -0.112f, 2.7f},        {0.112f, -0.2f, 2.7f},
    {0.0f, -0.2f, 2.7f},          {0.4f, 0.0f, 2.55f},          {0.4f, -0.224f, 2.55f},
    {0.224f, -0.4f, 2.55f},       {0.0f, -0.4f, 2.55f},         {1.3f, 0.0f, 2.55f},
    {1.3f, -0.728f, 2.55f},       {0.728f, -1.3f, 2.55f},       {0.0f, -1.3f, 2.55f},
    {1.3f, 0.0f, 2.4f},           {1.3f, -0.728f, 2.4f},        {0.728f, -1.3f, 2.4f},
    {0.0f, -1.3f, 2.4f},          {0.0f, 0.0f, 0.0f},           {0.0f, -1.425f, 0.0f},
    {0.798f, -1.425f, 0.0f},      {1.425f, -0.798f, 0.0f},      {1.425f, 0.0f, 0.0f},
    {0.0f, -1.5f, 0.075f},        {0.84f, -1.5f, 0.075f},       {1.5f, -0.84f, 0.075f},
    {1.5f, 0.0f, 0.075f},         {-1.6f, 0.0f, 2.025f},        {-1.6f, -0.3f, 2.025f},
    {-1.5f, -0.3f, 2.25f},        {-1.5f, 0.0f, 2.25f},         {-2.3f, 0.0f, 2.025f},
    {-2.3f, -0.3f, 2.025f},       {-2.5f, -0.3f, 2.25f},        {-2.5f, 0.0f, 2.25f},
    {-2.7f, 0.0f, 2.025f},        {-2.7f, -0.3f, 2.025f},       {-3.0f, -0.3f, 2.25f},
    {-3.0f, 0.0f, 2.25f},         {-2.7f, 0.0f, 1.8f},          {-2.7f, -0.3f, 1.8f},
    {-3.0f, -0.3f, 1.8f},         {-3.0f, 0.0f, 1.8f},          {-2.7f, 0.0f, 1.575f},
    {-2.7f, -0.3f, 1.575f},       {-3.0f, -0.3f, 1.35f},        {-3.0f, 0.0f, 1.35f},
    {-2.5f, 0.0f, 1.125f},        {-2.5f, -0.3f, 1.125f},       {-2.65f, -0.3f, 0.9375f},
    {-2.65f, 0.0f, 0.9375f},      {-2.0f, 0.0f, 0.9f},          {-2.0f, -0.3f, 0.9f},
    {-1.9f, -0.3f, 0.6f},         {-1.9f, 0.0f, 0.6f},          {1.7f, 0.0f, 1.425f},
    {1.7f, -0.66f, 1.425f},       {1.7f, -0.66f, 0.6f},         {1.7f, 0.0f, 0.6f},
    {2.6f, 0.0f, 1.425f},         {2.6f, -0.66f, 1.425f},       {3.1f, -0.66f, 0.825f},
    {3.1f, 0.0f, 0.825f},         {2.3f, 0.0f, 2.1f},           {2.3f, -0.25f, 2.1f},
    {2.4f, -0.25f, 2.025f},       {2.4f, 0.0f, 2.025f},         {2.7f, 0.0f, 2.4f},
    {2.7f, -0.25f, 2.4f},         {3.3f, -0.25f, 2.4f},         {3.3f, 0.0f, 2.4f},
    {2.8f, 0.0f, 2.475f},         {2.8f, -0.25f, 2.475f},       {3.525f, -0.25f, 2.49375f},
    {3.525f, 0.0f, 2.49375f},     {2.9f, 0.0f, 2.475f},         {2.9f, -0.15f, 2.475f},
    {3.45f, -0.15f, 2.5125f},     {3.45f, 0.0f, 2.5125f},       {2.8f, 0.0f, 2.4f},
    {2.8f, -0.15f, 2.4f},         {3.2f, -0.15f, 2.4f},         {3.2f, 0.0f, 2.4f}};

constexpr float Z_OFFSET = 1.575f;  // half the teapot's height: puts its middle on the origin
constexpr int SUBDIVISIONS = 10;    // samples along each side of a patch
constexpr int GRID_POINTS = SUBDIVISIONS * SUBDIVISIONS;
constexpr int PATCHES = 6 * 4 + 4 * 2;

// The four cubic Bernstein polynomials and their derivatives at each sample.
struct Bernstein {
    float value[SUBDIVISIONS][4];
    float slope[SUBDIVISIONS][4];
};

Bernstein bernsteinTable() {
    Bernstein b;
    for (int s = 0; s < SUBDIVISIONS; ++s) {
        const float x = s / (SUBDIVISIONS - 1.f);
        const float invx = 1.f - x;
        b.value[s][0] = invx * (invx * invx);
        b.slope[s][0] = -3 * (invx * invx);
        b.value[s][1] = 3 * x * (invx * invx);
        b.slope[s][1] = 3 * (invx * invx) - 6 * x * invx;
        b.value[s][2] = 3 * (x * x) * invx;
        b.slope[s][2] = 6 * x * invx - 3 * (x * x);
        b.value[s][3] = x * (x * x);
        b.slope[s][3] = 3 * (x * x);
    }
    return b;
}

struct GridPoint {
    float position[3];
    float normal[3];
};

// One patch's grid, row u by column v. The normal is the normalised cross product of the
// two partial derivatives. Where a patch's first row shrinks to a point (the bottom's
// centre) or nearly so (the tip of the lid's knob) that product is zero or meaningless, so
// freeglut sets that row's normals straight up (normalFix 1) or down (2).
void evaluatePatch(const float (&cp)[4][4][3], const Bernstein& b, int normalFix, GridPoint* grid) {
    for (int u = 0; u < SUBDIVISIONS; ++u) {
        for (int v = 0; v < SUBDIVISIONS; ++v) {
            float point[3] = {}, dv[3] = {}, du[3] = {};
            for (int i = 0; i < 4; ++i) {
                float row[3] = {}, rowSlope[3] = {};
                for (int j = 0; j < 4; ++j) {
                    for (int k = 0; k < 3; ++k) {
                        row[k] += b.value[v][j] * cp[i][j][k];
                        rowSlope[k] += b.slope[v][j] * cp[i][j][k];
                    }
                }
                for (int k = 0; k < 3; ++k) {
                    point[k] += b.value[u][i] * row[k];
                    dv[k] += b.value[u][i] * rowSlope[k];
                    du[k] += b.slope[u][i] * row[k];
                }
            }
            GridPoint& g = grid[u * SUBDIVISIONS + v];
            float* n = g.normal;
            n[0] = dv[1] * du[2] - dv[2] * du[1];
            n[1] = dv[2] * du[0] - dv[0] * du[2];
            n[2] = dv[0] * du[1] - dv[1] * du[0];
            const float length = static_cast<float>(
                std::sqrt(static_cast<double>(n[0] * n[0] + n[1] * n[1] + n[2] * n[2])));
            for (int k = 0; k < 3; ++k) {
                g.position[k] = point[k];
                n[k] /= length;
            }
            if (normalFix != 0 && u == 0) {
                n[0] = 0.f;
                n[1] = normalFix == 1 ? 1.f : -1.f;
                n[2] = 0.f;
            }
        }
    }
}

// The same grid turned 90, 180 and 270 degrees about y, each into the next GRID_POINTS.
void turnIntoQuadrants(GridPoint* grid) {
    for (int o = 0; o < GRID_POINTS; ++o) {
        for (const bool isNormal : {false, true}) {
            const float* p = isNormal ? grid[o].normal : grid[o].position;
            const float turned[3][3] = {
                {p[2], p[1], -p[0]}, {-p[0], p[1], -p[2]}, {-p[2], p[1], p[0]}};
            for (int q = 0; q < 3; ++q) {
                GridPoint& to = grid[(q + 1) * GRID_POINTS + o];
                float* t = isNormal ? to.normal : to.position;
                t[0] = turned[q][0];
                t[1] = turned[q][1];
                t[2] = turned[q][2];
            }
        }
    }
}

// The mirror image across the xy plane; its rows go in reverse so that u × v, and with it
// the normal, still points out of the surface.
void mirrorAcrossXy(GridPoint* grid) {
    for (int u = 0; u < SUBDIVISIONS; ++u) {
        for (int v = 0; v < SUBDIVISIONS; ++v) {
            const GridPoint& from = grid[(SUBDIVISIONS - 1 - u) * SUBDIVISIONS + v];
            GridPoint& to = grid[GRID_POINTS + u * SUBDIVISIONS + v];
            to = {{from.position[0], from.position[1], -from.position[2]},
                  {from.normal[0], from.normal[1], -from.normal[2]}};
        }
    }
}

}  // namespace

Mesh wireTeapotMesh(double size) {
    // freeglut computes the normals once, at the size of the first call, and keeps them for
    // later sizes: these match a process whose first teapot had this size, as the
    // program's (which only ever draws size 15) always has.
    const float scale = static_cast<float>(size);
    const Bernstein b = bernsteinTable();
    std::vector<GridPoint> grid(PATCHES * GRID_POINTS);
    GridPoint* out = grid.data();
    for (int p = 0; p < INPUT_PATCHES; ++p) {
        float cp[4][4][3];
        for (int i = 0; i < 16; ++i) {
            const float* c = CONTROL_POINTS[PATCH_POINTS[p][i]];
            cp[i / 4][i % 4][0] = c[0] * scale / 2.f;
            cp[i / 4][i % 4][1] = (c[2] - Z_OFFSET) * scale / 2.f;
            cp[i / 4][i % 4][2] = -c[1] * scale / 2.f;
        }
        evaluatePatch(cp, b, p == 3 ? 1 : p == 5 ? 2 : 0, out);
        if (p < 6) {
            turnIntoQuadrants(out);
            out += 4 * GRID_POINTS;
        } else {
            mirrorAcrossXy(out);
            out += 2 * GRID_POINTS;
        }
    }

    // freeglut draws each patch's lines of constant v (u running), all patches, then each
    // patch's lines of constant u; each line strip goes out as its consecutive segments.
    Mesh mesh{MeshPrimitive::Lines, {}};
    auto addStrip = [&](int first, int step) {
        for (int k = 0; k + 1 < SUBDIVISIONS; ++k) {
            for (const int at : {first + k * step, first + (k + 1) * step}) {
                const GridPoint& g = grid[at];
                mesh.vertices.push_back({{g.position[0], g.position[1], g.position[2]},
                                         {g.normal[0], g.normal[1], g.normal[2]}});
            }
        }
    };
    for (int p = 0; p < PATCHES; ++p) {
        for (int v = 0; v < SUBDIVISIONS; ++v) {
            addStrip(p * GRID_POINTS + v, SUBDIVISIONS);
        }
    }
    for (int p = 0; p < PATCHES; ++p) {
        for (int u = 0; u < SUBDIVISIONS; ++u) {
            addStrip(p * GRID_POINTS + u * SUBDIVISIONS, 1);
        }
    }
    return mesh;
}

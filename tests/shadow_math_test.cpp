#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "shadow/light_samples.h"
#include "shadow/room.h"
#include "shadow/shadow_math.h"
#include "state/program_state.h"

namespace {

constexpr LightPosition startLight = {50, 50, -320, 1};

void expectPlane(PlaneEquation p, float a, float b, float c, float d) {
    EXPECT_EQ(p.a, a);
    EXPECT_EQ(p.b, b);
    EXPECT_EQ(p.c, c);
    EXPECT_EQ(p.d, d);
}

// Columns as written out by hand, compared bit for bit.
void expectColumns(const ShadowMatrix& m, const float (&columns)[4][4]) {
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(m.m[4 * j + i], columns[j][i]) << "row " << i << ", column " << j;
        }
    }
}

// M·X, with the products and sums in long double so the check adds no rounding of its own.
struct Vec4 {
    long double v[4];
};
Vec4 transform(const ShadowMatrix& m, Vec4 x) {
    Vec4 r{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.v[i] += static_cast<long double>(m.m[4 * j + i]) * x.v[j];
        }
    }
    return r;
}

PlaneEquation floorPlane() {
    return planeFromPoints(FLOOR_QUAD.corners[0], FLOOR_QUAD.corners[1], FLOOR_QUAD.corners[2]);
}
PlaneEquation leftWallPlane() {
    return planeFromPoints(LEFT_WALL_QUAD.corners[0], LEFT_WALL_QUAD.corners[1],
                           LEFT_WALL_QUAD.corners[2]);
}

TEST(Receivers, PlanesFaceIntoTheRoom) {
    expectPlane(floorPlane(), 0, 40000, 0, 4000000);
    expectPlane(leftWallPlane(), 40000, 0, 0, 4000000);
}

TEST(Receivers, StartUpFillsPlanesAndMatricesForTheStartLight) {
    prepareShadowReceivers();
    expectPlane(programState.planes[int(Receiver::Floor)], 0, 40000, 0, 4000000);
    expectPlane(programState.planes[int(Receiver::LeftWall)], 40000, 0, 0, 4000000);
    expectColumns(programState.lights[0].shadowMatrices[int(Receiver::Floor)],
                  {{6000000, 0, 0, 0},
                   {-2000000, 4000000, 12800000, -40000},
                   {0, 0, 6000000, 0},
                   {-200000000, -200000000, 1280000000, 2000000}});
    expectColumns(programState.lights[0].shadowMatrices[int(Receiver::LeftWall)],
                  {{4000000, -2000000, 12800000, -40000},
                   {0, 6000000, 0, 0},
                   {0, 0, 6000000, 0},
                   {-200000000, -200000000, 1280000000, 2000000}});

    programState.lights[0].standsAt = {-20, 70, -400, 1};
    updateShadowMatrices();
    const ShadowMatrix floor =
        buildShadowMatrix(programState.planes[int(Receiver::Floor)], {-20, 70, -400, 1});
    EXPECT_EQ(0, memcmp(&floor, &programState.lights[0].shadowMatrices[int(Receiver::Floor)],
                        sizeof floor));
    const ShadowMatrix wall =
        buildShadowMatrix(programState.planes[int(Receiver::LeftWall)], {-20, 70, -400, 1});
    EXPECT_EQ(0, memcmp(&wall, &programState.lights[0].shadowMatrices[int(Receiver::LeftWall)],
                        sizeof wall));
    programState.lights[0].standsAt = startLight;
}

TEST(ShadowMatrix, SphereCentreLandsOnTheFloorOnTheRayFromTheLight) {
    const Vec4 r = transform(buildShadowMatrix(floorPlane(), startLight), {{60, -50, -360, 1}});
    EXPECT_EQ(r.v[0], 260000000.0L);
    EXPECT_EQ(r.v[1], -400000000.0L);
    EXPECT_EQ(r.v[2], -1520000000.0L);
    EXPECT_EQ(r.v[3], 4000000.0L);
    EXPECT_EQ(r.v[0] / r.v[3], 65.0L);
    EXPECT_EQ(r.v[1] / r.v[3], -100.0L);
    EXPECT_EQ(r.v[2] / r.v[3], -380.0L);
}

TEST(ShadowMatrix, PointsOnTheReceiverStayPut) {
    const LightPosition lights[] = {startLight, {-60, 10, -480, 1}, {90, 95, -330, 1}};
    for (const LightPosition& light : lights) {
        const Vec4 onFloor =
            transform(buildShadowMatrix(floorPlane(), light), {{30, -100, -410, 1}});
        EXPECT_EQ(onFloor.v[0] / onFloor.v[3], 30.0L);
        EXPECT_EQ(onFloor.v[1] / onFloor.v[3], -100.0L);
        EXPECT_EQ(onFloor.v[2] / onFloor.v[3], -410.0L);
        const Vec4 onWall =
            transform(buildShadowMatrix(leftWallPlane(), light), {{-100, 55, -333, 1}});
        EXPECT_EQ(onWall.v[0] / onWall.v[3], -100.0L);
        EXPECT_EQ(onWall.v[1] / onWall.v[3], 55.0L);
        EXPECT_EQ(onWall.v[2] / onWall.v[3], -333.0L);
    }
}

TEST(ShadowMatrix, ReversedCornerOrderNegatesPlaneAndMatrix) {
    const PlaneEquation reversed =
        planeFromPoints(FLOOR_QUAD.corners[2], FLOOR_QUAD.corners[1], FLOOR_QUAD.corners[0]);
    expectPlane(reversed, 0, -40000, 0, -4000000);
    const ShadowMatrix m = buildShadowMatrix(floorPlane(), startLight);
    const ShadowMatrix negated = buildShadowMatrix(reversed, startLight);
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(negated.m[k], -m.m[k]) << "element " << k;
    }
}

// Applying the matrix twice only scales by dot, which is why the occluders, drawn with
// it twice, land on the same pixels as the teapot's single application.
TEST(ShadowMatrix, SquareIsDotTimesMatrix) {
    const LightPosition lights[] = {startLight, {-60, 10, -480, 1}, {0, -150, -320, 1}};
    for (const PlaneEquation& plane : {floorPlane(), leftWallPlane()}) {
        for (const LightPosition& light : lights) {
            const ShadowMatrix m = buildShadowMatrix(plane, light);
            const long double dot = static_cast<long double>(plane.a) * light.x +
                                    static_cast<long double>(plane.b) * light.y +
                                    static_cast<long double>(plane.c) * light.z + plane.d;
            for (int j = 0; j < 4; ++j) {
                Vec4 column{{m.m[4 * j], m.m[4 * j + 1], m.m[4 * j + 2], m.m[4 * j + 3]}};
                const Vec4 product = transform(m, column);
                for (int i = 0; i < 4; ++i) {
                    EXPECT_EQ(product.v[i], dot * m.m[4 * j + i]) << "row " << i << " col " << j;
                }
            }
        }
    }
}

TEST(ShadowMatrix, OnlyALightOnTheRoomSideCastsOntoAReceiver) {
    EXPECT_TRUE(lightIsInFront(floorPlane(), startLight));
    EXPECT_TRUE(lightIsInFront(leftWallPlane(), startLight));
    EXPECT_FALSE(lightIsInFront(floorPlane(), {100, -100, -420, 1}));
    EXPECT_FALSE(lightIsInFront(floorPlane(), {50, -150, -320, 1}));
    EXPECT_TRUE(lightIsInFront(leftWallPlane(), {50, -150, -320, 1}));
    EXPECT_FALSE(lightIsInFront(leftWallPlane(), {-130, 0, -400, 1}));
}

// The pointer reaches X coordinates of ±32767, and a window may be one pixel wide, so a
// drag can put the light millions of units away: for a 1 × 1 window, x = (32767 - 1)·200
// + 100 at most. The matrices, and the points they flatten (the occluders through both
// applications, composed in float as glMultMatrixf does), must stay finite.
TEST(ShadowMatrix, StaysFiniteForLightsAsFarAsThePointerReaches) {
    const float across[] = {-6553700, -100, 0, 6553700};
    const float deep[] = {-6554120, -320, 6552880};
    const Point3 scenePoints[] = {
        FLOOR_QUAD.corners[0], FLOOR_QUAD.corners[2], LEFT_WALL_QUAD.corners[2],
        {100, 100, -520},      {40, -30, -340},       {-40, 20, -400},
        {45, 5, -375}};
    for (const PlaneEquation& plane : {floorPlane(), leftWallPlane()}) {
        for (float x : across) {
            for (float y : across) {
                for (float z : deep) {
                    const ShadowMatrix m = buildShadowMatrix(plane, {x, y, z, 1});
                    ShadowMatrix twice{};
                    for (int j = 0; j < 4; ++j) {
                        for (int i = 0; i < 4; ++i) {
                            for (int k = 0; k < 4; ++k) {
                                twice.m[4 * j + i] += m.m[4 * k + i] * m.m[4 * j + k];
                            }
                        }
                    }
                    for (const ShadowMatrix* matrix :
                         {&m, static_cast<const ShadowMatrix*>(&twice)}) {
                        for (const Point3& p : scenePoints) {
                            for (int i = 0; i < 4; ++i) {
                                const float* row = matrix->m;
                                const float v = row[i] * p.x + row[4 + i] * p.y + row[8 + i] * p.z +
                                                row[12 + i];
                                ASSERT_TRUE(std::isfinite(v)) << x << " " << y << " " << z;
                            }
                        }
                    }
                }
            }
        }
    }
}

// The samples lie on the disk facing each receiver, as far from its plane as the centre;
// every power-of-two prefix is centred on the light, the whole set covers the disk evenly
// (mean squared distance r²/2, as for a uniform disk) with no two points close together;
// and a light of radius 0 is sampled at its centre, bit for bit.
TEST(LightSamples, SpreadEvenlyOverTheDiskFacingEachReceiver) {
    prepareShadowReceivers();
    const LightPosition centre = {-30, 70, -420, 1};
    constexpr float RADIUS = 10;
    for (const PlaneEquation& plane : {programState.planes[int(Receiver::Floor)],
                                       programState.planes[int(Receiver::LeftWall)]}) {
        const double length = std::sqrt(plane.a * plane.a + plane.b * plane.b + plane.c * plane.c);
        const auto height = [&](LightPosition p) {
            return (plane.a * p.x + plane.b * p.y + plane.c * p.z + plane.d) / length;
        };
        LightPosition points[LIGHT_SAMPLE_COUNT];
        double sumX = 0, sumY = 0, sumZ = 0, squares = 0;
        for (int i = 0; i < LIGHT_SAMPLE_COUNT; ++i) {
            const LightPosition p = lightSample(plane, centre, RADIUS, i);
            const LightPosition still = lightSample(plane, centre, 0, i);
            EXPECT_EQ(std::memcmp(&still, &centre, sizeof centre), 0) << "sample " << i;
            EXPECT_NEAR(height(p), height(centre), 1e-4) << "sample " << i;
            const double dx = p.x - centre.x, dy = p.y - centre.y, dz = p.z - centre.z;
            EXPECT_LE(std::sqrt(dx * dx + dy * dy + dz * dz), RADIUS * 1.0001) << "sample " << i;
            for (int j = 0; j < i; ++j) {
                const double ex = p.x - points[j].x, ey = p.y - points[j].y, ez = p.z - points[j].z;
                EXPECT_GT(std::sqrt(ex * ex + ey * ey + ez * ez), 0.1 * RADIUS)
                    << "samples " << j << " and " << i;
            }
            points[i] = p;
            sumX += dx, sumY += dy, sumZ += dz, squares += dx * dx + dy * dy + dz * dz;
            const int count = i + 1;
            if ((count & (count - 1)) == 0 && count > 1) {
                EXPECT_NEAR(std::sqrt(sumX * sumX + sumY * sumY + sumZ * sumZ) / count, 0, 1e-4)
                    << "first " << count;
            }
        }
        EXPECT_NEAR(squares / LIGHT_SAMPLE_COUNT, RADIUS * RADIUS / 2, 1e-3);
    }
}

// Past the first batch the points fill the disk around it: the first 2^k pairs, from 32 to
// all 1,024 points, put one pair in each of 2^k equal strips of radius² and of angle (a
// point mirrored through the centre has the same of both), and each batch of 8 after the
// first batch puts one in each of 4.
TEST(LightSamples, EachPrefixAndEachBatchFillsEveryStripOnce) {
    prepareShadowReceivers();
    const PlaneEquation plane = programState.planes[int(Receiver::Floor)];
    const LightPosition centre = {0, 0, 0, 1};
    constexpr double RADIUS = 10;
    const auto offset = [&](int i) {
        const LightPosition p = lightSample(plane, centre, static_cast<float>(RADIUS), i);
        return std::array<double, 3>{p.x, p.y, p.z};
    };
    const std::array<double, 3> first = offset(0);
    // Radius² and angle, each as a share of its whole: the angle from sample 0's, half a turn.
    std::vector<double> radii, angles;
    for (int i = 0; i < MAX_LIGHT_SAMPLES; i += 2) {
        const std::array<double, 3> d = offset(i);
        const double cross[3] = {first[1] * d[2] - first[2] * d[1],
                                 first[2] * d[0] - first[0] * d[2],
                                 first[0] * d[1] - first[1] * d[0]};
        const double along = (plane.a * cross[0] + plane.b * cross[1] + plane.c * cross[2]) /
                             std::sqrt(plane.a * plane.a + plane.b * plane.b + plane.c * plane.c);
        const double angle = std::atan2(along, first[0] * d[0] + first[1] * d[1] + first[2] * d[2]);
        radii.push_back((d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) / (RADIUS * RADIUS));
        angles.push_back(radii.back() < 1e-9 ? std::nan("")
                                             : std::fmod(angle / 3.14159265358979 + 2, 1.0));
    }
    // Whether the pairs from `from` to `to` put one in each of `strips` strips, the strips
    // shifted to where the first of them lies, as a shift of all keeps them even. The pair
    // at the centre has no angle (NaN), and fills the strip it leaves empty.
    const auto fillEach = [](const std::vector<double>& shares, int from, int to, int strips) {
        std::vector<int> count(static_cast<size_t>(strips), 0);
        const double first = shares[size_t(from)] * strips;
        const double shift = first - std::floor(first);
        int centred = 0;
        for (int pair = from; pair < to; ++pair) {
            if (std::isnan(shares[size_t(pair)])) {
                ++centred;
                continue;
            }
            const long strip = std::lround(shares[size_t(pair)] * strips - shift);
            ++count[size_t((strip % strips + strips) % strips)];
        }
        return std::count(count.begin(), count.end(), 1) == strips - centred;
    };
    for (int pairs = 16; pairs <= MAX_LIGHT_SAMPLES / 2; pairs *= 2) {
        EXPECT_TRUE(fillEach(radii, 0, pairs, pairs)) << pairs << " pairs";
        EXPECT_TRUE(fillEach(angles, 0, pairs, pairs)) << pairs << " pairs";
    }
    constexpr int BATCH_PAIRS = LATER_BATCH_SAMPLES / 2;
    for (int from = LIGHT_SAMPLE_COUNT / 2; from < MAX_LIGHT_SAMPLES / 2; from += BATCH_PAIRS) {
        EXPECT_TRUE(fillEach(radii, from, from + BATCH_PAIRS, BATCH_PAIRS))
            << "batch from pair " << from;
        EXPECT_TRUE(fillEach(angles, from, from + BATCH_PAIRS, BATCH_PAIRS))
            << "batch from pair " << from;
    }
}

}  // namespace

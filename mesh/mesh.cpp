// GLU 9.0.2's quadrics (src/libutil/quad.c), for the one setting the program uses: GLU_FILL,
// GLU_SMOOTH, GLU_OUTSIDE, no texture coordinates. The arithmetic keeps GLU's types and
// order: GLU works in float caches filled from double sin/cos of a float angle, and mixes
// double parameters into float products, so each step below rounds where GLU's does.
#include "mesh/mesh.h"

#include <cmath>

// Every product rounds on its own, as in the GLU and freeglut builds (baseline x86-64,
// which has no fused multiply-add). Clang fuses where it may unless told not to, and its
// WebAssembly build at -O2 does: it moved the teapot's normals (teapot.cpp) by a few ulps. GCC
// fuses only for targets with FMA (such as -march=native), which this must not be built for.
#if defined(__clang__)
#pragma clang fp contract(off)
#endif

namespace {

// GLU's own value and cache bound: more slices or stacks than this are cut to 239.
constexpr double PI = 3.14159265358979323846;
constexpr int CACHE_SIZE = 240;

enum class GlPrimitive { TriangleFan, QuadStrip };

// GL's immediate mode as GLU drives it: each vertex takes along the current normal, which
// persists across vertices and across begin/end. At the end of each fan or strip its
// triangles go out in the order Mesa assembles them (seen in GL feedback on llvmpipe):
// a fan's i-th triangle is (0, i+1, i+2); the quad strip's k-th quad, a = 2k, b = a+1,
// c = a+2, d = a+3, becomes (c, a, d) then (a, b, d), both ending on d, the quad's
// provoking vertex.
class ImmediateMode {
  public:
    void normal(float x, float y, float z) {
        normal_[0] = x;
        normal_[1] = y;
        normal_[2] = z;
    }
    void begin(GlPrimitive primitive) {
        primitive_ = primitive;
        batch_.clear();
    }
    void vertex(float x, float y, float z) {
        batch_.push_back({{x, y, z}, {normal_[0], normal_[1], normal_[2]}});
    }
    void end() {
        const size_t n = batch_.size();
        if (primitive_ == GlPrimitive::TriangleFan) {
            for (size_t i = 1; i + 1 < n; ++i) {
                emit(0, i, i + 1);
            }
        } else {
            for (size_t a = 0; a + 3 < n; a += 2) {
                emit(a + 2, a, a + 3);
                emit(a, a + 1, a + 3);
            }
        }
    }
    Mesh mesh{MeshPrimitive::Triangles, {}};

  private:
    void emit(size_t i, size_t j, size_t k) {
        mesh.vertices.push_back(batch_[i]);
        mesh.vertices.push_back(batch_[j]);
        mesh.vertices.push_back(batch_[k]);
    }
    float normal_[3] = {0.0f, 0.0f, 1.0f};  // GL's initial current normal
    GlPrimitive primitive_ = GlPrimitive::TriangleFan;
    std::vector<MeshVertex> batch_;
};

// GLU stores sin and cos of a float angle, taken in double; std::sin(float) would be sinf.
float sinOf(float angle) {
    return static_cast<float>(std::sin(static_cast<double>(angle)));
}
float cosOf(float angle) {
    return static_cast<float>(std::cos(static_cast<double>(angle)));
}

}  // namespace

Mesh cylinderMesh(double baseRadius, double topRadius, double height, int slices, int stacks) {
    if (slices >= CACHE_SIZE) {
        slices = CACHE_SIZE - 1;
    }
    if (slices < 2 || stacks < 1 || baseRadius < 0.0 || topRadius < 0.0 || height < 0.0) {
        return {MeshPrimitive::Triangles, {}};
    }
    // The side's slope gives every normal the same z and scales its xy part.
    const float deltaRadius = static_cast<float>(baseRadius - topRadius);
    const float length = static_cast<float>(std::sqrt(deltaRadius * deltaRadius + height * height));
    if (length == 0.0f) {
        return {MeshPrimitive::Triangles, {}};
    }
    const float zNormal = deltaRadius / length;
    const float xyNormalRatio = static_cast<float>(height / length);

    float sinCache[CACHE_SIZE], cosCache[CACHE_SIZE];
    float sinNormal[CACHE_SIZE], cosNormal[CACHE_SIZE];
    for (int i = 0; i < slices; ++i) {
        const float angle = static_cast<float>(2 * PI * i / slices);
        sinNormal[i] = static_cast<float>(xyNormalRatio * std::sin(static_cast<double>(angle)));
        cosNormal[i] = static_cast<float>(xyNormalRatio * std::cos(static_cast<double>(angle)));
        sinCache[i] = sinOf(angle);
        cosCache[i] = cosOf(angle);
    }
    // The seam repeats the first slice exactly, so the surface closes without a crack.
    sinCache[slices] = sinCache[0];
    cosCache[slices] = cosCache[0];
    sinNormal[slices] = sinNormal[0];
    cosNormal[slices] = cosNormal[0];

    ImmediateMode gl;
    for (int j = 0; j < stacks; ++j) {
        const float zLow = static_cast<float>(j * height / stacks);
        const float zHigh = static_cast<float>((j + 1) * height / stacks);
        const float radiusLow =
            static_cast<float>(baseRadius - deltaRadius * (static_cast<float>(j) / stacks));
        const float radiusHigh =
            static_cast<float>(baseRadius - deltaRadius * (static_cast<float>(j + 1) / stacks));
        gl.begin(GlPrimitive::QuadStrip);
        for (int i = 0; i <= slices; ++i) {
            gl.normal(sinNormal[i], cosNormal[i], zNormal);
            gl.vertex(radiusLow * sinCache[i], radiusLow * cosCache[i], zLow);
            gl.vertex(radiusHigh * sinCache[i], radiusHigh * cosCache[i], zHigh);
        }
        gl.end();
    }
    return gl.mesh;
}

// gluDisk is gluPartialDisk over the full 360 degrees from angle 0.
Mesh diskMesh(double innerRadius, double outerRadius, int slices, int loops) {
    if (slices >= CACHE_SIZE) {
        slices = CACHE_SIZE - 1;
    }
    if (slices < 2 || loops < 1 || outerRadius <= 0.0 || innerRadius < 0.0 ||
        innerRadius > outerRadius) {
        return {MeshPrimitive::Triangles, {}};
    }
    const double startAngle = 0.0;
    const double sweepAngle = 360.0;
    const float deltaRadius = static_cast<float>(outerRadius - innerRadius);
    const float angleOffset = static_cast<float>(startAngle / 180.0 * PI);

    float sinCache[CACHE_SIZE], cosCache[CACHE_SIZE];
    for (int i = 0; i <= slices; ++i) {
        const float angle =
            static_cast<float>(angleOffset + ((PI * sweepAngle) / 180.0) * i / slices);
        sinCache[i] = sinOf(angle);
        cosCache[i] = cosOf(angle);
    }
    sinCache[slices] = sinCache[0];
    cosCache[slices] = cosCache[0];

    // One normal, set before anything is drawn, serves the whole flat disk.
    ImmediateMode gl;
    gl.normal(0.0f, 0.0f, 1.0f);
    int finish = loops;
    if (innerRadius == 0.0) {
        // The innermost loop closes on the centre, so it is a fan rather than a strip. GLU
        // walks it through the slices backwards, which keeps it counter-clockwise seen from
        // +z, where the normal points, like the strips.
        finish = loops - 1;
        gl.begin(GlPrimitive::TriangleFan);
        gl.vertex(0.0f, 0.0f, 0.0f);
        const float radiusLow =
            static_cast<float>(outerRadius - deltaRadius * (static_cast<float>(loops - 1) / loops));
        for (int i = slices; i >= 0; --i) {
            gl.vertex(radiusLow * sinCache[i], radiusLow * cosCache[i], 0.0f);
        }
        gl.end();
    }
    for (int j = 0; j < finish; ++j) {
        const float radiusLow =
            static_cast<float>(outerRadius - deltaRadius * (static_cast<float>(j) / loops));
        const float radiusHigh =
            static_cast<float>(outerRadius - deltaRadius * (static_cast<float>(j + 1) / loops));
        gl.begin(GlPrimitive::QuadStrip);
        for (int i = 0; i <= slices; ++i) {
            gl.vertex(radiusLow * sinCache[i], radiusLow * cosCache[i], 0.0f);
            gl.vertex(radiusHigh * sinCache[i], radiusHigh * cosCache[i], 0.0f);
        }
        gl.end();
    }
    return gl.mesh;
}

Mesh sphereMesh(double radius, int slices, int stacks) {
    if (slices >= CACHE_SIZE) {
        slices = CACHE_SIZE - 1;
    }
    if (stacks >= CACHE_SIZE) {
        stacks = CACHE_SIZE - 1;
    }
    if (slices < 2 || stacks < 1 || radius < 0.0) {
        return {MeshPrimitive::Triangles, {}};
    }
    // Around the axis (a) and from pole to pole (b); the b caches hold unit values for the
    // normals and radius-scaled ones for the points. The slice caches start zeroed for the
    // one read GLU makes past what it fills (see the second pole).
    float sinA[CACHE_SIZE] = {}, cosA[CACHE_SIZE] = {};
    float sinB[CACHE_SIZE], cosB[CACHE_SIZE];
    float radiusSinB[CACHE_SIZE], radiusCosB[CACHE_SIZE];
    for (int i = 0; i < slices; ++i) {
        const float angle = static_cast<float>(2 * PI * i / slices);
        sinA[i] = sinOf(angle);
        cosA[i] = cosOf(angle);
    }
    for (int j = 0; j <= stacks; ++j) {
        const float angle = static_cast<float>(PI * j / stacks);
        sinB[j] = sinOf(angle);
        cosB[j] = cosOf(angle);
        radiusSinB[j] = static_cast<float>(radius * std::sin(static_cast<double>(angle)));
        radiusCosB[j] = static_cast<float>(radius * std::cos(static_cast<double>(angle)));
    }
    // The poles are points: sin(pi) in float is not quite 0, so GLU forces it.
    radiusSinB[0] = 0.0f;
    radiusSinB[stacks] = 0.0f;
    sinA[slices] = sinA[0];
    cosA[slices] = cosA[0];

    ImmediateMode gl;
    // The caps are fans around the poles, +z first, then the rings between them are quad
    // strips. Each pole's normal is set once before its fan and so serves only the pole.
    float ringSin = radiusSinB[1];
    float ringZ = radiusCosB[1];
    float normalSin = sinB[1];
    float normalCos = cosB[1];
    gl.normal(sinA[0] * sinB[0], cosA[0] * sinB[0], cosB[0]);
    gl.begin(GlPrimitive::TriangleFan);
    gl.vertex(0.0f, 0.0f, static_cast<float>(radius));
    for (int i = slices; i >= 0; --i) {
        gl.normal(sinA[i] * normalSin, cosA[i] * normalSin, normalCos);
        gl.vertex(ringSin * sinA[i], ringSin * cosA[i], ringZ);
    }
    gl.end();

    ringSin = radiusSinB[stacks - 1];
    ringZ = radiusCosB[stacks - 1];
    normalSin = sinB[stacks - 1];
    normalCos = cosB[stacks - 1];
    // GLU indexes the slice cache by the stack count here; with stacks <= slices that is a
    // real entry (slice 0 when they are equal), and sin(pi) makes its share tiny anyway.
    gl.normal(sinA[stacks] * sinB[stacks], cosA[stacks] * sinB[stacks], cosB[stacks]);
    gl.begin(GlPrimitive::TriangleFan);
    gl.vertex(0.0f, 0.0f, static_cast<float>(-radius));
    for (int i = 0; i <= slices; ++i) {
        gl.normal(sinA[i] * normalSin, cosA[i] * normalSin, normalCos);
        gl.vertex(ringSin * sinA[i], ringSin * cosA[i], ringZ);
    }
    gl.end();

    for (int j = 1; j < stacks - 1; ++j) {
        const float zLow = radiusCosB[j];
        const float zHigh = radiusCosB[j + 1];
        const float sinLow = radiusSinB[j];
        const float sinHigh = radiusSinB[j + 1];
        gl.begin(GlPrimitive::QuadStrip);
        for (int i = 0; i <= slices; ++i) {
            gl.normal(sinA[i] * sinB[j + 1], cosA[i] * sinB[j + 1], cosB[j + 1]);
            gl.vertex(sinHigh * sinA[i], sinHigh * cosA[i], zHigh);
            gl.normal(sinA[i] * sinB[j], cosA[i] * sinB[j], cosB[j]);
            gl.vertex(sinLow * sinA[i], sinLow * cosA[i], zLow);
        }
        gl.end();
    }
    return gl.mesh;
}

Mesh quadsMesh(std::initializer_list<RoomQuad> quads) {
    Mesh mesh{MeshPrimitive::Triangles, {}};
    for (const RoomQuad& quad : quads) {
        for (const int corner : {0, 1, 3, 1, 2, 3}) {
            const Point3& p = quad.corners[corner];
            const Point3& n = quad.normal;
            mesh.vertices.push_back({{p.x, p.y, p.z}, {n.x, n.y, n.z}});
        }
    }
    return mesh;
}

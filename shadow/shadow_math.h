// The geometry of planar projected shadows: a plane through three points and the
// matrix that flattens anything onto that plane along rays from a light.
// Pure arithmetic, no GL, so it is checked to the last bit without a window.
#pragma once

struct Point3 {
    float x, y, z;
};

// a·x + b·y + c·z + d = 0, with (a, b, c) not normalised.
struct PlaneEquation {
    float a, b, c, d;
};

// Homogeneous light position as GL_POSITION takes it: w 1 for a point light; w 0 for a
// light infinitely far away (the sun), whose x, y, z are the direction it shines from, so
// that the shadow matrix flattens along parallel rays.
struct LightPosition {
    float x, y, z, w;
};

// Column-major, as glMultMatrixf takes it: row i, column j is at m[4 * j + i].
struct ShadowMatrix {
    float m[16];
};

// The plane through p1, p2, p3; its normal follows p1 → p2 → p3 by the right-hand rule.
PlaneEquation planeFromPoints(Point3 p1, Point3 p2, Point3 p3);

// The 4 × 4 matrix dot·I − L·Pᵀ, dot = P·L: it takes a point X to where the ray from
// the light through X meets the plane.
ShadowMatrix buildShadowMatrix(PlaneEquation plane, LightPosition light);

// True while the light is strictly on the side the plane's normal points to. Only
// then can the plane receive a shadow: on the plane or behind it, the light sees
// the receiver's back or nothing of it.
bool lightIsInFront(PlaneEquation plane, LightPosition light);

#include "shadow/shadow_math.h"

PlaneEquation planeFromPoints(Point3 p1, Point3 p2, Point3 p3) {
    const Point3 u{p2.x - p1.x, p2.y - p1.y, p2.z - p1.z};
    const Point3 v{p3.x - p1.x, p3.y - p1.y, p3.z - p1.z};

    // u × v is normal to the plane; its length (twice the triangle's area) is
    // harmless, because the shadow matrix's homogeneous division cancels any scale.
    PlaneEquation plane;
    plane.a = u.y * v.z - u.z * v.y;
    plane.b = u.z * v.x - u.x * v.z;
    plane.c = u.x * v.y - u.y * v.x;
    plane.d = -(plane.a * p1.x + plane.b * p1.y + plane.c * p1.z);
    return plane;
}

static float planeDotLight(PlaneEquation plane, LightPosition light) {
    return plane.a * light.x + plane.b * light.y + plane.c * light.z + plane.d * light.w;
}

ShadowMatrix buildShadowMatrix(PlaneEquation plane, LightPosition light) {
    const float dot = planeDotLight(plane, light);
    const float l[4] = {light.x, light.y, light.z, light.w};
    const float p[4] = {plane.a, plane.b, plane.c, plane.d};

    ShadowMatrix shadow;
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            const float diagonal = row == column ? dot : 0.0f;
            shadow.m[4 * column + row] = diagonal - l[row] * p[column];
        }
    }
    return shadow;
}

bool lightIsInFront(PlaneEquation plane, LightPosition light) {
    return planeDotLight(plane, light) > 0.0f;
}

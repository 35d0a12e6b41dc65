#include "state/program_state.h"

ProgramState programState;

void prepareShadowReceivers() {
    ProgramState& s = programState;
    const Point3* floor = FLOOR_QUAD.corners;
    s.floorPlane = planeFromPoints(floor[0], floor[1], floor[2]);
    s.floorShadowMatrix = buildShadowMatrix(s.floorPlane, s.lightPosition);
    const Point3* wall = LEFT_WALL_QUAD.corners;
    s.leftWallPlane = planeFromPoints(wall[0], wall[1], wall[2]);
    s.leftWallShadowMatrix = buildShadowMatrix(s.leftWallPlane, s.lightPosition);
}

void updateShadowMatrices() {
    ProgramState& s = programState;
    s.leftWallShadowMatrix = buildShadowMatrix(s.leftWallPlane, s.lightPosition);
    s.floorShadowMatrix = buildShadowMatrix(s.floorPlane, s.lightPosition);
}

float lightMarkerRadius() {
    const ProgramState& s = programState;
    const float pointMarker = static_cast<float>(LIGHT_MARKER_RADIUS);
    return s.softShadows && s.lightRadius > pointMarker ? s.lightRadius : pointMarker;
}

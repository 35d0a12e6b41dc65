#include "shadow/receivers.h"

#include "app/program_state.h"

void prepareShadowReceivers() {
    ProgramState& s = programState;
    s.floorPlane = planeFromPoints(floorCorners[0], floorCorners[1], floorCorners[2]);
    s.floorShadowMatrix = buildShadowMatrix(s.floorPlane, s.lightPosition);
    s.leftWallPlane = planeFromPoints(leftWallCorners[0], leftWallCorners[1], leftWallCorners[2]);
    s.leftWallShadowMatrix = buildShadowMatrix(s.leftWallPlane, s.lightPosition);
}

void updateShadowMatrices() {
    ProgramState& s = programState;
    s.leftWallShadowMatrix = buildShadowMatrix(s.leftWallPlane, s.lightPosition);
    s.floorShadowMatrix = buildShadowMatrix(s.floorPlane, s.lightPosition);
}

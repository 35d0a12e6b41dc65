#include "state/program_state.h"

#include <algorithm>
#include <cmath>
#include <utility>

ProgramState programState;

namespace {

PlaneEquation planeOf(const RoomQuad& quad) {
    return planeFromPoints(quad.corners[0], quad.corners[1], quad.corners[2]);
}

}  // namespace

void prepareShadowReceivers() {
    ProgramState& s = programState;
    const std::pair<Receiver, const RoomQuad&> faces[] = {
        {Receiver::Floor, FLOOR_QUAD},        {Receiver::LeftWall, LEFT_WALL_QUAD},
        {Receiver::BackWall, BACK_WALL_QUAD}, {Receiver::RightWall, RIGHT_WALL_QUAD},
        {Receiver::Ceiling, CEILING_QUAD},
    };
    for (const auto& [receiver, quad] : faces) {
        s.planes[static_cast<int>(receiver)] = planeOf(quad);
    }
    updateShadowMatrices();
}

unsigned receiving(const ProgramState& s) {
    return s.receivers | (s.boardShown ? receiverBit(Receiver::Board) : 0);
}

namespace {

// The direction from the room's centre to where the sun stands, as GL takes a light
// infinitely far away. Left as long as it comes: GL normalises it for the lighting, and the
// shadow matrix's homogeneous division cancels its length.
LightPosition sunDirection(const LightPosition& standsAt) {
    return {standsAt.x - ROOM_CENTRE.x, standsAt.y - ROOM_CENTRE.y, standsAt.z - ROOM_CENTRE.z, 0};
}

}  // namespace

void updateShadowMatrices() {
    ProgramState& s = programState;
    s.planes[static_cast<int>(Receiver::Board)] = planeOf(boardQuad(s.board));
    for (int i = 0; i < s.lightCount; ++i) {
        Light& light = s.lights[i];
        light.shinesFrom = light.sun ? sunDirection(light.standsAt) : light.standsAt;
        for (int receiver = 0; receiver < RECEIVER_COUNT; ++receiver) {
            light.shadowMatrices[receiver] =
                buildShadowMatrix(s.planes[receiver], light.shinesFrom);
        }
    }
}

bool addLight() {
    ProgramState& s = programState;
    if (s.lightCount == MAX_LIGHTS) {
        return false;
    }
    Light& added = s.lights[s.lightCount];
    added = Light();
    added.standsAt = LIGHT_DESIGNS[s.lightCount].start;
    s.selectedLight = s.lightCount++;
    updateShadowMatrices();
    return true;
}

bool removeLight() {
    ProgramState& s = programState;
    if (s.lightCount == 1) {
        return false;
    }
    --s.lightCount;
    s.selectedLight = std::min(s.selectedLight, s.lightCount - 1);
    return true;
}

Point3 lightMarkerCentre(const Light& light) {
    const LightPosition& at = light.standsAt;
    if (!light.sun) {
        return {at.x, at.y, at.z};
    }
    const LightPosition d = light.shinesFrom;
    const double scale =
        SUN_MARKER_DISTANCE / std::sqrt(double(d.x) * d.x + double(d.y) * d.y + double(d.z) * d.z);
    return {static_cast<float>(ROOM_CENTRE.x + scale * d.x),
            static_cast<float>(ROOM_CENTRE.y + scale * d.y),
            static_cast<float>(ROOM_CENTRE.z + scale * d.z)};
}

std::string lightName(int light) {
    return "Light " + std::to_string(light + 1) + " (" + LIGHT_DESIGNS[light].colourName + ")";
}

bool canBeTheSun(const LightPosition& standsAt) {
    return standsAt.x != ROOM_CENTRE.x || standsAt.y != ROOM_CENTRE.y ||
           standsAt.z != ROOM_CENTRE.z;
}

bool sunCanFollow(const Point3* first, const Point3* last) {
    return std::all_of(first, last, [](const Point3& at) {
        return canBeTheSun({at.x, at.y, at.z, 1});
    });
}

float nextTintLevel(float level) {
    constexpr double TINT_STEP = 0.00025;
    const double sum = level + TINT_STEP;
    const float next = static_cast<float>(sum);
    return sum > 1.0 ? static_cast<float>(next - TINT_STEP) : next;
}

float restingTintLevel() {
    float level = 0.0f;
    for (float next = nextTintLevel(level); next != level; next = nextTintLevel(level)) {
        level = next;
    }
    return level;
}

float lightMarkerRadius(const ProgramState& s) {
    const float pointMarker = static_cast<float>(LIGHT_MARKER_RADIUS);
    return s.softShadows && s.lightRadius > pointMarker ? s.lightRadius : pointMarker;
}

Variant drawnVariant(const ProgramState& s) {
    return s.comparing ? Variant::None : s.variant;
}

bool stencilled(const ProgramState& s) {
    return s.stencilShadows && drawnVariant(s) != Variant::PolygonOffset;
}

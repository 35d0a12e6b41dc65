#include "shadow/board.h"

#include <cmath>

RoomQuad boardQuad(const BoardPlace& place) {
    // Tilted back by a, the upper edge rises by cos a and recedes by sin a; the front's
    // normal, (0, sin a, cos a), turns up with it.
    const double radians = place.tilt * 3.14159265358979323846 / 180.0;
    const float s = static_cast<float>(std::sin(radians));
    const float c = static_cast<float>(std::cos(radians));
    const float left = place.x - BOARD_WIDTH / 2;
    const float right = place.x + BOARD_WIDTH / 2;
    const float floor = -ROOM_HALF_WIDTH;
    const float top = floor + BOARD_HEIGHT * c;
    const float back = place.z - BOARD_HEIGHT * s;
    return {
        {0, s, c},
        {{left, floor, place.z}, {right, floor, place.z}, {right, top, back}, {left, top, back}}};
}

bool boardFits(const BoardPlace& place) {
    if (!(std::fabs(place.tilt) <= BOARD_MOST_TILT)) {
        return false;
    }
    for (const Point3& corner : boardQuad(place).corners) {
        if (!(std::fabs(corner.x) <= ROOM_HALF_WIDTH && std::fabs(corner.y) <= ROOM_HALF_WIDTH &&
              corner.z <= ROOM_FRONT_Z && corner.z >= ROOM_BACK_Z)) {
            return false;
        }
    }
    return true;
}

BoardMatrix boardMatrix(const BoardPlace& place) {
    const RoomQuad quad = boardQuad(place);
    const Point3& origin = quad.corners[0];
    const Point3& across = quad.corners[1];
    const Point3& up = quad.corners[3];
    // The normal is a unit vector at right angles to both edges, so GL's inverse transpose
    // takes the square's normal to it unchanged.
    return {{across.x - origin.x, across.y - origin.y, across.z - origin.z, 0,  //
             up.x - origin.x, up.y - origin.y, up.z - origin.z, 0,              //
             quad.normal.x, quad.normal.y, quad.normal.z, 0,                    //
             origin.x, origin.y, origin.z, 1}};
}

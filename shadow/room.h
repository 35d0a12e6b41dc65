// The room, what stands in it and where the light starts, in eye coordinates: the viewer
// sits at the origin looking down -z, and the room spans x and y from -100 to 100 and z
// from -320 (its open front) to -520. Every renderer draws from these, so all draw the
// same scene.
#pragma once

#include "shadow/shadow_math.h"

// One side of the room: corners counter-clockwise seen from inside, normal pointing in,
// toward where the light is meant to be.
struct RoomQuad {
    Point3 normal;
    Point3 corners[4];
};

// The two receivers. The first three corners also define each receiver's plane, so the
// order is data, not style: reversed, the plane's normal would point out of the room and
// negate the shadow matrix, and the teapot's flattened copy (transformed once) would land
// at negative w and be clipped.
constexpr RoomQuad FLOOR_QUAD = {
    {0, 1, 0}, {{-100, -100, -320}, {100, -100, -320}, {100, -100, -520}, {-100, -100, -520}}};
constexpr RoomQuad LEFT_WALL_QUAD = {
    {1, 0, 0}, {{-100, -100, -320}, {-100, -100, -520}, {-100, 100, -520}, {-100, 100, -320}}};

// The rest of the room, which can receive too. Drawn as one shape while none of them does.
constexpr RoomQuad RIGHT_WALL_QUAD = {
    {-1, 0, 0}, {{100, -100, -320}, {100, 100, -320}, {100, 100, -520}, {100, -100, -520}}};
constexpr RoomQuad CEILING_QUAD = {
    {0, -1, 0}, {{-100, 100, -320}, {-100, 100, -520}, {100, 100, -520}, {100, 100, -320}}};
constexpr RoomQuad BACK_WALL_QUAD = {
    {0, 0, 1}, {{-100, -100, -520}, {100, -100, -520}, {100, 100, -520}, {-100, 100, -520}}};
constexpr RoomQuad ROOM_SHELL_QUADS[3] = {RIGHT_WALL_QUAD, CEILING_QUAD, BACK_WALL_QUAD};

// The square, (0, 0, 0) to (1, 1, 0), that a renderer places as the board (shadow/board.h).
constexpr RoomQuad UNIT_SQUARE_QUAD = {{0, 0, 1}, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}};

// The room's extent, which everything that stands in it keeps within.
constexpr float ROOM_HALF_WIDTH = 100;
constexpr float ROOM_FRONT_Z = -320;
constexpr float ROOM_BACK_Z = -520;

// The casters. The cone stands on its base disk and points up +y; the teapot's centre
// moves sideways with the 't' and 'T' keys.
constexpr Point3 SPHERE_CENTRE = {60, -50, -360};
constexpr double SPHERE_RADIUS = 20;
constexpr Point3 CONE_BASE_CENTRE = {-40, -40, -400};
constexpr double CONE_RADIUS = 20;
constexpr double CONE_HEIGHT = 60;
constexpr Point3 TEAPOT_CENTRE = {15, -10, -345};
constexpr double TEAPOT_SIZE = 15;

// The light's grey marker, a small ball around the light's position.
constexpr double LIGHT_MARKER_RADIUS = 5;

// How finely the round shapes are cut: slices around the axis, stacks along it.
constexpr int ROUND_SLICES = 20;
constexpr int ROUND_STACKS = 20;

constexpr LightPosition START_LIGHT = {50, 50, -320, 1};

// Where the room is seen from, as glFrustum takes it: the eye at the origin, the near plane
// at z = -320 the room's open front, whose 200 × 200 opening fills the view exactly. The
// picture stretches with the window rather than keep this shape.
struct Frustum {
    float left, right, bottom, top, zNear, zFar;
};
constexpr Frustum VIEW_FRUSTUM = {-100, 100, -100, 100, 320, 640};

// The sun shines from the room's centre towards where it stands.
constexpr LightPosition ROOM_CENTRE = {0, 0, -420, 1};

// ---- Colours -------------------------------------------------------------------------
// RGBA as glColor4f takes it; with colour material on, the ambient and diffuse reflectance
// of what is drawn lit, and the colour itself of what is drawn unlit.
struct Colour {
    float r, g, b, a;
};

// The shadow view: a cyan floor, the rest of the room white, an orange cone. The teapot's
// red and the sphere's blue rise with the tint level; a red above 1 is clamped once lit.
constexpr Colour FLOOR_COLOUR = {0, 1, 1, 1};
constexpr Colour WALL_COLOUR = {1, 1, 1, 1};
constexpr Colour CONE_COLOUR = {1, 0.75f, 0, 1};
constexpr Colour teapotColour(float tint) {
    return {tint + 1.0f, 0, 0, 1};
}
constexpr Colour sphereColour(float tint) {
    return {0.45f, 0.5f, tint, 1};
}
// The light's marker, drawn unlit in both views.
constexpr Colour LIGHT_MARKER_COLOUR = {0.5f, 0.5f, 0.5f, 1};
// The plain view draws cone and sphere white, then again in these, which fail the depth
// test on their own depth: they show white.
constexpr Colour PLAIN_FIRST_COLOUR = {1, 1, 1, 1};
constexpr Colour PLAIN_CONE_COLOUR = {0, 0.5f, 1, 1};
constexpr Colour PLAIN_SPHERE_COLOUR = {1, 0.5f, 0, 1};

// ---- The lights ----------------------------------------------------------------------
// Up to four lights. Light 1 is white, GL's default light, with the grey marker, and starts
// where the program's one light always has; 'l' adds the others in turn, each in its own
// colour and standing first where it does here. Warm, cool and green lights mix into
// colours of their own where two of them reach a pixel the others do not.
constexpr int MAX_LIGHTS = 4;

struct LightDesign {
    // How the captions and messages name it: "Light 2 (orange)".
    const char* colourName;
    // Its diffuse colour (GL_DIFFUSE); its marker is drawn unlit in markerColour.
    Colour colour;
    Colour markerColour;
    LightPosition start;
};

constexpr LightDesign LIGHT_DESIGNS[MAX_LIGHTS] = {
    {"white", {1, 1, 1, 1}, LIGHT_MARKER_COLOUR, START_LIGHT},
    {"orange", {0.8f, 0.4f, 0.05f, 1}, {1, 0.5f, 0.06f, 1}, {-30, 80, -340, 1}},
    {"blue", {0.1f, 0.3f, 0.8f, 1}, {0.12f, 0.38f, 1, 1}, {20, 60, -500, 1}},
    {"green", {0.2f, 0.65f, 0.1f, 1}, {0.3f, 1, 0.15f, 1}, {90, 0, -420, 1}},
};

// The selected light's marker, once there are several, is ringed in its plane facing the
// eye; the sun's has rays. Both in units of the marker's radius, so they grow with it.
constexpr double SELECTION_RING_INNER = 1.5;
constexpr double SELECTION_RING_OUTER = 1.9;
constexpr Colour SELECTION_RING_COLOUR = {0, 0, 0, 1};
constexpr float HALF_SQRT2 = 0.70710678f;
constexpr Point3 SUN_RAY_DIRECTIONS[8] = {
    {1, 0, 0},  {HALF_SQRT2, HALF_SQRT2, 0},   {0, 1, 0},  {-HALF_SQRT2, HALF_SQRT2, 0},
    {-1, 0, 0}, {-HALF_SQRT2, -HALF_SQRT2, 0}, {0, -1, 0}, {HALF_SQRT2, -HALF_SQRT2, 0},
};
constexpr double SUN_RAY_START = 2.2;
constexpr double SUN_RAY_END = 3.2;
// The sun's marker stands this far from the room's centre along its direction, so it
// depends on the direction alone and stays inside the room.
constexpr double SUN_MARKER_DISTANCE = 90;

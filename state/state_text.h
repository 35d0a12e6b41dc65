// What a link to a picture holds, as the page's address and the snapshot tool's --state
// write it: "light=-40,80,-450&step=3". One reader and one writer for both editions. No GL.
#pragma once

#include <string>
#include <vector>

#include "shadow/room.h"
#include "state/program_state.h"

// The farthest a light coordinate or the teapot's offset may be from 0. At 10^6, 5,000
// times the room's width, the light's direction changes by less than 0.03° across the
// room, so farther lights look the same; and the largest value the shadow matrices give a
// vertex stays near 10^24, far inside a float's 3·10^38. At 10^38 the matrices overflow
// and the shadows are lost.
constexpr float MAX_COORDINATE = 1e6f;
// The radius '+' and '-' reach.
constexpr float MAX_LIGHT_RADIUS = 20.0f;

// Everything the shadow view's picture depends on, but the tint (a link shows it at rest)
// and the window's size. The plain view lasts one frame, so it is no state.
struct LinkState {
    // lights[0] to lights[lightCount - 1], where each stands; w 1 a point light, w 0 the sun.
    LightPosition lights[MAX_LIGHTS] = {START_LIGHT};
    int lightCount = 1;
    int selectedLight = 0;
    float teapotOffset = 0.0f;
    bool translucent = false;
    bool noStencil = false;
    // The stepping mode's step, from 1; 0 for the whole frame.
    int step = 0;
    bool soft = false;
    float lightRadius = 5.0f;
    bool showStencil = false;
};

bool operator==(const LinkState& a, const LinkState& b);

LinkState linkStateOf(const ProgramState& state);

// Sets the program's lights, teapot and switches to `link`'s; the shadow matrices follow
// with updateShadowMatrices(). Soft shadows stay off where the stencil cannot count them.
void applyLinkState(const LinkState& link, ProgramState& state);

// Only the values that differ from the start state, in a fixed order, numbers in the
// shortest form that reads back to the same float; "" for the start state itself.
std::string writeStateText(const LinkState& link);

// Reads the parts of `text` (joined by '&', with or without a leading '#', %-escapes
// allowed) into `link`: a part that reads sets its value, and the first light given
// replaces the whole list. A part that does not read (an unknown key, a malformed or
// out-of-range number, a fifth light, a step or a selected light that does not exist
// once all is read) leaves `link` as it was; the result names each such part and why.
// "embed" belongs to the page and is passed over.
std::vector<std::string> readStateText(const std::string& text, LinkState& link);

// The checks the snapshot tool's options share with the state text.
// A whole finite number and nothing else.
bool readNumber(const std::string& text, float& value);
// A number no farther from 0 than MAX_COORDINATE.
bool readCoordinate(const std::string& text, float& value);
// X,Y,Z or X,Y,Z,W with W 0 or 1 (1 when left out); the sun (W 0) never at the room's
// centre. "" when it reads, else why not.
std::string readLight(const std::string& text, LightPosition& light);
// Up to three digits, for a step or a light's number.
bool readSmallWhole(const std::string& text, int& value);

#include "state/state_text.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "state/shadow_pass.h"

bool operator==(const LinkState& a, const LinkState& b) {
    if (a.lightCount != b.lightCount) {
        return false;
    }
    for (int i = 0; i < a.lightCount; ++i) {
        const LightPosition& p = a.lights[i];
        const LightPosition& q = b.lights[i];
        if (p.x != q.x || p.y != q.y || p.z != q.z || p.w != q.w) {
            return false;
        }
    }
    return a.selectedLight == b.selectedLight && a.teapotOffset == b.teapotOffset &&
           a.translucent == b.translucent && a.noStencil == b.noStencil && a.step == b.step &&
           a.soft == b.soft && a.lightRadius == b.lightRadius && a.showStencil == b.showStencil;
}

LinkState linkStateOf(const ProgramState& state) {
    LinkState link;
    link.lightCount = state.lightCount;
    for (int i = 0; i < state.lightCount; ++i) {
        const LightPosition& at = state.lights[i].standsAt;
        link.lights[i] = {at.x, at.y, at.z, state.lights[i].sun ? 0.0f : 1.0f};
    }
    link.selectedLight = state.selectedLight;
    link.teapotOffset = state.teapotOffsetX;
    link.translucent = state.translucentShadows;
    link.noStencil = !state.stencilShadows;
    link.step = state.steppingPasses ? state.passStep : 0;
    link.soft = state.softShadows;
    link.lightRadius = state.lightRadius;
    link.showStencil = state.showStencil;
    return link;
}

void applyLinkState(const LinkState& link, ProgramState& state) {
    state.lightCount = link.lightCount;
    for (int i = 0; i < link.lightCount; ++i) {
        const LightPosition& at = link.lights[i];
        state.lights[i] = Light();
        state.lights[i].standsAt = {at.x, at.y, at.z, 1};
        state.lights[i].sun = at.w == 0;
    }
    state.selectedLight = link.selectedLight;
    state.teapotOffsetX = link.teapotOffset;
    state.translucentShadows = link.translucent;
    state.stencilShadows = !link.noStencil;
    state.steppingPasses = link.step != 0;
    state.passStep = link.step != 0 ? link.step : 1;
    state.softShadows = link.soft && state.softShadowsAvailable;
    state.lightRadius = link.lightRadius;
    state.showStencil = link.showStencil;
}

// ---- Numbers ----------------------------------------------------------------------------

bool readNumber(const std::string& text, float& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const float parsed = std::strtof(text.c_str(), &end);
    // ERANGE below 1 is an underflow: a denormal or 0 is still the number written.
    const bool overflow = errno == ERANGE && std::fabs(parsed) >= 1;
    if (*end != '\0' || overflow || !std::isfinite(parsed)) {
        return false;
    }
    value = parsed;
    return true;
}

bool readCoordinate(const std::string& text, float& value) {
    float parsed = 0;
    if (!readNumber(text, parsed) || std::fabs(parsed) > MAX_COORDINATE) {
        return false;
    }
    value = parsed;
    return true;
}

std::string readLight(const std::string& text, LightPosition& light) {
    const size_t first = text.find(',');
    const size_t second = first == std::string::npos ? first : text.find(',', first + 1);
    const size_t third = second == std::string::npos ? second : text.find(',', second + 1);
    LightPosition read = {0, 0, 0, 1};
    const bool readable =
        second != std::string::npos &&
        (third == std::string::npos ||
         (readNumber(text.substr(third + 1), read.w) && (read.w == 0 || read.w == 1))) &&
        readCoordinate(text.substr(0, first), read.x) &&
        readCoordinate(text.substr(first + 1, second - first - 1), read.y) &&
        readCoordinate(text.substr(second + 1, third - second - 1), read.z);
    if (!readable) {
        return "not X,Y,Z or X,Y,Z,W, each coordinate from -1e6 to 1e6 and W 0 or 1";
    }
    if (read.w == 0 && read.x == ROOM_CENTRE.x && read.y == ROOM_CENTRE.y &&
        read.z == ROOM_CENTRE.z) {
        return "the sun cannot stand at the room's centre, 0,0,-420: it would shine from no "
               "direction";
    }
    light = read;
    return "";
}

bool readSmallWhole(const std::string& text, int& value) {
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != text.npos) {
        return false;
    }
    value = std::atoi(text.c_str());
    return true;
}

namespace {

// To the bit: -0 is not 0 here, so that it too reads back as it was.
bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool readsBackAs(const char* text, float value) {
    return sameBits(std::strtof(text, nullptr), value);
}

// The shortest text that strtof reads back to exactly `value`. Between 10^-4 and 10^7 as
// decimals ("-450", "0.1"), which read better in an address than "-4.5e+02"; outside, in
// the shortest %g form. (std::to_chars would do this, but Emscripten's C++ library has no
// floating-point to_chars.)
std::string shortestText(float value) {
    char text[48];
    const float size = std::fabs(value);
    if (size == 0 || (size >= 1e-4f && size < 1e7f)) {
        for (int decimals = 0; decimals <= 20; ++decimals) {
            std::snprintf(text, sizeof text, "%.*f", decimals, double(value));
            if (readsBackAs(text, value)) {
                return text;
            }
        }
    }
    // Nine significant digits always read back to the same float.
    for (int digits = 1; digits < 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, double(value));
        if (readsBackAs(text, value)) {
            return text;
        }
    }
    std::snprintf(text, sizeof text, "%.9g", double(value));
    return text;
}

// %41 and the like, as a mail client or a browser may write ',' or '#'; a '%' without two
// hex digits after it stays as it is.
std::string decodeEscapes(const std::string& text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            decoded += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

}  // namespace

// ---- Writing and reading ------------------------------------------------------------------

std::string writeStateText(const LinkState& link) {
    const LinkState start;
    std::vector<std::string> parts;
    bool lightsAsAtStart = link.lightCount == 1;
    for (int i = 0; i < link.lightCount && lightsAsAtStart; ++i) {
        const LightPosition& at = link.lights[i];
        lightsAsAtStart = sameBits(at.x, START_LIGHT.x) && sameBits(at.y, START_LIGHT.y) &&
                          sameBits(at.z, START_LIGHT.z) && at.w == START_LIGHT.w;
    }
    if (!lightsAsAtStart) {
        for (int i = 0; i < link.lightCount; ++i) {
            const LightPosition& at = link.lights[i];
            parts.push_back("light=" + shortestText(at.x) + "," + shortestText(at.y) + "," +
                            shortestText(at.z) + (at.w == 0 ? ",0" : ""));
        }
    }
    // The last light is selected unless the text says otherwise.
    if (link.selectedLight != link.lightCount - 1) {
        parts.push_back("select=" + std::to_string(link.selectedLight + 1));
    }
    if (!sameBits(link.teapotOffset, start.teapotOffset)) {
        parts.push_back("teapot-offset=" + shortestText(link.teapotOffset));
    }
    if (link.translucent) {
        parts.push_back("translucent");
    }
    if (link.noStencil) {
        parts.push_back("no-stencil");
    }
    if (link.step != 0) {
        parts.push_back("step=" + std::to_string(link.step));
    }
    if (link.soft) {
        parts.push_back("soft");
    }
    if (!sameBits(link.lightRadius, start.lightRadius)) {
        parts.push_back("light-radius=" + shortestText(link.lightRadius));
    }
    if (link.showStencil) {
        parts.push_back("show-stencil");
    }
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : "&") + part;
    }
    return text;
}

std::vector<std::string> readStateText(const std::string& text, LinkState& link) {
    std::vector<std::string> unread;
    const auto refuse = [&unread](const std::string& part, const std::string& why) {
        unread.push_back("'" + part + "': " + why);
    };
    bool lightsGiven = false;
    std::string selectPart;
    std::string stepPart;
    LinkState read = link;
    size_t start = !text.empty() && text[0] == '#' ? 1 : 0;
    while (start <= text.size()) {
        size_t end = text.find('&', start);
        end = end == std::string::npos ? text.size() : end;
        const std::string part = decodeEscapes(text.substr(start, end - start));
        start = end + 1;
        const size_t equals = part.find('=');
        const std::string key = part.substr(0, equals);
        const bool hasValue = equals != std::string::npos;
        const std::string value = hasValue ? part.substr(equals + 1) : "";
        const bool flag = key == "translucent" || key == "no-stencil" || key == "soft" ||
                          key == "show-stencil" || key == "embed";
        if (part.empty() || key == "embed") {
            continue;
        }
        if (flag && hasValue) {
            refuse(part, key + " takes no value");
        } else if (flag) {
            read.translucent = read.translucent || key == "translucent";
            read.noStencil = read.noStencil || key == "no-stencil";
            read.soft = read.soft || key == "soft";
            read.showStencil = read.showStencil || key == "show-stencil";
        } else if (key == "light") {
            LightPosition light = {};
            const std::string why = readLight(value, light);
            if (!why.empty()) {
                refuse(part, why);
            } else if (lightsGiven && read.lightCount == MAX_LIGHTS) {
                refuse(part, "at most four lights");
            } else {
                read.lightCount = lightsGiven ? read.lightCount + 1 : 1;
                read.lights[read.lightCount - 1] = light;
                read.selectedLight = read.lightCount - 1;
                lightsGiven = true;
            }
        } else if (key == "teapot-offset") {
            if (!readCoordinate(value, read.teapotOffset)) {
                refuse(part, "not a number from -1e6 to 1e6");
            }
        } else if (key == "light-radius") {
            float radius = 0;
            if (readNumber(value, radius) && radius >= 0 && radius <= MAX_LIGHT_RADIUS) {
                read.lightRadius = radius;
            } else {
                refuse(part, "not a number from 0 to 20");
            }
        } else if (key == "select" || key == "step") {
            // Checked once the lights and the stencil switch are known, whatever their order.
            (key == "select" ? selectPart : stepPart) = part;
        } else {
            refuse(part, "no such setting");
        }
    }
    int number = 0;
    if (!selectPart.empty()) {
        const std::string value = selectPart.substr(selectPart.find('=') + 1);
        if (readSmallWhole(value, number) && number >= 1 && number <= read.lightCount) {
            read.selectedLight = number - 1;
        } else {
            refuse(selectPart, "the lights go from 1 to " + std::to_string(read.lightCount));
        }
    }
    if (!stepPart.empty()) {
        const std::string value = stepPart.substr(stepPart.find('=') + 1);
        const int last = passStepCount(!read.noStencil, read.lightCount);
        if (readSmallWhole(value, number) && number >= 1 && number <= last) {
            read.step = number;
        } else {
            refuse(stepPart, "the steps go from 1 to " + std::to_string(last));
        }
    }
    link = read;
    return unread;
}

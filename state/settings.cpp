#include "state/settings.h"

#include <algorithm>
#include <bitset>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "state/number_text.h"
#include "state/shadow_pass.h"

namespace {

// How many lights "at most" allows, as a sentence says it.
const char* const NUMBER_WORDS[] = {"no", "one", "two", "three", "four"};
static_assert(MAX_LIGHTS < int(std::size(NUMBER_WORDS)), "a word for every number of lights");

std::string sayRange(float least, float most) {
    return "from " + sayNumber(least) + " to " + sayNumber(most);
}

std::string sayPoint(const LightPosition& at) {
    return sayNumber(at.x) + "," + sayNumber(at.y) + "," + sayNumber(at.z);
}

Setting lightSetting(const char* help) {
    Setting setting = {"light", SettingKind::LIGHT, "X,Y,Z[,W]", help};
    setting.least = -MAX_COORDINATE;
    setting.most = MAX_COORDINATE;
    return setting;
}

Setting switchSetting(const char* key, bool LinkState::*flag, bool ProgramState::*programFlag,
                      ProgramSwitch programSwitch, const char* help) {
    Setting setting = {key, SettingKind::SWITCH, "", help};
    setting.flag = flag;
    setting.programFlag = programFlag;
    setting.programSwitch = programSwitch;
    return setting;
}

Setting numberSetting(const char* key, const char* valueName, float LinkState::*number,
                      float ProgramState::*programNumber, float least, float most,
                      const char* help) {
    Setting setting = {key, SettingKind::NUMBER, valueName, help};
    setting.number = number;
    setting.programNumber = programNumber;
    setting.least = least;
    setting.most = most;
    return setting;
}

Setting wholeSetting(const char* key, const char* valueName, int LinkState::*whole,
                     int ProgramState::*programWhole, int least, int most, const char* help) {
    Setting setting = {key, SettingKind::WHOLE, valueName, help};
    setting.whole = whole;
    setting.programWhole = programWhole;
    setting.least = static_cast<float>(least);
    setting.most = static_cast<float>(most);
    return setting;
}

Setting countSetting(const char* key, int (*count)(const LinkState&),
                     void (*setCount)(LinkState&, int), int (*lastCount)(const LinkState&),
                     std::string (*countRange)(const LinkState&), const char* help) {
    Setting setting = {key, SettingKind::COUNT, "N", help};
    setting.count = count;
    setting.setCount = setCount;
    setting.lastCount = lastCount;
    setting.countRange = countRange;
    return setting;
}

Setting valueSetting(const char* key, const char* valueName, const char* help,
                     const char* example) {
    Setting setting = {key, SettingKind::VALUE, valueName, help};
    setting.example = example;
    return setting;
}

// The room's faces as a link names them, by Receiver; the board is a setting of its own.
constexpr const char* FACE_NAMES[] = {"floor", "left-wall", "back-wall", "right-wall", "ceiling"};
constexpr unsigned ROOM_FACES = (1u << std::size(FACE_NAMES)) - 1;

std::string faceNames() {
    std::string names;
    for (const char* name : FACE_NAMES) {
        names += (names.empty() ? "" : ", ") + std::string(name);
    }
    return names;
}

Setting receiversSetting() {
    Setting setting = valueSetting(
        "receivers", "LIST",
        "the room's faces that take shadows, any of {faces} in any order, separated by "
        "commas (default floor,left-wall), such as {example}",
        "floor,left-wall,back-wall");
    setting.write = [](const LinkState& link) {
        std::string text;
        for (size_t face = 0; face < std::size(FACE_NAMES) && link.receivers != DEFAULT_RECEIVERS;
             ++face) {
            if ((link.receivers & (1u << face)) != 0) {
                text += (text.empty() ? "" : ",") + std::string(FACE_NAMES[face]);
            }
        }
        return text;
    };
    setting.read = [](const std::string& text, LinkState& link) {
        if (text.empty()) {
            return std::string("no receiver named: give one or more of ") + faceNames();
        }
        unsigned receivers = 0;
        for (size_t start = 0; start <= text.size();) {
            const size_t end = std::min(text.find(',', start), text.size());
            const std::string name = text.substr(start, end - start);
            start = end + 1;
            size_t face = 0;
            while (face < std::size(FACE_NAMES) && name != FACE_NAMES[face]) {
                ++face;
            }
            if (face == std::size(FACE_NAMES)) {
                return "names something that is no receiver: the receivers are " + faceNames();
            }
            receivers |= 1u << face;
        }
        link.receivers = receivers;
        return std::string();
    };
    setting.same = [](const LinkState& a, const LinkState& b) {
        return a.receivers == b.receivers;
    };
    setting.fromProgram = [](const ProgramState& state, LinkState& link) {
        link.receivers = state.receivers & ROOM_FACES;
    };
    setting.toProgram = [](const LinkState& link, ProgramState& state) {
        state.receivers = link.receivers;
    };
    return setting;
}

Setting boardSetting() {
    Setting setting =
        valueSetting("board", "X,Z,ANGLE",
                     "the board, 80 wide and 60 high, the middle of its lower edge on the floor "
                     "at X,Z, tilted back by ANGLE degrees from upright, {tilts}; every corner "
                     "within the room (none by default), such as {example}",
                     "-20,-460,30");
    setting.write = [](const LinkState& link) {
        const BoardPlace& at = link.boardPlace;
        return link.board ? sayNumber(at.x) + "," + sayNumber(at.z) + "," + sayNumber(at.tilt)
                          : std::string();
    };
    setting.read = [](const std::string& text, LinkState& link) {
        const size_t first = text.find(',');
        const size_t second = first == std::string::npos ? first : text.find(',', first + 1);
        BoardPlace at = {};
        if (second == std::string::npos || !readNumber(text.substr(0, first), at.x) ||
            !readNumber(text.substr(first + 1, second - first - 1), at.z) ||
            !readNumber(text.substr(second + 1), at.tilt)) {
            return std::string("not X,Z,ANGLE, three numbers");
        }
        if (std::fabs(at.tilt) > BOARD_MOST_TILT) {
            return "the board's tilt goes " + sayRange(-BOARD_MOST_TILT, BOARD_MOST_TILT);
        }
        if (!boardFits(at)) {
            return std::string("a corner of the board would stand outside the room");
        }
        link.board = true;
        link.boardPlace = at;
        return std::string();
    };
    setting.same = [](const LinkState& a, const LinkState& b) {
        const BoardPlace& p = a.boardPlace;
        const BoardPlace& q = b.boardPlace;
        return a.board == b.board && (!a.board || (p.x == q.x && p.z == q.z && p.tilt == q.tilt));
    };
    setting.fromProgram = [](const ProgramState& state, LinkState& link) {
        link.board = state.boardShown;
        link.boardPlace = state.board;
    };
    setting.toProgram = [](const LinkState& link, ProgramState& state) {
        state.boardShown = link.board;
        state.board = link.board ? link.boardPlace : BOARD_START;
    };
    return setting;
}

Setting variantSetting() {
    Setting setting = valueSetting(
        "variant", "NAME",
        "a variant of the pass, one choice in it made wrong to show what that choice is for, "
        "such as {example}; --variant list prints each name with what goes wrong",
        "darken-with-less");
    setting.write = [](const LinkState& link) {
        return link.variant == Variant::None ? std::string()
                                             : std::string(variantInfo(link.variant).name);
    };
    setting.read = [](const std::string& text, LinkState& link) {
        const VariantInfo* info = findVariant(text);
        if (info == nullptr) {
            return std::string(
                "no variant of the pass has that name: the menu, or the snapshot tool's --variant "
                "list, names them");
        }
        link.variant = info->variant;
        return std::string();
    };
    setting.same = [](const LinkState& a, const LinkState& b) { return a.variant == b.variant; };
    setting.fromProgram = [](const ProgramState& state, LinkState& link) {
        link.variant = state.variant;
    };
    setting.toProgram = [](const LinkState& link, ProgramState& state) {
        state.variant = link.variant;
    };
    return setting;
}

Setting pathSetting() {
    Setting setting = valueSetting(
        "path", "TEXT",
        "the selected light's positions, ten a second, up to {path-most} (20 s), each "
        "coordinate to a sixteenth of a unit, as Record keeps them: deltas in base64url, "
        "such as {example} (from -40,80,-450 a unit right, then two)",
        "_nBgwC_hOgBAAgCAA");
    setting.readLast = true;
    setting.write = [](const LinkState& link) { return writePathText(link.path); };
    setting.read = [](const std::string& text, LinkState& link) {
        std::vector<Point3> path;
        const std::string why = readPathText(text, path);
        if (!why.empty()) {
            return why;
        }
        if (link.lights[link.selectedLight].w == 0 &&
            !sunCanFollow(path.data(), path.data() + path.size())) {
            return "the path takes the sun to the room's centre, " + sayPoint(ROOM_CENTRE) +
                   ", where it would shine from no direction";
        }
        link.path = path;
        return std::string();
    };
    setting.same = [](const LinkState& a, const LinkState& b) {
        return a.path.size() == b.path.size() &&
               std::equal(a.path.begin(), a.path.end(), b.path.begin(),
                          [](const Point3& p, const Point3& q) {
                              return p.x == q.x && p.y == q.y && p.z == q.z;
                          });
    };
    setting.fromProgram = [](const ProgramState& state, LinkState& link) {
        link.path.assign(state.path.at, state.path.at + state.path.length);
    };
    setting.toProgram = [](const LinkState& link, ProgramState& state) {
        state.path.length = static_cast<int>(link.path.size());
        std::copy(link.path.begin(), link.path.end(), state.path.at);
    };
    return setting;
}

std::vector<Setting> makeSettings() {
    return {
        lightSetting("a light where it stands in eye space, each coordinate {range}; up to "
                     "{lights} times, each adding a light in the program's order of colours, "
                     "the last one selected (default one light at {default}); W 1 (the "
                     "default) a point light, W 0 the sun: it shines from the room's centre "
                     "{room-centre} towards where it stands, so it cannot stand there"),
        // The last light is selected unless the text says otherwise.
        countSetting(
            "select",
            [](const LinkState& link) {
                return link.selectedLight == link.lightCount - 1 ? 0 : link.selectedLight + 1;
            },
            [](LinkState& link, int number) { link.selectedLight = number - 1; },
            [](const LinkState& link) { return link.lightCount; },
            [](const LinkState& link) {
                return "the lights go from 1 to " + std::to_string(link.lightCount);
            },
            "the light selected, whose marker is ringed (default the last one)"),
        numberSetting("teapot-offset", "DX", &LinkState::teapotOffset, &ProgramState::teapotOffsetX,
                      -MAX_COORDINATE, MAX_COORDINATE,
                      "teapot's sideways offset, {range} (default {default})"),
        switchSetting("translucent", &LinkState::translucent, &ProgramState::translucentShadows,
                      ProgramSwitch::SAME,
                      "shadows halve their receiver's colour instead of blacking it"),
        switchSetting("no-stencil", &LinkState::noStencil, &ProgramState::stencilShadows,
                      ProgramSwitch::OPPOSITE,
                      "shadows drawn straight over their receiver, without the stencil"),
        countSetting(
            "step", [](const LinkState& link) { return link.step; },
            [](LinkState& link, int number) { link.step = number; },
            [](const LinkState& link) {
                return passStepCount(linkStencilled(link), link.lightCount, linkReceivers(link));
            },
            [](const LinkState& link) {
                const size_t receivers = std::bitset<RECEIVER_COUNT>(linkReceivers(link)).count();
                return "the steps go from 1 to " +
                       std::to_string(passStepCount(linkStencilled(link), link.lightCount,
                                                    linkReceivers(link))) +
                       (!linkStencilled(link) ? " without the stencil" : "") +
                       (link.lightCount > 1 ? " with " + std::to_string(link.lightCount) + " lights"
                                            : "") +
                       (linkReceivers(link) != DEFAULT_RECEIVERS
                            ? " on " + std::to_string(receivers) + " receivers"
                            : "");
            },
            "the shadow view only up to step N of its drawing, with the stencil's marks and "
            "the flattened casters shown, as the program's stepping mode does; prints the "
            "step's caption, then its GL state"),
        switchSetting("soft", &LinkState::soft, &ProgramState::softShadows, ProgramSwitch::SAME,
                      "soft shadows from a light with a size, fully refined"),
        numberSetting("light-radius", "R", &LinkState::lightRadius, &ProgramState::lightRadius, 0,
                      MAX_LIGHT_RADIUS,
                      "the light's radius with --soft, {range} (default {default})"),
        wholeSetting("samples", "N", &LinkState::samples, &ProgramState::restingLightSamples, 1,
                     MAX_LIGHT_SAMPLES,
                     "how many points of the light --soft's picture at rest averages, {range} "
                     "(default {default})"),
        switchSetting("show-stencil", &LinkState::showStencil, &ProgramState::showStencil,
                      ProgramSwitch::SAME,
                      "the stencil's values in false colour instead of the frame, as the "
                      "program's stencil view shows them; prints its legend"),
        receiversSetting(),
        boardSetting(),
        variantSetting(),
        pathSetting(),
    };
}

bool sameLights(const LinkState& a, const LinkState& b) {
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
    return true;
}

}  // namespace

unsigned linkReceivers(const LinkState& link) {
    return link.receivers | (link.board ? receiverBit(Receiver::Board) : 0);
}

bool linkStencilled(const LinkState& link) {
    return !link.noStencil && link.variant != Variant::PolygonOffset;
}

const std::vector<Setting>& settings() {
    static const std::vector<Setting> table = makeSettings();
    return table;
}

const Setting* findSetting(const std::string& key) {
    for (const Setting& setting : settings()) {
        if (key == setting.key) {
            return &setting;
        }
    }
    return nullptr;
}

bool operator==(const LinkState& a, const LinkState& b) {
    for (const Setting& setting : settings()) {
        switch (setting.kind) {
            case SettingKind::LIGHT:
                if (!sameLights(a, b)) {
                    return false;
                }
                break;
            case SettingKind::SWITCH:
                if (a.*setting.flag != b.*setting.flag) {
                    return false;
                }
                break;
            case SettingKind::NUMBER:
                if (a.*setting.number != b.*setting.number) {
                    return false;
                }
                break;
            case SettingKind::COUNT:
                if (setting.count(a) != setting.count(b)) {
                    return false;
                }
                break;
            case SettingKind::VALUE:
                if (!setting.same(a, b)) {
                    return false;
                }
                break;
            case SettingKind::WHOLE:
                if (a.*setting.whole != b.*setting.whole) {
                    return false;
                }
                break;
        }
    }
    return true;
}

LinkState linkStateOf(const ProgramState& state) {
    LinkState link;
    link.lightCount = state.lightCount;
    for (int i = 0; i < state.lightCount; ++i) {
        const LightPosition& at = state.lights[i].standsAt;
        link.lights[i] = {at.x, at.y, at.z, state.lights[i].sun ? 0.0f : 1.0f};
    }
    link.selectedLight = state.selectedLight;
    link.step = state.steppingPasses ? state.passStep : 0;
    for (const Setting& setting : settings()) {
        if (setting.kind == SettingKind::SWITCH) {
            link.*setting.flag =
                state.*setting.programFlag != (setting.programSwitch == ProgramSwitch::OPPOSITE);
        } else if (setting.kind == SettingKind::NUMBER) {
            link.*setting.number = state.*setting.programNumber;
        } else if (setting.kind == SettingKind::VALUE) {
            setting.fromProgram(state, link);
        } else if (setting.kind == SettingKind::WHOLE) {
            link.*setting.whole = state.*setting.programWhole;
        }
    }
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
    state.steppingPasses = link.step != 0;
    state.passStep = link.step != 0 ? link.step : 1;
    for (const Setting& setting : settings()) {
        if (setting.kind == SettingKind::SWITCH) {
            state.*setting.programFlag =
                link.*setting.flag != (setting.programSwitch == ProgramSwitch::OPPOSITE);
        } else if (setting.kind == SettingKind::NUMBER) {
            state.*setting.programNumber = link.*setting.number;
        } else if (setting.kind == SettingKind::VALUE) {
            setting.toProgram(link, state);
        } else if (setting.kind == SettingKind::WHOLE) {
            state.*setting.programWhole = link.*setting.whole;
        }
    }
    state.softShadows = state.softShadows && state.softShadowsAvailable;
}

std::string readSetting(const Setting& setting, const std::string* value, LinkState& link,
                        bool& lightsGiven) {
    const std::string text = value != nullptr ? *value : "";
    switch (setting.kind) {
        case SettingKind::SWITCH:
            if (value != nullptr) {
                return std::string(setting.key) + " takes no value";
            }
            link.*setting.flag = true;
            return "";
        case SettingKind::NUMBER: {
            float number = 0;
            if (!readNumber(text, number) || number < setting.least || number > setting.most) {
                return "not a number " + sayRange(setting.least, setting.most);
            }
            link.*setting.number = number;
            return "";
        }
        case SettingKind::LIGHT: {
            LightPosition light = {};
            const std::string why = readLight(text, light);
            if (!why.empty()) {
                return why;
            }
            if (lightsGiven && link.lightCount == MAX_LIGHTS) {
                return std::string("at most ") + NUMBER_WORDS[MAX_LIGHTS] + " lights";
            }
            link.lightCount = lightsGiven ? link.lightCount + 1 : 1;
            link.lights[link.lightCount - 1] = light;
            link.selectedLight = link.lightCount - 1;
            lightsGiven = true;
            return "";
        }
        case SettingKind::WHOLE: {
            // Digits alone, and few enough that any in range fit.
            const int number = text.size() <= 9 && text.find_first_not_of("0123456789") == text.npos
                                   ? std::atoi(text.c_str())
                                   : -1;
            if (text.empty() || number < setting.least || number > setting.most) {
                return "not a whole number " + sayRange(setting.least, setting.most);
            }
            link.*setting.whole = number;
            return "";
        }
        case SettingKind::COUNT: {
            int number = 0;
            if (!readSmallWhole(text, number) || number < 1) {
                return "not a whole number from 1 to " + std::string(SMALL_WHOLE_DIGITS, '9');
            }
            setting.setCount(link, number);
            return "";
        }
        case SettingKind::VALUE:
            return setting.read(text, link);
    }
    return "";
}

std::string countOutOfRange(const Setting& setting, const LinkState& link) {
    return setting.count(link) > setting.lastCount(link) ? setting.countRange(link) : "";
}

std::string settingHelp(const Setting& setting) {
    std::string help = setting.help;
    help = fillIn(help, "{range}", sayRange(setting.least, setting.most));
    if (setting.kind == SettingKind::NUMBER) {
        help = fillIn(help, "{default}", sayNumber(LinkState().*setting.number));
    } else if (setting.kind == SettingKind::WHOLE) {
        help = fillIn(help, "{default}", std::to_string(LinkState().*setting.whole));
    } else if (setting.kind == SettingKind::LIGHT) {
        help = fillIn(help, "{default}", sayPoint(LinkState().lights[0]));
    }
    help = fillIn(help, "{lights}", NUMBER_WORDS[MAX_LIGHTS]);
    help = fillIn(help, "{faces}", faceNames());
    help = fillIn(help, "{tilts}", sayRange(-BOARD_MOST_TILT, BOARD_MOST_TILT));
    help = fillIn(help, "{path-most}", std::to_string(MAX_PATH_POSITIONS));
    if (setting.kind == SettingKind::VALUE) {
        help = fillIn(help, "{example}", setting.example);
    }
    return fillIn(help, "{room-centre}", sayPoint(ROOM_CENTRE));
}

std::string fillIn(std::string text, const std::string& placeholder, const std::string& by) {
    for (size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + by.size())) {
        text.replace(at, placeholder.size(), by);
    }
    return text;
}

namespace {

// The first of `write`'s texts, with 0, 1, 2... as its precision, that reads back as `value`.
std::string firstReadingBack(std::string (*write)(float, int), float value) {
    std::string text;
    for (int precision = 0; precision <= 9; ++precision) {
        text = write(value, precision);
        if (readFloat(text).value == value) {
            break;
        }
    }
    return text;
}

}  // namespace

std::string sayNumber(float value) {
    // The shorter of the plainest decimals ("-420", "0.5") and the fewest significant digits
    // with a power of ten, "1e+06" said as "1e6".
    const std::string plain = firstReadingBack(fixedText, value);
    std::string power = firstReadingBack(exponentialText, value);
    const size_t e = power.find('e');
    const size_t digits = power.find_first_not_of("+-0", e + 1);
    power = power.substr(0, e + 1) + (power[e + 1] == '-' ? "-" : "") +
            (digits == std::string::npos ? "0" : power.substr(digits));
    return readFloat(plain).value == value && plain.size() <= power.size() ? plain : power;
}

// ---- Numbers ----------------------------------------------------------------------------

bool readNumber(const std::string& text, float& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) {
        return false;
    }
    // Below the smallest float a number reads as 0 or a denormal, still the number written.
    const ReadFloat read = readFloat(text);
    if (read.read != text.size() || read.outOfRange) {
        return false;
    }
    value = read.value;
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
        return "not X,Y,Z or X,Y,Z,W, each coordinate " +
               sayRange(-MAX_COORDINATE, MAX_COORDINATE) + " and W 0 or 1";
    }
    if (read.w == 0 && !canBeTheSun(read)) {
        return "the sun cannot stand at the room's centre, " + sayPoint(ROOM_CENTRE) +
               ": it would shine from no direction";
    }
    light = read;
    return "";
}

bool readSmallWhole(const std::string& text, int& value) {
    if (text.empty() || text.size() > size_t(SMALL_WHOLE_DIGITS) ||
        text.find_first_not_of("0123456789") != text.npos) {
        return false;
    }
    value = std::atoi(text.c_str());
    return true;
}

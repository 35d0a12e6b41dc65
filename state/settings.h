// The settings a link to a picture holds, in one table: each one's key, what kind of value
// it takes, its range and default, and the line that explains it. The state text
// (state/state_text.h) and the snapshot tool's options are both read and written from it,
// so a setting is added here once. No GL.
#pragma once

#include <string>
#include <vector>

#include "shadow/room.h"
#include "state/light_path.h"
#include "state/program_state.h"

// The farthest a light coordinate or the teapot's offset may be from 0. At 10^6, 5,000
// times the room's width, the light's direction changes by less than 0.03° across the
// room, so farther lights look the same; and the largest value the shadow matrices give a
// vertex stays near 10^24, far inside a float's 3·10^38. At 10^38 the matrices overflow
// and the shadows are lost.
constexpr float MAX_COORDINATE = 1e6f;
// The radius '+' and '-' reach.
constexpr float MAX_LIGHT_RADIUS = 20.0f;
// A step or a light is given by its number in up to this many digits; the ranges that
// matter are far smaller, and are checked once the whole state is known.
constexpr int SMALL_WHOLE_DIGITS = 3;

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
    // The room's faces that take shadows (receiverBit), and the board, where it is shown.
    unsigned receivers = DEFAULT_RECEIVERS;
    bool board = false;
    BoardPlace boardPlace = BOARD_START;
    // How many points of the light the soft picture at rest is averaged from.
    int samples = DEFAULT_RESTING_SAMPLES;
    // A variant of the pass, one choice in it made wrong (state/variants.h).
    Variant variant = Variant::None;
    // The selected light's recorded positions (state/light_path.h), on the path's grid, for
    // an animation; none for a still picture.
    std::vector<Point3> path;
};

// Whether a link's frame confines its shadows with the stencil, as stencilled() says for
// the program.
bool linkStencilled(const LinkState& link);

// The receivers a link's frame has: its room faces, and the board where it is shown.
unsigned linkReceivers(const LinkState& link);

bool operator==(const LinkState& a, const LinkState& b);

LinkState linkStateOf(const ProgramState& state);

// Sets the program's lights, teapot and switches to `link`'s; the shadow matrices follow
// with updateShadowMatrices(). Soft shadows stay off where the stencil cannot count them.
void applyLinkState(const LinkState& link, ProgramState& state);

enum class SettingKind {
    // On when named, off when not; no value.
    SWITCH,
    // A number from `least` to `most`.
    NUMBER,
    // The lights, one X,Y,Z[,W] each: the first one given replaces the list, each one after
    // it adds a light, and the last one is selected.
    LIGHT,
    // A whole number from 1 to a last one that depends on the rest of the state, such as
    // the number of lights: checked only once everything has been read.
    COUNT,
    // A value of a form of its own, such as a list of names, which the setting's own
    // functions read, write, compare and carry to and from the program.
    VALUE,
    // A whole number from `least` to `most`, which nothing else bounds.
    WHOLE,
};

// How the program holds a switch: as the link does, or as its opposite ("no-stencil" is
// the program's stencilShadows turned off).
enum class ProgramSwitch { SAME, OPPOSITE };

struct Setting {
    // As the state text writes it, and the snapshot tool's option with "--" before it.
    const char* key;
    SettingKind kind;
    // How --help names the value ("R", "X,Y,Z[,W]"); "" for a switch.
    const char* valueName;
    // The line that explains it. "{range}" and "{default}" stand for the setting's own;
    // "{lights}" and "{room-centre}" for those of the room, "{example}" for a VALUE's example.
    const char* help;

    // SWITCH
    bool LinkState::*flag = nullptr;
    bool ProgramState::*programFlag = nullptr;
    ProgramSwitch programSwitch = ProgramSwitch::SAME;

    // NUMBER; `least` and `most` also bound each coordinate of a LIGHT.
    float LinkState::*number = nullptr;
    float ProgramState::*programNumber = nullptr;
    float least = 0;
    float most = 0;

    // WHOLE; bounded by `least` and `most`.
    int LinkState::*whole = nullptr;
    int ProgramState::*programWhole = nullptr;

    // COUNT. The number the state text writes, or 0 where it leaves the setting out.
    int (*count)(const LinkState& link) = nullptr;
    void (*setCount)(LinkState& link, int number) = nullptr;
    int (*lastCount)(const LinkState& link) = nullptr;
    // What the range is, as a refusal says it: "the steps go from 1 to 7".
    std::string (*countRange)(const LinkState& link) = nullptr;

    // VALUE. Its text, or "" where it is as at the start and the state text leaves it out.
    std::string (*write)(const LinkState& link) = nullptr;
    // Reads `text` into `link`: "" when it reads, else why not, and `link` is left as it was.
    std::string (*read)(const std::string& text, LinkState& link) = nullptr;
    bool (*same)(const LinkState& a, const LinkState& b) = nullptr;
    void (*fromProgram)(const ProgramState& state, LinkState& link) = nullptr;
    void (*toProgram)(const LinkState& link, ProgramState& state) = nullptr;
    // A value that reads and differs from the start's, as the help shows it.
    const char* example = nullptr;
    // Read once the rest of the state is, as a COUNT is: `read` then checks it against the
    // rest, such as a path against whether the selected light is the sun.
    bool readLast = false;
};

// Every setting, in the order the state text writes them.
const std::vector<Setting>& settings();

// The setting of that key, or nullptr.
const Setting* findSetting(const std::string& key);

// Reads one setting's value into `link`: "" when it reads, else why not, and `link` is left
// as it was. `value` is nullptr where none is given. `lightsGiven` says whether a light has
// been read already, since the first one replaces the list. A COUNT is checked here only
// for its form; countOutOfRange() checks it against the rest of the state.
std::string readSetting(const Setting& setting, const std::string* value, LinkState& link,
                        bool& lightsGiven);

// Why a COUNT setting's number in `link` is beyond the last one the rest of `link` allows,
// or "" when it is not.
std::string countOutOfRange(const Setting& setting, const LinkState& link);

// The setting's help with its placeholders filled in.
std::string settingHelp(const Setting& setting);

// A limit or a default as the messages and the help say it: "1e6", "20", "-420".
std::string sayNumber(float value);

// `text` with every `placeholder` in it replaced by `by`.
std::string fillIn(std::string text, const std::string& placeholder, const std::string& by);

// The checks the snapshot tool's own options share with the settings.
// A whole finite number and nothing else.
bool readNumber(const std::string& text, float& value);
// A number no farther from 0 than MAX_COORDINATE.
bool readCoordinate(const std::string& text, float& value);
// X,Y,Z or X,Y,Z,W with W 0 or 1 (1 when left out); the sun (W 0) never at the room's
// centre. "" when it reads, else why not.
std::string readLight(const std::string& text, LightPosition& light);
// Up to SMALL_WHOLE_DIGITS digits, for a step or a light's number.
bool readSmallWhole(const std::string& text, int& value);

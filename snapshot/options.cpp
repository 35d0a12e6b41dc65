#include "snapshot/options.h"

#include <cstdlib>
#include <cstring>

namespace {

// --help's columns: each option with its value, then what it sets from this column on,
// its words wrapped to fit the width (the widest the usage had when it was written by hand).
constexpr size_t HELP_COLUMN = 23;
constexpr size_t USAGE_WIDTH = 86;

bool readSide(const std::string& text, int& side) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        text.size() > 5) {
        return false;
    }
    side = std::atoi(text.c_str());
    return side >= 1 && side <= MAX_SNAPSHOT_SIDE;
}

// A pixel's place as two whole numbers, each as a picture's side is written; whether it
// lies in the picture is checked once the size is known.
bool readPixel(const std::string& text, int& x, int& y) {
    const size_t comma = text.find(',');
    const auto read = [](const std::string& digits, int& value) {
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos ||
            digits.size() > 5) {
            return false;
        }
        value = std::atoi(digits.c_str());
        return true;
    };
    return comma != std::string::npos && read(text.substr(0, comma), x) &&
           read(text.substr(comma + 1), y);
}

bool readSize(const std::string& text, int& width, int& height) {
    const size_t x = text.find('x');
    return x != std::string::npos && readSide(text.substr(0, x), width) &&
           readSide(text.substr(x + 1), height);
}

// The tool's own options, which are no part of a link's state.
struct ToolOption {
    const char* name;
    // How --help names the value; "" for none.
    const char* valueName;
    // "{most}" stands for MAX_SNAPSHOT_SIDE, "{points}" for MAX_LIGHT_SAMPLES.
    const char* help;
    // The link setting --help lists it after; nullptr for after them all.
    const char* after;
    // Sets the option from its value, false when that does not read; nullptr for the ones
    // that change how the options are read.
    bool (*read)(const std::string& value, SnapshotOptions& options);
};

const ToolOption TOOL_OPTIONS[] = {
    {"--tint", "T", "tint level of teapot red and sphere blue (default 0)", "teapot-offset",
     [](const std::string& value, SnapshotOptions& options) {
         options.tintGiven = true;
         return readNumber(value, options.tint);
     }},
    {"--view", "shadow|plain", "which view to draw (default shadow)", "teapot-offset",
     [](const std::string& value, SnapshotOptions& options) {
         options.plainView = value == "plain";
         return value == "shadow" || value == "plain";
     }},
    {"--reference", "N",
     "writes, in place of the picture, its difference from the same state drawn from N "
     "points of the light, 1 to {points}, in false colour with a legend; prints the mean, "
     "the 99th percentile and the largest difference over the reference's penumbra",
     "samples",
     [](const std::string& value, SnapshotOptions& options) {
         const bool digits = !value.empty() && value.size() <= 4 &&
                             value.find_first_not_of("0123456789") == std::string::npos;
         options.reference = digits ? std::atoi(value.c_str()) : 0;
         return options.reference >= 1 && options.reference <= MAX_LIGHT_SAMPLES;
     }},
    {"--pixel", "X,Y",
     "prints the history of the picture's pixel X,Y (from the top left) through the "
     "drawing, one line per step; -o is then optional",
     nullptr,
     [](const std::string& value, SnapshotOptions& options) {
         return readPixel(value, options.pixelX, options.pixelY);
     }},
    {"--state", "TEXT",
     "the state a link to the web page holds after its '#', such as "
     "light=-40,80,-450&step=3 (the keys are these options' names, the switches without a "
     "value); sets what it names and the resting tint, later options win, and --light "
     "replaces its lights",
     nullptr, nullptr},
    {"--size", "WxH",
     "picture size, 1 to {most} each way; the scene stretches as the window's would "
     "(default 512x512)",
     nullptr,
     [](const std::string& value, SnapshotOptions& options) {
         return readSize(value, options.width, options.height);
     }},
    {"-o", "FILE", "where to write the PNG (required)", nullptr,
     [](const std::string& value, SnapshotOptions& options) {
         options.output = value;
         return !value.empty();
     }},
    {"--gallery", "DIR",
     "draws each entry of the gallery of the pass's faults and limits twice, wrong and right, "
     "as DIR/NAME-wrong.png and DIR/NAME-right.png, making DIR; -o is then not needed",
     nullptr,
     [](const std::string& value, SnapshotOptions& options) {
         options.galleryDir = value;
         return !value.empty();
     }},
    {"--animate", "FILE",
     "writes an animated GIF to FILE, 10 frames a second, looping: the picture once for each "
     "position of --path (or a --state's path), the selected light standing there; -o is "
     "then not needed",
     "path",
     [](const std::string& value, SnapshotOptions& options) {
         options.animation = value;
         return !value.empty();
     }},
    {"--help", "", "this text", nullptr, nullptr},
    {"--version", "", "the tool's version", nullptr, nullptr},
};

const ToolOption* findToolOption(const std::string& name) {
    for (const ToolOption& option : TOOL_OPTIONS) {
        if (name == option.name) {
            return &option;
        }
    }
    return nullptr;
}

std::string usageEntry(const std::string& name, const std::string& valueName,
                       const std::string& help) {
    std::string entry = "  " + name + (valueName.empty() ? "" : " " + valueName);
    entry += std::string(entry.size() < HELP_COLUMN ? HELP_COLUMN - entry.size() : 1, ' ');
    size_t lineStart = 0;
    bool firstWord = true;
    for (size_t at = 0; at < help.size();) {
        size_t end = help.find(' ', at);
        end = end == std::string::npos ? help.size() : end;
        const std::string word = help.substr(at, end - at);
        at = end + 1;
        if (!firstWord && entry.size() - lineStart + 1 + word.size() > USAGE_WIDTH) {
            entry += "\n";
            lineStart = entry.size();
            entry += std::string(HELP_COLUMN, ' ');
        } else if (!firstWord) {
            entry += ' ';
        }
        entry += word;
        firstWord = false;
    }
    return entry + "\n";
}

}  // namespace

std::string snapshotUsage() {
    std::string usage =
        "usage: planar-shadows-snapshot -o FILE [options]\n"
        "Renders one frame of planar-shadows offscreen and writes it as a PNG.\n";
    const auto addOwn = [&usage](const char* after) {
        for (const ToolOption& own : TOOL_OPTIONS) {
            if (after == nullptr ? own.after == nullptr
                                 : own.after != nullptr && std::strcmp(own.after, after) == 0) {
                const std::string help =
                    fillIn(own.help, "{most}", std::to_string(MAX_SNAPSHOT_SIDE));
                usage += usageEntry(own.name, own.valueName,
                                    fillIn(help, "{points}", std::to_string(MAX_LIGHT_SAMPLES)));
            }
        }
    };
    for (const Setting& setting : settings()) {
        usage +=
            usageEntry(std::string("--") + setting.key, setting.valueName, settingHelp(setting));
        addOwn(setting.key);
    }
    addOwn(nullptr);
    return usage;
}

std::string parseSnapshotOptions(int argc, char** argv, SnapshotOptions& options) {
    LinkState& picture = options.picture;
    // Each --light after the first adds to the list; the first replaces what was there, the
    // start light or a --state's lights.
    bool lightsGiven = false;
    bool stateGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") {
            options.help = true;
            return "";
        }
        if (option == "--version") {
            options.version = true;
            return "";
        }
        const Setting* setting =
            option.compare(0, 2, "--") == 0 ? findSetting(option.substr(2)) : nullptr;
        const ToolOption* own = findToolOption(option);
        if (setting == nullptr && own == nullptr) {
            return "unknown option '" + option + "' (see --help)";
        }
        if (setting != nullptr && setting->kind == SettingKind::SWITCH) {
            readSetting(*setting, nullptr, picture, lightsGiven);
            continue;
        }
        if (i + 1 >= argc) {
            return option + " needs a value";
        }
        const std::string value = argv[++i];
        if (option == "--variant" && value == "list") {
            options.listVariants = true;
            return "";
        }
        if (setting != nullptr) {
            // Stricter than a link: each --step and --select must be a number, though only
            // the last one counts, and it is checked against the lights and the steps below.
            const std::string why = readSetting(*setting, &value, picture, lightsGiven);
            if (!why.empty()) {
                return "bad value '" + value + "' for " + option + ": " + why;
            }
        } else if (option == "--state") {
            // Strict where the page is forgiving: the first part it cannot read stops the tool.
            const std::vector<std::string> unread = readStateText(value, picture);
            if (!unread.empty()) {
                return "--state cannot read " + unread.front();
            }
            lightsGiven = false;
            stateGiven = true;
        } else if (!own->read(value, options)) {
            return "bad value '" + value + "' for " + option + " (see --help)";
        }
    }
    if (stateGiven && !options.tintGiven) {
        options.tint = restingTintLevel();
    }
    const bool pixelGiven = options.pixelX >= 0;
    if (!options.animation.empty() && picture.path.empty()) {
        return "--animate draws a path: give --path, or --state with path= (see --help)";
    }
    if (!options.animation.empty() &&
        (pixelGiven || options.reference != 0 || !options.galleryDir.empty())) {
        return "--animate draws the path's pictures alone, without --pixel, --reference or "
               "--gallery";
    }
    if (options.output.empty() && !pixelGiven && options.galleryDir.empty() &&
        options.animation.empty()) {
        return "no output file: give -o FILE (see --help)";
    }
    if (pixelGiven && (options.pixelX >= options.width || options.pixelY >= options.height)) {
        return "--pixel " + std::to_string(options.pixelX) + "," + std::to_string(options.pixelY) +
               " is outside the " + std::to_string(options.width) + "x" +
               std::to_string(options.height) + " picture";
    }
    if (options.plainView && (pixelGiven || picture.showStencil)) {
        return "--pixel and --show-stencil are about the shadow view, not the plain one";
    }
    // Known only now: how many lights and steps there are.
    for (const Setting& setting : settings()) {
        if (setting.kind == SettingKind::COUNT) {
            const std::string why = countOutOfRange(setting, picture);
            if (!why.empty()) {
                return "bad value '" + std::to_string(setting.count(picture)) + "' for --" +
                       setting.key + ": " + why;
            }
        }
    }
    // A path read before the lights were is read again against them.
    for (const Setting& setting : settings()) {
        const std::string value = setting.readLast ? setting.write(picture) : "";
        const std::string why = value.empty() ? "" : setting.read(value, picture);
        if (!why.empty()) {
            return "bad value '" + value + "' for --" + setting.key + ": " + why;
        }
    }
    if (picture.step != 0 && options.plainView) {
        return "--step steps through the shadow view, not the plain one";
    }
    return "";
}

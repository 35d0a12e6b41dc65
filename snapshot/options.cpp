#include "snapshot/options.h"

#include "state/shadow_pass.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

const char* const SNAPSHOT_USAGE =
    "usage: planar-shadows-snapshot -o FILE [options]\n"
    "Renders one frame of planar-shadows offscreen and writes it as a PNG.\n"
    "  --light X,Y,Z[,W]    a light where it stands in eye space, each coordinate from\n"
    "                       -1e6 to 1e6; up to four times, each adding a light in\n"
    "                       the program's order of colours, the last one selected\n"
    "                       (default one light at 50,50,-320); W 1 (the default) a\n"
    "                       point light, W 0 the sun: it shines from the room's\n"
    "                       centre 0,0,-420 towards where it stands, so it cannot\n"
    "                       stand there\n"
    "  --teapot-offset DX   teapot's sideways offset, from -1e6 to 1e6 (default 0)\n"
    "  --tint T             tint level of teapot red and sphere blue (default 0)\n"
    "  --view shadow|plain  which view to draw (default shadow)\n"
    "  --translucent        shadows halve their receiver's colour instead of blacking it\n"
    "  --no-stencil         shadows drawn straight over their receiver, without the stencil\n"
    "  --step N             the shadow view only up to step N of its drawing, with the\n"
    "                       stencil's marks and the flattened casters shown, as the\n"
    "                       program's stepping mode does; prints the step's caption,\n"
    "                       then its GL state\n"
    "  --soft               soft shadows from a light with a size, fully refined\n"
    "  --light-radius R     the light's radius with --soft, from 0 to 20 (default 5)\n"
    "  --show-stencil       the stencil's values in false colour instead of the frame, as\n"
    "                       the program's stencil view shows them; prints its legend\n"
    "  --pixel X,Y          prints the history of the picture's pixel X,Y (from the top\n"
    "                       left) through the drawing, one line per step; -o is then\n"
    "                       optional\n"
    "  --size WxH           picture size, 1 to 8192 each way; the scene stretches as the\n"
    "                       window's would (default 512x512)\n"
    "  -o FILE              where to write the PNG (required)\n"
    "  --help               this text\n"
    "  --version            the tool's version\n";

namespace {

// A whole finite number and nothing else.
bool readFloat(const std::string& text, float& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const float parsed = std::strtof(text.c_str(), &end);
    if (*end != '\0' || errno == ERANGE || !std::isfinite(parsed)) {
        return false;
    }
    value = parsed;
    return true;
}

// A finite number no farther from 0 than a position may be.
bool readCoordinate(const std::string& text, float& value) {
    float parsed = 0;
    if (!readFloat(text, parsed) || std::fabs(parsed) > MAX_SNAPSHOT_COORDINATE) {
        return false;
    }
    value = parsed;
    return true;
}

bool readSide(const std::string& text, int& side) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        text.size() > 5) {
        return false;
    }
    side = std::atoi(text.c_str());
    return side >= 1 && side <= MAX_SNAPSHOT_SIDE;
}

// A step number as written: up to three digits, checked against the mode's steps later.
bool readStep(const std::string& text, int& step) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        text.size() > 3) {
        return false;
    }
    step = std::atoi(text.c_str());
    return true;
}

// X,Y,Z or X,Y,Z,W with W 0 or 1.
bool readLight(const std::string& text, LightPosition& light) {
    const size_t first = text.find(',');
    const size_t second = first == std::string::npos ? first : text.find(',', first + 1);
    if (second == std::string::npos) {
        return false;
    }
    const size_t third = text.find(',', second + 1);
    light.w = 1;
    if (third != std::string::npos &&
        !(readFloat(text.substr(third + 1), light.w) && (light.w == 0 || light.w == 1))) {
        return false;
    }
    return readCoordinate(text.substr(0, first), light.x) &&
           readCoordinate(text.substr(first + 1, second - first - 1), light.y) &&
           readCoordinate(text.substr(second + 1, third - second - 1), light.z);
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

}  // namespace

std::string parseSnapshotOptions(int argc, char** argv, SnapshotOptions& options) {
    bool stepGiven = false;
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
        if (option == "--translucent") {
            options.translucent = true;
            continue;
        }
        if (option == "--no-stencil") {
            options.noStencil = true;
            continue;
        }
        if (option == "--soft") {
            options.soft = true;
            continue;
        }
        if (option == "--show-stencil") {
            options.showStencil = true;
            continue;
        }
        const bool takesValue = option == "--light" || option == "--teapot-offset" ||
                                option == "--tint" || option == "--view" || option == "--size" ||
                                option == "--step" || option == "--light-radius" ||
                                option == "--pixel" || option == "-o";
        if (!takesValue) {
            return "unknown option '" + option + "' (see --help)";
        }
        if (i + 1 >= argc) {
            return option + " needs a value";
        }
        const std::string value = argv[++i];
        bool good = true;
        if (option == "--light") {
            if (options.lights.size() == MAX_LIGHTS) {
                return "at most four lights: --light is given once for each";
            }
            LightPosition light = {};
            good = readLight(value, light);
            if (good && light.w == 0 && light.x == ROOM_CENTRE.x && light.y == ROOM_CENTRE.y &&
                light.z == ROOM_CENTRE.z) {
                return "the sun cannot stand at the room's centre, 0,0,-420: it would shine "
                       "from no direction";
            }
            options.lights.push_back(light);
        } else if (option == "--teapot-offset") {
            good = readCoordinate(value, options.teapotOffset);
        } else if (option == "--tint") {
            good = readFloat(value, options.tint);
        } else if (option == "--view") {
            good = value == "shadow" || value == "plain";
            options.plainView = value == "plain";
        } else if (option == "--step") {
            good = readStep(value, options.step);
            stepGiven = true;
        } else if (option == "--light-radius") {
            float radius = 0;
            good = readFloat(value, radius) && radius >= 0 && radius <= MAX_SNAPSHOT_LIGHT_RADIUS;
            options.lightRadius = radius;
        } else if (option == "--pixel") {
            good = readPixel(value, options.pixelX, options.pixelY);
        } else if (option == "--size") {
            good = readSize(value, options.width, options.height);
        } else {
            good = !value.empty();
            options.output = value;
        }
        if (!good) {
            return "bad value '" + value + "' for " + option + " (see --help)";
        }
    }
    const bool pixelGiven = options.pixelX >= 0;
    if (options.output.empty() && !pixelGiven) {
        return "no output file: give -o FILE (see --help)";
    }
    if (pixelGiven && (options.pixelX >= options.width || options.pixelY >= options.height)) {
        return "--pixel " + std::to_string(options.pixelX) + "," + std::to_string(options.pixelY) +
               " is outside the " + std::to_string(options.width) + "x" +
               std::to_string(options.height) + " picture";
    }
    if (options.plainView && (pixelGiven || options.showStencil)) {
        return "--pixel and --show-stencil are about the shadow view, not the plain one";
    }
    if (stepGiven) {
        // Known only now: how many steps the chosen mode draws.
        const int lights = std::max(1, static_cast<int>(options.lights.size()));
        const int lastStep = passStepCount(!options.noStencil, lights);
        if (options.step < 1 || options.step > lastStep) {
            return "--step must be from 1 to " + std::to_string(lastStep) +
                   (options.noStencil ? " without the stencil" : "") +
                   (lights > 1 ? " with " + std::to_string(lights) + " lights" : "");
        }
        if (options.plainView) {
            return "--step steps through the shadow view, not the plain one";
        }
    }
    return "";
}

#include "snapshot/options.h"

#include "state/shadow_pass.h"

#include <cstdlib>

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
    "  --select N           the light selected, whose marker is ringed (default the\n"
    "                       last one)\n"
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
    "  --state TEXT         the state a link to the web page holds after its '#', such\n"
    "                       as light=-40,80,-450&step=3 (the keys are these options'\n"
    "                       names, the switches without a value); sets what it\n"
    "                       names and the resting tint, later options win, and\n"
    "                       --light replaces its lights\n"
    "  --size WxH           picture size, 1 to 8192 each way; the scene stretches as the\n"
    "                       window's would (default 512x512)\n"
    "  -o FILE              where to write the PNG (required)\n"
    "  --help               this text\n"
    "  --version            the tool's version\n";

namespace {

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

}  // namespace

std::string parseSnapshotOptions(int argc, char** argv, SnapshotOptions& options) {
    LinkState& picture = options.picture;
    // Each --light after the first adds to the list; the first replaces what was there, the
    // start light or a --state's lights.
    bool listFromLightOptions = false;
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
        if (option == "--translucent" || option == "--no-stencil" || option == "--soft" ||
            option == "--show-stencil") {
            picture.translucent = picture.translucent || option == "--translucent";
            picture.noStencil = picture.noStencil || option == "--no-stencil";
            picture.soft = picture.soft || option == "--soft";
            picture.showStencil = picture.showStencil || option == "--show-stencil";
            continue;
        }
        const bool takesValue = option == "--light" || option == "--select" ||
                                option == "--teapot-offset" || option == "--tint" ||
                                option == "--view" || option == "--size" || option == "--step" ||
                                option == "--light-radius" || option == "--pixel" ||
                                option == "--state" || option == "-o";
        if (!takesValue) {
            return "unknown option '" + option + "' (see --help)";
        }
        if (i + 1 >= argc) {
            return option + " needs a value";
        }
        const std::string value = argv[++i];
        bool good = true;
        if (option == "--light") {
            if (listFromLightOptions && picture.lightCount == MAX_LIGHTS) {
                return "at most four lights: --light is given once for each";
            }
            LightPosition light = {};
            const std::string why = readLight(value, light);
            if (!why.empty()) {
                return "bad value '" + value + "' for --light: " + why;
            }
            picture.lightCount = listFromLightOptions ? picture.lightCount + 1 : 1;
            picture.lights[picture.lightCount - 1] = light;
            picture.selectedLight = picture.lightCount - 1;
            listFromLightOptions = true;
        } else if (option == "--state") {
            // Strict where the page is forgiving: the first part it cannot read stops the tool.
            const std::vector<std::string> unread = readStateText(value, picture);
            if (!unread.empty()) {
                return "--state cannot read " + unread.front();
            }
            listFromLightOptions = false;
            stateGiven = true;
        } else if (option == "--select") {
            int light = 0;
            good = readSmallWhole(value, light) && light >= 1;
            picture.selectedLight = light - 1;
        } else if (option == "--teapot-offset") {
            good = readCoordinate(value, picture.teapotOffset);
        } else if (option == "--tint") {
            good = readNumber(value, options.tint);
            options.tintGiven = true;
        } else if (option == "--view") {
            good = value == "shadow" || value == "plain";
            options.plainView = value == "plain";
        } else if (option == "--step") {
            good = readSmallWhole(value, picture.step) && picture.step >= 1;
        } else if (option == "--light-radius") {
            float radius = 0;
            good = readNumber(value, radius) && radius >= 0 && radius <= MAX_LIGHT_RADIUS;
            picture.lightRadius = radius;
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
    if (stateGiven && !options.tintGiven) {
        options.tint = restingTintLevel();
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
    if (options.plainView && (pixelGiven || picture.showStencil)) {
        return "--pixel and --show-stencil are about the shadow view, not the plain one";
    }
    const int lights = picture.lightCount;
    if (picture.selectedLight >= lights) {
        return "--select must be from 1 to " + std::to_string(lights);
    }
    if (picture.step != 0) {
        // Known only now: how many steps the chosen mode draws.
        const int lastStep = passStepCount(!picture.noStencil, lights);
        if (picture.step > lastStep) {
            return "--step must be from 1 to " + std::to_string(lastStep) +
                   (picture.noStencil ? " without the stencil" : "") +
                   (lights > 1 ? " with " + std::to_string(lights) + " lights" : "");
        }
        if (options.plainView) {
            return "--step steps through the shadow view, not the plain one";
        }
    }
    return "";
}

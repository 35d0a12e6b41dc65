// The snapshot tool's command line, its arguments split at NUL bytes and newlines: either
// refused in one line, or read into options the tool can draw, their picture's state
// within range and reading back as itself.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "snapshot/options.h"
#include "tests/fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> arguments = {"planar-shadows-snapshot", ""};
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\0' || data[i] == '\n') {
            arguments.emplace_back();
        } else {
            arguments.back() += static_cast<char>(data[i]);
        }
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    SnapshotOptions options;
    const std::string problem =
        parseSnapshotOptions(static_cast<int>(arguments.size()), argv.data(), options);
    if (!problem.empty()) {
        require(problem.find('\n') == std::string::npos, "a refusal in more than one line",
                problem);
        return 0;
    }
    if (options.help || options.version || options.listVariants) {
        return 0;
    }
    const LinkState& picture = options.picture;
    requireWithinRange(picture);
    requireReadsBack(picture);
    const std::string text = writeStateText(picture);
    require(std::isfinite(options.tint), "tint", text);
    require(options.width >= 1 && options.width <= MAX_SNAPSHOT_SIDE && options.height >= 1 &&
                options.height <= MAX_SNAPSHOT_SIDE,
            "size", text);
    const bool pixelGiven = options.pixelX >= 0;
    require(!options.output.empty() || pixelGiven || !options.galleryDir.empty() ||
                !options.animation.empty(),
            "neither a file, a pixel, a gallery nor an animation", text);
    require(options.animation.empty() || !picture.path.empty(), "an animation without a path",
            text);
    require(!pixelGiven || (options.pixelX < options.width && options.pixelY >= 0 &&
                            options.pixelY < options.height),
            "pixel outside the picture", text);
    require(!options.plainView || (picture.step == 0 && !picture.showStencil && !pixelGiven),
            "the plain view with what only the shadow view has", text);
    return 0;
}

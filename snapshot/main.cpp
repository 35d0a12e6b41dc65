// planar-shadows-snapshot: one frame of the scene, drawn by the program's own set-up and
// views into an offscreen framebuffer, written as a PNG. Exit status 2 for unusable
// options, 1 when the picture cannot be made or written, 0 otherwise. With no display it
// needs no X server: its context then comes from EGL.
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/program.h"
#include "image/gif_writer.h"
#include "image/png_writer.h"
#include "platform/opengl.h"
#include "scene/context_without_display.h"
#include "scene/offscreen.h"
#include "snapshot/difference.h"
#include "snapshot/options.h"
#include "state/gallery.h"
#include "state/program_state.h"
#include "state/renderer.h"
#include "state/shadow_pass.h"
#include "state/state_text.h"
#include "state/stencil_view.h"

namespace {

RgbImage readBack(const SnapshotOptions& options) {
    return {options.width, options.height, readOffscreenPixels(options.width, options.height)};
}

// The picture the program shows once it has refined it to the end: with soft shadows, every
// step of the refinement drawn in turn, since the renderer averages the batches as they come.
RgbImage picture(const SnapshotOptions& options) {
    restartRefinement(programState);
    const auto draw = [&options] {
        const Frame frame =
            options.plainView ? plainViewFrame(programState) : shadowViewFrame(programState);
        drawFrame(frame);
        presentFrame(frame);
    };
    draw();
    while (refineFurther(programState)) {
        draw();
    }
    return readBack(options);
}

// The picture's difference from the reference, drawn from options.reference points, and
// its numbers over the reference's penumbra on standard output.
RgbImage differenceFrom(const SnapshotOptions& options) {
    const RgbImage asked = picture(options);
    programState.restingLightSamples = options.reference;
    const RgbImage reference = picture(options);
    restartRefinement(programState);
    const Frame hardFrame = shadowViewFrame(programState);
    drawFrame(hardFrame);
    const RgbImage hard = readBack(options);
    programState.restingLightSamples = options.picture.samples;
    std::puts(describe(penumbraDifference(asked, reference, hard), options.reference).c_str());
    return differencePicture(asked, reference);
}

// Every entry of the gallery, wrong and right, as DIR/NAME-wrong.png and DIR/NAME-right.png,
// each with the tint at rest, as its link shows it, and a line for each on standard output:
// its name, title, two links and text, separated by tabs. "" when all are written, else
// why not.
std::string writeGallery(const SnapshotOptions& options) {
    const std::string& dir = options.galleryDir;
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        return "cannot make " + dir + ": " + error.message();
    }
    for (const GalleryEntry& entry : galleryEntries()) {
        for (const auto& [text, which] :
             {std::pair{entry.wrong, "wrong"}, std::pair{entry.right, "right"}}) {
            LinkState link;
            const std::vector<std::string> unread = readStateText(text, link);
            if (!unread.empty()) {
                return std::string("the gallery's ") + entry.name + " cannot read " +
                       unread.front();
            }
            applyLinkState(link, programState);
            programState.tintLevel = restingTintLevel();
            updateShadowMatrices();
            const RgbImage shown = picture(options);
            const std::string failure = writePng(dir + "/" + entry.name + "-" + which + ".png",
                                                 shown.width, shown.height, shown.rgb);
            if (!failure.empty()) {
                return failure;
            }
        }
        std::printf("%s\t%s\t%s\t%s\t%s\n", entry.name, entry.title, entry.wrong, entry.right,
                    entry.text);
    }
    return "";
}

// The picture once for each position of the path, the selected light standing there, as an
// animated GIF at the path's ten positions a second. Each frame is drawn from its position
// alone, so the same path gives the same file. "" when it is written, else why not.
std::string writeAnimation(const SnapshotOptions& options) {
    const std::vector<Point3>& path = options.picture.path;
    Light& light = programState.lights[programState.selectedLight];
    return writeGif(options.animation, options.width, options.height, int(path.size()),
                    100 / PATH_POSITIONS_PER_SECOND, [&](int i) {
                        const Point3& at = path[size_t(i)];
                        light.standsAt = {at.x, at.y, at.z, 1};
                        updateShadowMatrices();
                        return picture(options).rgb;
                    });
}

}  // namespace

int main(int argc, char** argv) {
    SnapshotOptions options;
    const std::string problem = parseSnapshotOptions(argc, argv, options);
    if (!problem.empty()) {
        std::fprintf(stderr, "planar-shadows-snapshot: %s\n", problem.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(snapshotUsage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::puts("planar-shadows-snapshot " PLANAR_SHADOWS_VERSION);
        return 0;
    }
    if (options.listVariants) {
        std::fputs(variantList().c_str(), stdout);
        return 0;
    }

    switch (makeContextWithoutDisplay()) {
        case ContextWithoutDisplay::Made:
            break;
        case ContextWithoutDisplay::Failed:
            std::fprintf(stderr,
                         "planar-shadows-snapshot: no display, and EGL cannot make a GL "
                         "context without one\n");
            return 1;
        case ContextWithoutDisplay::NotNeeded: {
            // The window only provides a GL context; GLUT sees none of the tool's options.
            int glutArgc = 1;
            char* glutArgv[] = {argv[0], nullptr};
            glutInit(&glutArgc, glutArgv);
            glutInitDisplayMode(GLUT_RGB | GLUT_DEPTH | GLUT_STENCIL | GLUT_SINGLE);
            glutCreateWindow("planar-shadows-snapshot");
            break;
        }
    }

    applyLinkState(options.picture, programState);
    programState.tintLevel = options.tint;
    // Offscreen there is nothing to swap: a frame ends in a flush.
    programState.doubleBuffered = 0;
    prepareShadowReceivers();
    initScene();
    OffscreenTarget target;
    if (!openOffscreenTarget(options.width, options.height, target)) {
        std::fprintf(stderr, "planar-shadows-snapshot: GL cannot draw %dx%d offscreen\n",
                     options.width, options.height);
        return 1;
    }
    if (options.picture.soft && !canDrawSoftShadows()) {
        std::fprintf(stderr,
                     "planar-shadows-snapshot: GL's stencil is too small for soft shadows\n");
        closeOffscreenTarget(target);
        return 1;
    }
    programState.windowWidth = options.width;
    programState.windowHeight = options.height;
    programState.batchesAveragable = canAverageBatches();
    // Files of their own, instead of one picture (the options allow one or the other).
    if (!options.galleryDir.empty() || !options.animation.empty()) {
        const std::string failure =
            options.galleryDir.empty() ? writeAnimation(options) : writeGallery(options);
        closeOffscreenTarget(target);
        if (!failure.empty()) {
            std::fprintf(stderr, "planar-shadows-snapshot: %s\n", failure.c_str());
            return 1;
        }
        return 0;
    }
    const RgbImage shown = options.reference != 0 ? differenceFrom(options) : picture(options);
    closeOffscreenTarget(target);

    if (!options.output.empty()) {
        const std::string failure = writePng(options.output, shown.width, shown.height, shown.rgb);
        if (!failure.empty()) {
            std::fprintf(stderr, "planar-shadows-snapshot: %s\n", failure.c_str());
            return 1;
        }
    }
    // The caption on the first line, the step's state after it, then the legend and the
    // pixel's history.
    if (programState.steppingPasses) {
        std::puts((passStepCaption(options.picture.step, stencilled(programState),
                                   programState.lightCount, receiving(programState)) +
                   variantStepNote(programState))
                      .c_str());
        std::fputs(currentStepStateText(programState).c_str(), stdout);
    }
    if (options.picture.showStencil) {
        std::fputs(stencilViewLegend().c_str(), stdout);
    }
    if (options.pixelX >= 0) {
        const PixelHistory history = pixelHistory(options.pixelX, options.pixelY);
        if (history.stages.empty()) {
            std::fprintf(stderr, "planar-shadows-snapshot: GL cannot draw the history offscreen\n");
            return 1;
        }
        std::fputs(pixelHistoryText(history).c_str(), stdout);
    }
    return 0;
}

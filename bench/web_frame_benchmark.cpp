// What a frame of the web edition costs in the browser: the shadow view (also with several
// lights, and with more receivers), the plain view and a bare clear, each at 512 × 512 (and the
// shadow view larger, as on high-density screens), drawn by the WebGL 2 renderer with the program's
// own state. Each frame ends with a one-pixel read-back, which waits until the frame is drawn, as
// the desktop benchmark's glFinish does. Loaded by bench/web_frame_benchmark.html.
#include <GL/glut.h>
#include <GLES3/gl3.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include "state/program_state.h"
#include "state/renderer.h"
#include "state/shadow_pass.h"

namespace {

void waitForFrame() {
    GLubyte pixel[4];
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
}

}  // namespace

// Milliseconds per frame over `count` frames of view 0 (shadow), 1 (plain) or 2 (bare clear).
extern "C" EMSCRIPTEN_KEEPALIVE double timeFrames(int view, int count) {
    const double start = emscripten_get_now();
    for (int frame = 0; frame < count; ++frame) {
        // The rows are made anew for every frame, as the program makes them.
        if (view == 0) {
            drawFrame(shadowViewFrame(programState));
        } else if (view == 1) {
            drawFrame(plainViewFrame(programState));
        } else {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        }
        waitForFrame();
    }
    return (emscripten_get_now() - start) / count;
}

// The same with soft shadows on, the shadow view drawn from this many points of the light:
// 1 is the frame while the light moves, the others are the refinement's steps.
extern "C" EMSCRIPTEN_KEEPALIVE double timeSoftFrames(int samples, int count) {
    programState.softShadows = true;
    programState.lightSamples = samples;
    const double milliseconds = timeFrames(0, count);
    programState.softShadows = false;
    programState.lightSamples = 1;
    return milliseconds;
}

// A batch of 8 points past the first batch, averaged in: its frame, the copy blended into
// the floating-point sum and the sum drawn back; two batches in turn, since the renderer
// does not add the batch it added last again.
extern "C" EMSCRIPTEN_KEEPALIVE double timeBatchFrames(int count) {
    programState.softShadows = true;
    programState.lightSamples = LATER_BATCH_SAMPLES;
    const double start = emscripten_get_now();
    for (int frame = 0; frame < count; ++frame) {
        programState.firstLightSample = LIGHT_SAMPLE_COUNT + (1 + frame % 2) * LATER_BATCH_SAMPLES;
        drawFrame(shadowViewFrame(programState));
        waitForFrame();
    }
    programState.softShadows = false;
    restartRefinement(programState);
    return (emscripten_get_now() - start) / count;
}

// The stencil view instead of the shadow view's frame; with soft shadows, the counts from
// all of the light's points.
extern "C" EMSCRIPTEN_KEEPALIVE double timeStencilViewFrames(int soft, int count) {
    programState.showStencil = true;
    programState.softShadows = soft != 0;
    programState.lightSamples = soft != 0 ? LIGHT_SAMPLE_COUNT : 1;
    const double milliseconds = timeFrames(0, count);
    programState.showStencil = false;
    programState.softShadows = false;
    programState.lightSamples = 1;
    return milliseconds;
}

// This many lights from now on, each added as 'l' adds it, where it first stands.
extern "C" EMSCRIPTEN_KEEPALIVE void setLightCount(int count) {
    while (programState.lightCount < count && addLight()) {
    }
    while (programState.lightCount > count && removeLight()) {
    }
}

// From now on, with `allFaces`, all five of the room's faces receive, else the floor and the
// left wall; with `board`, the board stands where 'k' puts it.
extern "C" EMSCRIPTEN_KEEPALIVE void setReceivers(int allFaces, int board) {
    programState.receivers = allFaces != 0
                                 ? (1u << RECEIVER_COUNT) - 1 - receiverBit(Receiver::Board)
                                 : DEFAULT_RECEIVERS;
    programState.boardShown = board != 0;
    updateShadowMatrices();
}

// The drawing buffer `side` pixels square, as the page makes it on a denser screen.
extern "C" EMSCRIPTEN_KEEPALIVE void setFrameSize(int side) {
    emscripten_set_canvas_element_size("#canvas", side, side);
    programState.windowWidth = side;
    programState.windowHeight = side;
}

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitWindowSize(512, 512);
    glutInitDisplayMode(GLUT_RGB | GLUT_DEPTH | GLUT_STENCIL | GLUT_DOUBLE);
    glutCreateWindow("frame benchmark");
    prepareShadowReceivers();
    initScene();
    programState.batchesAveragable = canAverageBatches();
    programState.windowWidth = 512;
    programState.windowHeight = 512;
    return 0;
}

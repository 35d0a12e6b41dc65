// What a frame costs: the shadow view, also with two, three and four lights, as the stepping
// mode shows it part drawn and as the stencil view shows it, the plain view and a bare
// clear-and-present, each at 512 × 512 and each ending in glFinish so the renderer's work is
// counted; and what one drag event and a pixel's history cost without a frame. The shadow
// frame is also given as a ratio to the other two, which carries across machines better than
// times do. glutMainLoopEvent is freeglut's own, beyond the GLUT that platform/opengl.h gives.
#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "app/program.h"
#include "app/window_shell.h"
#include "bench/teapot_switch.h"
#include "platform/opengl.h"
#include "state/program_state.h"
#include "state/renderer.h"
#include "state/shadow_pass.h"

namespace {

constexpr const char* EACH_LIGHT = "each light after the first, %";
constexpr const char* EACH_RECEIVER = "each receiver beyond the floor and the left wall, %";

void shadowFrame(benchmark::State& state) {
    for (auto _ : state) {
        displayShadowView();
        glFinish();
    }
}

// Seconds for one shadow frame with this many lights, each added as 'l' adds it, where it
// first stands.
double timedShadowFrame(int lights) {
    while (programState.lightCount < lights) {
        addLight();
    }
    while (programState.lightCount > lights) {
        removeLight();
    }
    updateShadowMatrices();
    const auto start = std::chrono::steady_clock::now();
    displayShadowView();
    glFinish();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The shadow frame with this many lights, timed in turns with the one-light frame, so that a
// changing load on the machine falls on both alike: the row's time is the frame with all the
// lights, and its counter what each light after the first costs, in per cent of the
// one-light frame.
void shadowFrameWithLights(benchmark::State& state) {
    const int lights = static_cast<int>(state.range(0));
    double one = 0;
    double all = 0;
    for (auto _ : state) {
        one += timedShadowFrame(1);
        const double frame = timedShadowFrame(lights);
        all += frame;
        state.SetIterationTime(frame);
    }
    timedShadowFrame(1);
    state.counters[EACH_LIGHT] = 100 * (all - one) / (lights - 1) / one;
}

// Seconds for one shadow frame with these receivers, the board where it starts or none.
double timedReceiversFrame(unsigned receivers, bool board) {
    programState.receivers = receivers;
    programState.boardShown = board;
    updateShadowMatrices();
    const auto start = std::chrono::steady_clock::now();
    displayShadowView();
    glFinish();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The shadow frame with all five faces receiving, and with the board as well (argument 1),
// timed in turns with the frame of the floor and the left wall alone, as the lights' rows
// are; its counter, what each receiver beyond those two costs, in per cent of that frame.
void shadowFrameWithReceivers(benchmark::State& state) {
    const bool board = state.range(0) != 0;
    const unsigned faces = (1u << RECEIVER_COUNT) - 1 - receiverBit(Receiver::Board);
    double two = 0;
    double all = 0;
    for (auto _ : state) {
        two += timedReceiversFrame(DEFAULT_RECEIVERS, false);
        const double frame = timedReceiversFrame(faces, board);
        all += frame;
        state.SetIterationTime(frame);
    }
    timedReceiversFrame(DEFAULT_RECEIVERS, false);
    state.counters[EACH_RECEIVER] = 100 * (all - two) / (board ? 4 : 3) / two;
}

// As the program drew it before the teapot went into a display list.
void shadowFrameTeapotFromGlut(benchmark::State& state) {
    teapotFromGlut = true;
    for (auto _ : state) {
        displayShadowView();
        glFinish();
    }
    teapotFromGlut = false;
}

// The stepping mode at the fifth of its seven steps: the first five steps, then both
// overlays, the stencil's marks and the wall's flattened casters.
void steppingFrame(benchmark::State& state) {
    programState.steppingPasses = true;
    programState.passStep = 5;
    for (auto _ : state) {
        displayShadowView();
        glFinish();
    }
    programState.steppingPasses = false;
}

void plainFrame(benchmark::State& state) {
    for (auto _ : state) {
        displayPlainView();
        glFinish();
    }
}

void bareFrame(benchmark::State& state) {
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        presentFrame(frameOf(programState, {}));
        glFinish();
    }
}

// The light one unit further across the room from `x`, back to x = -90 past x = 90, with
// what a pointer event while dragging recomputes: the light's two matrices; GL takes its
// position with the next frame.
void moveLightAcross(float& x) {
    x = x > 90 ? -90 : x + 1;
    programState.lights[0].standsAt.x = x;
    updateShadowMatrices();
}

void dragWork(benchmark::State& state) {
    float x = 0;
    for (auto _ : state) {
        moveLightAcross(x);
    }
    glFinish();
}

// Soft shadows while the light moves: every frame is the hard frame.
void softWhileDragging(benchmark::State& state) {
    programState.softShadows = true;
    float x = 0;
    for (auto _ : state) {
        moveLightAcross(x);
        programState.lightSamples = 1;
        displayShadowView();
        glFinish();
    }
    programState.softShadows = false;
}

// One refinement step: the still picture drawn from this many points of the light.
void softFrame(benchmark::State& state) {
    programState.softShadows = true;
    programState.lightSamples = static_cast<int>(state.range(0));
    for (auto _ : state) {
        displayShadowView();
        glFinish();
    }
    programState.softShadows = false;
    programState.lightSamples = 1;
}

// A batch of 8 points past the first batch, averaged in: the frame from its points, the
// copy blended into the floating-point sum and the sum drawn back. Two batches in turn,
// since the renderer does not add the batch it added last again.
void softBatch(benchmark::State& state) {
    programState.softShadows = true;
    programState.lightSamples = LATER_BATCH_SAMPLES;
    int batch = 1;
    for (auto _ : state) {
        programState.firstLightSample = LIGHT_SAMPLE_COUNT + batch * LATER_BATCH_SAMPLES;
        displayShadowView();
        glFinish();
        batch = 3 - batch;
    }
    programState.softShadows = false;
    restartRefinement(programState);
}

// From a drag event, the last input, to the picture refined to this many points drawn: the
// hard frame, a frame's wait for the pointer to stay still, and every refinement step, each
// drawn by GLUT's redisplay as in the program's main loop.
void softRefinedAfterInput(benchmark::State& state) {
    programState.softShadows = true;
    programState.restingLightSamples = static_cast<int>(state.range(0));
    programState.dragMode = DRAG_XY;
    int x = 300;
    for (auto _ : state) {
        x = x > 400 ? 300 : x + 1;
        onDrag(x, 100);
        glutMainLoopEvent();
        while (programState.firstLightSample + programState.lightSamples <
               samplesAtRest(programState)) {
            onIdle();
            glutMainLoopEvent();
        }
        glFinish();
    }
    programState.softShadows = false;
    programState.restingLightSamples = DEFAULT_RESTING_SAMPLES;
    restartRefinement(programState);
}

// The stencil view instead of the frame: each receiver's values after its own pass, or
// with soft shadows its counts from all of the light's points.
void stencilViewFrame(benchmark::State& state) {
    programState.showStencil = true;
    programState.softShadows = state.range(0) != 0;
    programState.lightSamples = state.range(0) != 0 ? LIGHT_SAMPLE_COUNT : 1;
    for (auto _ : state) {
        displayShadowView();
        glFinish();
    }
    programState.showStencil = false;
    programState.softShadows = false;
    programState.lightSamples = 1;
}

// A pixel's history, once the pointer rests: every step drawn offscreen with a one-pixel
// read-back after each, and with soft shadows each receiver's count.
void pixelHistoryWork(benchmark::State& state) {
    programState.softShadows = state.range(0) != 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pixelHistory(396, 471));
    }
    programState.softShadows = false;
}

// Keeps each benchmark's real time per iteration, for the ratios printed at the end: the
// median when runs are repeated, else the single run's; by its name, and its argument after
// a slash if it has one.
class RecordingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median") {
                const std::string& argument = run.run_name.args;
                const std::string name =
                    run.run_name.function_name + (argument.empty() ? "" : "/" + argument);
                seconds[name] = run.GetAdjustedRealTime();
                for (const char* counter : {EACH_LIGHT, EACH_RECEIVER}) {
                    const auto share = run.counters.find(counter);
                    if (share != run.counters.end()) {
                        shares[name] = share->second;
                    }
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
    std::map<std::string, double> shares;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    int glutArgc = 1;
    char* glutArgv[] = {argv[0], nullptr};
    startProgram(glutArgc, glutArgv);
    while (programState.windowWidth == 0) {
        glutMainLoopEvent();
    }
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

    benchmark::RegisterBenchmark("shadow frame", shadowFrame)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("shadow frame, lights:", shadowFrameWithLights)
        ->DenseRange(2, MAX_LIGHTS)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("shadow frame, five faces receiving, board:",
                                 shadowFrameWithReceivers)
        ->Arg(0)
        ->Arg(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("shadow frame, teapot from glutWireTeapot",
                                 shadowFrameTeapotFromGlut)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("shadow frame, stepping at step 5 of 7", steppingFrame)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("plain frame", plainFrame)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("bare frame", bareFrame)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("drag event", dragWork)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("soft shadows, frame while dragging", softWhileDragging)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("soft shadows, frame from samples:", softFrame)
        ->Arg(8)
        ->Arg(32)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("soft shadows, a batch of 8 averaged in", softBatch)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("soft shadows, last input to refined, points:",
                                 softRefinedAfterInput)
        ->Arg(LIGHT_SAMPLE_COUNT)
        ->Arg(DEFAULT_RESTING_SAMPLES)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("stencil view frame, soft:", stencilViewFrame)
        ->Arg(0)
        ->Arg(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("pixel history, soft:", pixelHistoryWork)
        ->Arg(0)
        ->Arg(1)
        ->Unit(benchmark::kMillisecond);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const double shadow = reporter.seconds["shadow frame"];
    const double fromGlut = reporter.seconds["shadow frame, teapot from glutWireTeapot"];
    if (shadow > 0 && reporter.seconds["bare frame"] > 0 && reporter.seconds["plain frame"] > 0) {
        std::printf("shadow frame / bare frame:  %.2f\n", shadow / reporter.seconds["bare frame"]);
        std::printf("shadow frame / plain frame: %.2f\n", shadow / reporter.seconds["plain frame"]);
    }
    const double stepping = reporter.seconds["shadow frame, stepping at step 5 of 7"];
    if (shadow > 0 && stepping > 0) {
        std::printf("stepping frame / shadow frame: %.2f\n", stepping / shadow);
    }
    // Each light after the first draws its own shadows; the casters, the shell and the markers
    // are drawn once, lit by every light.
    for (const auto& [name, share] : reporter.shares) {
        if (name.rfind("shadow frame, lights:", 0) == 0) {
            std::printf("%s: each light after the first costs %.0f %% of a one-light frame\n",
                        name.c_str(), share);
        } else {
            std::printf(
                "%s: each receiver beyond the floor and the left wall costs %.0f %% of "
                "the frame of those two\n",
                name.c_str(), share);
        }
    }
    if (shadow > 0 && fromGlut > 0) {
        std::printf("the teapot's display list makes the shadow frame %.1f %% faster\n",
                    100 * (fromGlut - shadow) / fromGlut);
    }
    benchmark::Shutdown();
    return 0;
}

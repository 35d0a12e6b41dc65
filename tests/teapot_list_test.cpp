// The program draws the wire teapot from a display list; glutWireTeapot, called after the
// same translation, must give exactly the same frames, in every state that moves or
// colours the teapot.
#include <gtest/gtest.h>

#include "app/program.h"
#include "bench/teapot_switch.h"
#include "state/program_state.h"
#include "tests/gl_window.h"

namespace {

Picture shadowFrame(bool fromGlut) {
    teapotFromGlut = fromGlut;
    const Picture frame = drawAndRead(displayShadowView);
    teapotFromGlut = false;
    return frame;
}

TEST(TeapotList, GivesTheSamePixelsAsGlutWireTeapot) {
    struct State {
        Vec3 light;
        float offset;
        float tint;
    };
    const State states[] = {{startLight, 0, 0},
                            {startLight, 45, 0.5f},
                            {{-70, 30, -480}, -30, 0.99997318f},
                            {{80, -20, -340}, 15, 0}};
    for (const State& state : states) {
        placeLightAt(state.light);
        programState.teapotOffsetX = state.offset;
        programState.tintLevel = state.tint;
        const Picture fromList = shadowFrame(false);
        const Picture fromGlut = shadowFrame(true);
        EXPECT_TRUE(fromList.rgb == fromGlut.rgb) << "offset " << state.offset;
        // The switch is live: without a teapot the frame does differ.
        programState.teapotOffsetX = 1000;
        EXPECT_FALSE(shadowFrame(false).rgb == fromList.rgb);
    }
}

}  // namespace

// Soft shadows, counted in the stencil: a receiver's shadows from many points of a light
// with a size, each pixel darkened by the share of the points whose shadow covers it; and
// the refinement's steps, batch after batch of points, that the renderer averages.
#include <algorithm>

#include "shadow/light_samples.h"
#include "state/pass_rows.h"
#include "state/shadow_pass.h"

// The soft pass for one receiver and one light: for light 1, the receiver drawn lit once;
// then for each point of the frame's batch (lightSamples of them from firstLightSample on),
// that point's flattened casters mark the pixels they cover and the receiver counts its own
// marked pixels once; last, for light 1 every pixel covered by k points is darkened by
// k / samples of the full shadow, and any other light adds 1 - k / samples of its light
// there. Pixels no point's shadow covers get the light's whole light exactly; those every
// point's covers, exactly the hard pass's.
void addSoftReceiver(std::vector<PassRow>& rows, const ReceiverFacts& r, const ProgramState& s) {
    // The previous receiver's or light's counts are still in the stencil: start from zero.
    rows.push_back(clearRow(CLEAR_STENCIL));
    const bool first = r.light == 0;
    if (first) {
        rows.push_back(row(PLAIN_LIT, r.surface, r.colour));
    }
    const LightPosition& centre = s.lights[r.light].shinesFrom;
    for (int sample = s.firstLightSample; sample < s.firstLightSample + s.lightSamples; ++sample) {
        const LightPosition point = lightSample(r.plane, centre, s.lightRadius, sample);
        if (!lightIsInFront(r.plane, point)) {
            continue;
        }
        rows.push_back(flattenedRow(MARK_SAMPLE, Draws::FlattenedCastersForStencil, BLACK, r,
                                    buildShadowMatrix(r.plane, point), true));
        rows.push_back(row(COUNT_SAMPLE, r.surface, r.colour));
    }
    const float strength = s.translucentShadows ? 0.5f : 1.0f;
    for (int covered = first ? 1 : 0; covered <= s.lightSamples; ++covered) {
        const float shadow = strength * static_cast<float>(covered) / s.lightSamples;
        PassRow share = first ? row(DARKEN_COUNT, r.surface, {0, 0, 0, shadow})
                              : litAlone(row(ADD_COUNT, r.surface, r.colour), r.light, 1 - shadow);
        share.state.stencil.ref = 2 * static_cast<unsigned>(covered);
        rows.push_back(share);
    }
}

bool countsSoftly(const ProgramState& s, const ReceiverFacts& r) {
    return s.softShadows && s.stencilShadows && drawnVariant(s) == Variant::None &&
           s.lightSamples > 1 && r.lightInFront;
}

bool addReceiverPass(std::vector<PassRow>& rows, ReceiverLight which,
                     const std::vector<LightStep>& steps, const ProgramState& s) {
    const ReceiverFacts r = receiverFacts(which, s);
    if (countsSoftly(s, r)) {
        addSoftReceiver(rows, r, s);
        return true;
    }
    for (const LightStep& step : steps) {
        if (step.step->drawing != StepDrawing::RestOfRoom && step.receiver == which.receiver &&
            step.light == which.light) {
            addStep(rows, step, s);
        }
    }
    return false;
}

// ---- The refinement ----------------------------------------------------------------------

namespace {

// The first step draws from a quarter of a batch, the second from the whole first batch:
// one more step than drawing the batch at once, and a third less work than doubling.
constexpr int FIRST_REFINEMENT_SAMPLES = LIGHT_SAMPLE_COUNT / 4;

}  // namespace

int samplesAtRest(const ProgramState& s) {
    // The stepping mode and the stencil view show one batch, and without the stencil
    // nothing is counted: more batches would draw the same picture again.
    const bool averages =
        s.batchesAveragable && s.stencilShadows && !s.steppingPasses && !s.showStencil;
    return averages ? s.restingLightSamples : std::min(s.restingLightSamples, LIGHT_SAMPLE_COUNT);
}

void restartRefinement(ProgramState& s) {
    s.lightSamples = 1;
    s.firstLightSample = 0;
}

bool refineFurther(ProgramState& s) {
    const int resting = samplesAtRest(s);
    if (!s.softShadows || s.firstLightSample + s.lightSamples >= resting) {
        return false;
    }
    if (s.firstLightSample == 0 && s.lightSamples < FIRST_REFINEMENT_SAMPLES) {
        s.lightSamples = std::min(FIRST_REFINEMENT_SAMPLES, resting);
    } else if (s.firstLightSample == 0 && s.lightSamples < LIGHT_SAMPLE_COUNT) {
        s.lightSamples = std::min(LIGHT_SAMPLE_COUNT, resting);
    } else {
        s.firstLightSample += s.lightSamples;
        s.lightSamples = std::min(LATER_BATCH_SAMPLES, resting - s.firstLightSample);
    }
    return true;
}

int averagedBatch(const ProgramState& s) {
    const bool batch = s.firstLightSample > 0 || s.lightSamples == LIGHT_SAMPLE_COUNT;
    if (!s.softShadows || !batch || samplesAtRest(s) <= LIGHT_SAMPLE_COUNT) {
        return -1;
    }
    return s.firstLightSample == 0
               ? 0
               : 1 + (s.firstLightSample - LIGHT_SAMPLE_COUNT) / LATER_BATCH_SAMPLES;
}

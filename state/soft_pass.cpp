// Soft shadows, counted in the stencil: a receiver's shadows from many points of a light
// with a size, each pixel darkened by the share of the points whose shadow covers it.
#include "shadow/light_samples.h"
#include "state/pass_rows.h"

// The soft pass for one receiver and one light: for light 1, the receiver drawn lit once;
// then for each of the first `samples` points of the light, that point's flattened casters
// mark the pixels they cover and the receiver counts its own marked pixels once; last, for
// light 1 every pixel covered by k points is darkened by k / samples of the full shadow, and
// any other light adds 1 - k / samples of its light there. Pixels no point's shadow covers
// get the light's whole light exactly; those every point's covers, exactly the hard pass's.
void addSoftReceiver(std::vector<PassRow>& rows, const ReceiverFacts& r, const ProgramState& s) {
    // The previous receiver's or light's counts are still in the stencil: start from zero.
    rows.push_back(clearRow(CLEAR_STENCIL));
    const bool first = r.light == 0;
    if (first) {
        rows.push_back(row(PLAIN_LIT, r.surface, r.colour));
    }
    const LightPosition& centre = s.lights[r.light].shinesFrom;
    for (int sample = 0; sample < s.lightSamples; ++sample) {
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

#include "engine/ReferenceEngine.h"

#include "engine/BlockSetup.h"
#include "engine/ExtendedPrecision.h"
#include "engine/DitherRandom.h"
#include "engine/SamplePath.h"
#include "engine/TapNetwork.h"
#include "engine/TapSum.h"
#include "engine/WetMix.h"

namespace glowmarsh {

namespace {

template <typename Sample>
void runBlock(EngineState& state, Sample** inputs, Sample** outputs, std::int32_t frames) {
    const BlockValues block = setUpBlock(state);
    if (frames <= 0) {
        return;
    }
    const ExtendedPrecisionScope extended;  // the dither sums need long double's full width
    const Sample* inL = inputs[0];
    const Sample* inR = inputs[1];
    Sample* outL = outputs[0];
    Sample* outR = outputs[1];
    NoiseCounters& noise = SamplePath<Sample>::noise();

    std::int32_t writeIndex = state.writeIndex;
    ScanState scan{state.scanTap, state.scanDirection, state.scanCounter};
    double lastSumL = state.lastSumL;
    double lastSumR = state.lastSumR;
    long double ditherShapeL = state.ditherShapeL;
    long double ditherShapeR = state.ditherShapeR;

    for (std::int32_t i = 0; i < frames; ++i) {
        // Both inputs are read before either output is written: in place is safe.
        const double dryL = guardInput(static_cast<double>(inL[i]), noise.left);
        const double dryR = guardInput(static_cast<double>(inR[i]), noise.right);

        const std::int32_t readBase = writeHistory(state, writeIndex, dryL + dryR);
        advanceScan(state, scan, block);
        const TapSums sums = sumTapsUnrolled(state, readBase, block.tapCount);

        const double wetL = smoothWet(sums.left, {lastSumL, state.wetHistoryL}, state.smoothCoeff, block.wetNormaliser);
        const double wetR = smoothWet(sums.right, {lastSumR, state.wetHistoryR}, state.smoothCoeff, block.wetNormaliser);
        const double mixL = mixChannel(wetL, dryL, block);
        const double mixR = mixChannel(wetR, dryR, block);

        // Left draws first, then right: two draws per frame.
        const Sample left = SamplePath<Sample>::quantiseReference(mixL, ditherShapeL, ditherRandom());
        const Sample right = SamplePath<Sample>::quantiseReference(mixR, ditherShapeR, ditherRandom());
        outL[i] = left;
        outR[i] = right;
    }

    state.writeIndex = writeIndex;
    state.scanTap = scan.tap;
    state.scanDirection = scan.direction;
    state.scanCounter = scan.counter;
    state.lastSumL = lastSumL;
    state.lastSumR = lastSumR;
    state.ditherShapeL = ditherShapeL;
    state.ditherShapeR = ditherShapeR;
    state.quietFrames = 0;  // not kept here: unknown from now on
}

}  // namespace

void processBlockReference(EngineState& state, float** inputs, float** outputs, std::int32_t frames) {
    runBlock(state, inputs, outputs, frames);
}

void processBlockReference(EngineState& state, double** inputs, double** outputs, std::int32_t frames) {
    runBlock(state, inputs, outputs, frames);
}

}  // namespace glowmarsh

#include "bench/FloorLoop.h"

#include <cstdlib>

namespace floorloop {

namespace {

template <typename Sample>
void floorBlock(Sample** inputs, Sample** outputs, VstInt32 frames) {
    const Sample* inL = inputs[0];
    const Sample* inR = inputs[1];
    Sample* outL = outputs[0];
    Sample* outR = outputs[1];
    for (VstInt32 i = 0; i < frames; ++i) {
        const double left = inL[i];
        const double right = inR[i];
        const int drawL = std::rand();
        const int drawR = std::rand();
        outL[i] = static_cast<Sample>(left + drawL * 1e-20);
        outR[i] = static_cast<Sample>(right + drawR * 1e-20);
    }
}

}  // namespace

void floorReplacing(AEffect*, float** inputs, float** outputs, VstInt32 frames) {
    floorBlock(inputs, outputs, frames);
}

void floorDoubleReplacing(AEffect*, double** inputs, double** outputs, VstInt32 frames) {
    floorBlock(inputs, outputs, frames);
}

}  // namespace floorloop

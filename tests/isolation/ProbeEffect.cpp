#include "tests/isolation/ProbeEffect.h"

#include <cstring>

#include "host/BoundedText.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return new Glowmarsh(audioMaster);
}

Glowmarsh::Glowmarsh(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, 0, 1) {
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(fourCharCode('p', 'r', 'b', 'e'));
    canProcessReplacing(true);
    canDoubleReplacing(true);
}

template <typename Sample>
static void halfInverted(Sample** inputs, Sample** outputs, VstInt32 frames) {
    for (VstInt32 i = 0; i < frames; ++i) {
        outputs[0][i] = -inputs[0][i] / 2;
        outputs[1][i] = -inputs[1][i] / 2;
    }
}

void Glowmarsh::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    halfInverted(inputs, outputs, sampleFrames);
}

void Glowmarsh::processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames) {
    halfInverted(inputs, outputs, sampleFrames);
}

bool Glowmarsh::getVendorString(char* text) {
    boundedCopy(text, "isolation probe", 64);
    return true;
}

bool Glowmarsh::getEffectName(char* name) {
    boundedCopy(name, "Probe", 64);
    return true;
}

VstInt32 Glowmarsh::canDo(char* text) {
    return std::strcmp(text, "probe") == 0 ? 1 : -1;
}

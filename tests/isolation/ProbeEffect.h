// A second, tiny effect built from the same base classes as Glowmarsh and
// packaged the same way. Its class is deliberately named Glowmarsh too, and
// it defines its own createEffectInstance: both libraries then define the
// same symbols with different code (the class's operations, its vtable and
// type information, the factory, and the inline operation below). If either
// library bound to the other's definitions, an instance would answer with
// the wrong code, and the isolation test would see it.
#pragma once

#include "host/AudioEffectX.h"

class Glowmarsh : public AudioEffectX {
public:
    explicit Glowmarsh(audioMasterCallback audioMaster);

    // Writes half the input, negated, so the processing code is recognisable.
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames) override;

    bool getVendorString(char* text) override;
    bool getEffectName(char* name) override;
    VstInt32 canDo(char* text) override;
    // Inline, so each library carries its own weak copy under the same name.
    VstInt32 getVendorVersion() override { return 7; }
    float getParameter(VstInt32 index) override { return 0.5f + static_cast<float>(index); }
};

// A second, tiny effect built from the same base classes as Glowmarsh and
// packaged the same way. Its class is deliberately named Glowmarsh too, and
// it defines its own createEffectInstance: both libraries then define the
// same symbols with different code (the class's operations, its vtable and
// type information, the factory). If either
// library bound to the other's definitions, an instance would answer with
// the wrong code, and the isolation test would see it.
#include <cstring>

#include "host/AudioEffectX.h"
#include "host/BoundedText.h"

class Glowmarsh : public AudioEffectX {
public:
    explicit Glowmarsh(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, 0, 1) {
        setNumInputs(2);
        setNumOutputs(2);
        setUniqueID(fourCharCode('p', 'r', 'b', 'e'));
        canProcessReplacing(true);
        canDoubleReplacing(true);
    }

    // Writes half the input, negated, so the processing code is recognisable.
    void processReplacing(float** in, float** out, VstInt32 frames) override { halfInverted(in, out, frames); }
    void processDoubleReplacing(double** in, double** out, VstInt32 frames) override { halfInverted(in, out, frames); }

    bool getVendorString(char* text) override { return boundedCopy(text, "isolation probe", 64), true; }
    VstInt32 canDo(char* text) override { return std::strcmp(text, "probe") == 0 ? 1 : -1; }
    VstInt32 getVendorVersion() override { return 7; }

private:
    template <typename Sample>
    static void halfInverted(Sample** inputs, Sample** outputs, VstInt32 frames) {
        for (VstInt32 i = 0; i < frames; ++i) {
            outputs[0][i] = -inputs[0][i] / 2;
            outputs[1][i] = -inputs[1][i] / 2;
        }
    }
};

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return new Glowmarsh(audioMaster);
}

// The smallest concrete effect: the base classes' behaviour, nothing more.
#pragma once

#include "host/AudioEffectX.h"
#include "tests/support/RecordingHost.h"

class BareEffect : public AudioEffectX {
public:
    explicit BareEffect(audioMasterCallback host = testhost::RecordingHost::callback, VstInt32 programs = 0,
                        VstInt32 params = 0)
        : AudioEffectX(host, programs, params) {}

    void processReplacing(float**, float**, VstInt32) override {}

    VstInt32 flags() { return getAeffect()->flags; }
    VstInt32 programCount() const { return numPrograms; }
};

#include "host/AudioEffectX.h"

#include "host/CanDos.h"

AudioEffectX::AudioEffectX(audioMasterCallback audioMaster, VstInt32 programs, VstInt32 params)
    : AudioEffect(audioMaster, programs, params) {}

void AudioEffectX::resume() {
    if (effectRecord.flags & effectFlags::isSynth) {
        wantEvents(1);
        return;
    }
    char text[] = "receiveVstMidiEvent";
    if (canDo(text) == 1) {
        wantEvents(1);
    }
}

VstInt32 AudioEffectX::getPlugCategory() {
    return (effectRecord.flags & effectFlags::isSynth) ? 2 : 0;
}

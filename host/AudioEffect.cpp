#include "host/AudioEffect.h"
#include "host/Opcodes.h"

#include <cstring>

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 programs, VstInt32 params)
    : hostCallback(audioMaster), numPrograms(programs), numParams(params) {
    std::memset(&effectRecord, 0, sizeof effectRecord);
    effectRecord.magic = kEffectMagic;
    effectRecord.dispatcher = dispatchEffectClass;
    effectRecord.process = processClass;
    effectRecord.setParameter = setParameterClass;
    effectRecord.getParameter = getParameterClass;
    effectRecord.numPrograms = programs;
    effectRecord.numParams = params;
    effectRecord.numInputs = 1;
    effectRecord.numOutputs = 2;
    effectRecord.flags = effectFlags::canReplacing;
    effectRecord.ioRatio = 1.0f;
    effectRecord.object = this;
    effectRecord.uniqueID = fourCharCode('N', 'o', 'E', 'f');
    effectRecord.version = 1;
    effectRecord.processReplacing = processClassReplacing;
    effectRecord.processDoubleReplacing = processClassDoubleReplacing;
}

AudioEffect::~AudioEffect() {
    delete editor;
}

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor = newEditor;
    setFlag(effectFlags::hasEditor, newEditor != nullptr);
}

void AudioEffect::setFlag(VstInt32 bit, bool state) {
    if (state) {
        effectRecord.flags |= bit;
    } else {
        effectRecord.flags &= ~bit;
    }
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return hostCallback ? hostCallback(&effectRecord, opcode, index, value, ptr, opt) : 0;
}

void AudioEffect::getProgramName(char* name) {
    *name = '\0';
}

void AudioEffect::getParameterLabel(VstInt32 /*index*/, char* label) {
    *label = '\0';
}

void AudioEffect::getParameterDisplay(VstInt32 /*index*/, char* text) {
    *text = '\0';
}

void AudioEffect::getParameterName(VstInt32 /*index*/, char* text) {
    *text = '\0';
}

// --- The record's entries -------------------------------------------------
//
// Nothing may unwind into the host: a request that fails answers 0, a
// parameter read that fails answers 0.0, and a processing call that fails
// leaves whatever it had written.

namespace {
AudioEffect* owner(AEffect* effect) {
    return static_cast<AudioEffect*>(effect->object);
}
}  // namespace

VstIntPtr AudioEffect::dispatchEffectClass(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                           void* ptr, float opt) {
    AudioEffect* object = owner(effect);
    if (opcode == effectOpcode::close) {
        // Close is the host's last word on this instance: it ends whatever
        // close() said or threw.
        try {
            object->dispatcher(opcode, index, value, ptr, opt);
        } catch (...) {
        }
        delete object;
        return 1;
    }
    try {
        return object->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

float AudioEffect::getParameterClass(AEffect* effect, VstInt32 index) {
    try {
        return owner(effect)->getParameter(index);
    } catch (...) {
        return 0.0f;
    }
}

void AudioEffect::setParameterClass(AEffect* effect, VstInt32 index, float value) {
    try {
        owner(effect)->setParameter(index, value);
    } catch (...) {
    }
}

void AudioEffect::processClass(AEffect* effect, float** inputs, float** outputs, VstInt32 sampleFrames) {
    try {
        owner(effect)->process(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

void AudioEffect::processClassReplacing(AEffect* effect, float** inputs, float** outputs, VstInt32 sampleFrames) {
    try {
        owner(effect)->processReplacing(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

void AudioEffect::processClassDoubleReplacing(AEffect* effect, double** inputs, double** outputs,
                                              VstInt32 sampleFrames) {
    try {
        owner(effect)->processDoubleReplacing(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

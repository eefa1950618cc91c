// A minimal stereo VST 2.4 plug-in for the renderer's tests: a gain of
// 2 × "Gain" (so the default 0.5 passes audio through unchanged), 32-bit
// processing only, state as parameter values rather than a chunk. With
// STUB_LOG set in the environment it appends every host call it receives to
// that file, one line each.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/AEffect.h"
#include "host/Opcodes.h"

namespace {

struct Stub {
    AEffect record;
    float gainParameter = 0.5f;
    char programName[25] = "Init";
};

void log(const char* what, long long number = -1) {
    const char* path = std::getenv("STUB_LOG");
    if (path == nullptr) {
        return;
    }
    if (FILE* file = std::fopen(path, "a")) {
        if (number >= 0) {
            std::fprintf(file, "%s %lld\n", what, number);
        } else {
            std::fprintf(file, "%s\n", what);
        }
        std::fclose(file);
    }
}

Stub* stubOf(AEffect* effect) {
    return static_cast<Stub*>(effect->object);
}

VstIntPtr dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    Stub* stub = stubOf(effect);
    switch (opcode) {
        case effectOpcode::open: log("open"); return 0;
        case effectOpcode::close: log("close"); delete stub; return 1;
        case effectOpcode::setSampleRate: log("sampleRate", static_cast<long long>(opt)); return 0;
        case effectOpcode::setBlockSize: log("blockSize", value); return 0;
        case effectOpcode::suspendOrResume: log(value ? "resume" : "suspend"); return 0;
        case effectOpcode::setProgramName: std::snprintf(stub->programName, 25, "%s", static_cast<char*>(ptr)); return 0;
        case effectOpcode::getProgramName: std::snprintf(static_cast<char*>(ptr), 25, "%s", stub->programName); return 0;
        case effectOpcode::getParameterName:
            if (index == 0) std::strcpy(static_cast<char*>(ptr), "Gain");
            return 0;
        case effectOpcode::getParameterDisplay:
            if (index == 0) std::snprintf(static_cast<char*>(ptr), 9, "%.2f", 2.0 * stub->gainParameter);
            return 0;
        case effectOpcode::getParameterLabel:
            if (index == 0) std::strcpy(static_cast<char*>(ptr), "x");
            return 0;
        case effectOpcode::getEffectName: std::strcpy(static_cast<char*>(ptr), "Stub gain"); return 1;
        case effectOpcode::getVstVersion: return 2400;
        default: return 0;
    }
}

void processReplacing(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
    log("process", frames);
    const float gain = 2.0f * stubOf(effect)->gainParameter;
    for (VstInt32 i = 0; i < frames; ++i) {
        outputs[0][i] = gain * inputs[0][i];
        outputs[1][i] = gain * inputs[1][i];
    }
}

void setParameter(AEffect* effect, VstInt32 index, float value) {
    if (index == 0) {
        stubOf(effect)->gainParameter = value;
    }
}

float getParameter(AEffect* effect, VstInt32 index) {
    return index == 0 ? stubOf(effect)->gainParameter : 0.0f;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host) {
    if (host(nullptr, hostOpcode::version, 0, 0, nullptr, 0.0f) == 0) {
        return nullptr;
    }
    Stub* stub = new Stub;
    std::memset(&stub->record, 0, sizeof stub->record);
    AEffect& r = stub->record;
    r.magic = kEffectMagic;
    r.dispatcher = dispatch;
    r.setParameter = setParameter;
    r.getParameter = getParameter;
    r.processReplacing = processReplacing;
    r.numParams = 1;
    r.numInputs = 2;
    r.numOutputs = 2;
    r.flags = effectFlags::canReplacing;
    r.object = stub;
    r.uniqueID = fourCharCode('s', 't', 'u', 'b');
    r.version = 7;
    return &r;
}

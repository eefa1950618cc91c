// A minimal stereo VST 2.4 plug-in for the renderer's tests: one parameter
// "Gain", output = 2 × Gain × input (the default 0.5 passes audio through
// unchanged), 32-bit processing only, state as parameter values rather than a
// chunk. With STUB_LOG set it appends each host call it gets to that file;
// with STUB_DELAY, each block takes that many microseconds more.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/AEffect.h"
#include "host/Opcodes.h"

namespace {

float gain = 0.5f;  // parameter 0; a renderer makes one instance per process

void log(const char* what, long long number) {
    const char* path = std::getenv("STUB_LOG");
    if (FILE* file = path ? std::fopen(path, "a") : nullptr) {
        std::fprintf(file, "%s %lld\n", what, number);
        std::fclose(file);
    }
}

VstIntPtr dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
        case effectOpcode::open: log("open", 0); return 0;
        case effectOpcode::close: log("close", 0); delete effect; return 1;
        case effectOpcode::setSampleRate: log("sampleRate", static_cast<long long>(opt)); return 0;
        case effectOpcode::setBlockSize: log("blockSize", value); return 0;
        case effectOpcode::suspendOrResume: log(value ? "resume" : "suspend", value); return 0;
        case effectOpcode::getParameterName: std::strcpy(static_cast<char*>(ptr), index == 0 ? "Gain" : ""); return 0;
        default: return 0;
    }
}

void process(AEffect*, float** inputs, float** outputs, VstInt32 frames) {
    log("process", frames);
    usleep(static_cast<useconds_t>(std::atoi(std::getenv("STUB_DELAY") ? std::getenv("STUB_DELAY") : "0")));
    for (VstInt32 i = 0; i < frames; ++i) {
        outputs[0][i] = 2.0f * gain * inputs[0][i];
        outputs[1][i] = 2.0f * gain * inputs[1][i];
    }
}

void setGain(AEffect*, VstInt32 index, float value) {
    gain = index == 0 ? value : gain;
}

float getGain(AEffect*, VstInt32 index) {
    return index == 0 ? gain : 0.0f;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback) {
    AEffect* r = new AEffect{};
    r->magic = kEffectMagic;
    r->dispatcher = dispatch;
    r->setParameter = setGain;
    r->getParameter = getGain;
    r->processReplacing = process;
    r->numParams = 1;
    r->numInputs = 2;
    r->numOutputs = 2;
    r->flags = effectFlags::canReplacing;
    r->uniqueID = fourCharCode('s', 't', 'u', 'b');
    r->version = 7;
    return r;
}

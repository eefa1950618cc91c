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
    if (FILE* file = std::getenv("STUB_LOG") ? std::fopen(std::getenv("STUB_LOG"), "a") : nullptr) {
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
    for (VstInt32 i = 0; i < 2 * frames; ++i) {
        outputs[i / frames][i % frames] = 2.0f * gain * inputs[i / frames][i % frames];
    }
}

}  // namespace

// Fields not named are zero, which is what GCC 12 warns about.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback) {
    return new AEffect{.magic = kEffectMagic, .dispatcher = dispatch,
                       .setParameter = [](AEffect*, VstInt32 index, float value) { gain = index ? gain : value; },
                       .getParameter = [](AEffect*, VstInt32 index) { return index ? 0.0f : gain; },
                       .numParams = 1, .numInputs = 2, .numOutputs = 2, .flags = effectFlags::canReplacing,
                       .uniqueID = fourCharCode('s', 't', 'u', 'b'), .version = 7, .processReplacing = process};
}

// What the fuzz targets share: an instance made through the exported entry
// point with a quiet host, closed when it goes, and a way to stop on a broken
// promise so that libFuzzer keeps the input.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/AudioEffectX.h"

extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster);

#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (0)

namespace fuzzhost {

struct Instance {
    static VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) { return opcode == 1; }
    Instance() : effect(VSTPluginMain(quietHost)) { FUZZ_CHECK(effect != nullptr); }
    ~Instance() { effect->dispatcher(effect, 1, 0, 0, nullptr, 0.0f); }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt = 0.0f) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    AudioEffectX& object() { return *static_cast<AudioEffectX*>(static_cast<AudioEffect*>(effect->object)); }
    std::uint32_t parameterBits(VstInt32 i) { return std::bit_cast<std::uint32_t>(effect->getParameter(effect, i)); }
    AEffect* effect;
};

inline float floatFrom(FuzzedDataProvider& in) {
    return std::bit_cast<float>(in.ConsumeIntegral<std::uint32_t>());
}

}  // namespace fuzzhost

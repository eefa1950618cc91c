// What the fuzz targets share: an in-process instance made through the
// exported entry point, a quiet host, and a way to stop on a broken promise.
#pragma once

#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "host/AEffect.h"
#include "host/AudioEffectX.h"

extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster);

namespace fuzzhost {

inline VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == 1 ? 2400 : 0;
}

inline AEffect* createInstance() {
    AEffect* effect = VSTPluginMain(quietHost);
    if (effect == nullptr) {
        std::abort();
    }
    return effect;
}

inline void closeInstance(AEffect* effect) {
    effect->dispatcher(effect, 1, 0, 0, nullptr, 0.0f);
}

inline AudioEffectX* object(AEffect* effect) {
    return static_cast<AudioEffectX*>(static_cast<AudioEffect*>(effect->object));
}

inline float floatFromBits(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// A failed check: say what, then crash so libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                   \
    do {                                                                        \
        if (!(condition)) {                                                     \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                       \
        }                                                                       \
    } while (0)

}  // namespace fuzzhost

// The two exported entry points. Everything else in the library is hidden.
#include "host/AudioEffect.h"
#include "host/Opcodes.h"

#if defined(_WIN32)
// A DLL exports what its module-definition file names.
#define GLOWMARSH_EXPORT extern "C"
#else
#define GLOWMARSH_EXPORT extern "C" __attribute__((visibility("default")))
#endif

GLOWMARSH_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster);
GLOWMARSH_EXPORT AEffect* main_macho(audioMasterCallback audioMaster);

AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    // A host that answers 0 to the version query gets nothing.
    if (audioMaster == nullptr || audioMaster(nullptr, hostOpcode::version, 0, 0, nullptr, 0.0f) == 0) {
        return nullptr;
    }
    try {
        AudioEffect* effect = createEffectInstance(audioMaster);
        return effect ? effect->getAeffect() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

AEffect* main_macho(audioMasterCallback audioMaster) {
    return VSTPluginMain(audioMaster);
}

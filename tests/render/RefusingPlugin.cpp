// A plug-in whose entry point creates no instance, as one does when it
// cannot start.
#include "host/AEffect.h"

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback) {
    return nullptr;
}

#include "tools/vsthost/HostCallback.h"

#include <cmath>
#include <cstring>

#include "host/Opcodes.h"

namespace vsthost {
namespace {

// Answers of host opcodes 22 to 24 that an offline renderer gives.
constexpr VstIntPtr kReplacingProcess = 1;
constexpr VstIntPtr kOfflineProcessLevel = 4;
constexpr VstIntPtr kAutomationOff = 1;
constexpr VstIntPtr kLanguageEnglish = 1;
// Host strings are at most 63 characters and a terminator.
constexpr std::size_t kHostStringBytes = 64;

const HostContext& contextOf(const AEffect* effect) {
    static const HostContext defaults;
    if (effect != nullptr && effect->user != nullptr) {
        return *static_cast<const HostContext*>(effect->user);
    }
    return defaults;
}

VstIntPtr copyHostString(void* ptr, const char* text) {
    if (ptr == nullptr) {
        return 0;
    }
    char* out = static_cast<char*>(ptr);
    std::strncpy(out, text, kHostStringBytes - 1);
    out[kHostStringBytes - 1] = '\0';
    return 1;
}

}  // namespace

VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr /*value*/, void* ptr,
                       float /*opt*/) {
    const HostContext& host = contextOf(effect);
    switch (opcode) {
        case hostOpcode::version: return kHostVstVersion;
        // Answer 0 means connected: the two stereo pins are, nothing else is.
        case hostOpcode::pinConnected: return index < 2 ? 0 : 1;
        case hostOpcode::getSampleRate: return std::lround(host.sampleRateHz);
        case hostOpcode::getBlockSize: return host.blockSizeFrames;
        case hostOpcode::willReplaceOrAccumulate: return kReplacingProcess;
        case hostOpcode::getCurrentProcessLevel: return kOfflineProcessLevel;
        case hostOpcode::getAutomationState: return kAutomationOff;
        case hostOpcode::getVendorString: return copyHostString(ptr, kHostVendor);
        case hostOpcode::getProductString: return copyHostString(ptr, kHostProduct);
        case hostOpcode::getVendorVersion: return kHostVendorVersion;
        case hostOpcode::getLanguage: return kLanguageEnglish;
        // No time information, no events, no windows, no idle calls, no
        // capabilities beyond plain processing: every other request is "no".
        default: return 0;
    }
}

}  // namespace vsthost

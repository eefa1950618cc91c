// The host callback every instance driven by this library receives: the
// answers of an offline host that renders files, not a live one.
#pragma once

#include "host/AEffect.h"

namespace vsthost {

// What the host has told one instance; reached from the callback through the
// record's `user` field, which belongs to the host.
struct HostContext {
    float sampleRateHz = 44100.0f;     // last rate given with setSampleRate
    VstInt32 blockSizeFrames = 1024;   // last size given with setBlockSize
};

// The VST version this host speaks.
constexpr VstIntPtr kHostVstVersion = 2400;
// Host identity strings and version, as answered to host opcodes 32 to 34.
constexpr const char* kHostVendor = "fernbridge";
constexpr const char* kHostProduct = "glowmarsh-render";
constexpr VstIntPtr kHostVendorVersion = 1000;

// The callback itself. Safe with a null record (the entry point's version
// query) and with a record whose `user` holds no HostContext yet.
VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

}  // namespace vsthost

// The plug-in record and the function types of the VST 2.4 boundary.
//
// Plain data with fixed widths. Pointers, the reserved fields and the
// dispatcher's and host callback's `value` argument and result are as wide as
// a pointer; everything else is 32 bits. The static checks at the end pin the
// layout for 64-bit targets (192 bytes) and 32-bit targets (144 bytes).
#pragma once

#include <cstddef>
#include <cstdint>

using VstInt32 = std::int32_t;
using VstIntPtr = std::intptr_t;

struct AEffect;

// The host's callback: (record or null, host opcode, index, value, ptr, opt).
using audioMasterCallback = VstIntPtr (*)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                          VstIntPtr value, void* ptr, float opt);

using AEffectDispatcherProc = VstIntPtr (*)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                            VstIntPtr value, void* ptr, float opt);
using AEffectProcessProc = void (*)(AEffect* effect, float** inputs, float** outputs,
                                    VstInt32 sampleFrames);
using AEffectProcessDoubleProc = void (*)(AEffect* effect, double** inputs, double** outputs,
                                          VstInt32 sampleFrames);
using AEffectSetParameterProc = void (*)(AEffect* effect, VstInt32 index, float parameter);
using AEffectGetParameterProc = float (*)(AEffect* effect, VstInt32 index);

// A four-character code: the first character in the most significant byte.
constexpr VstInt32 fourCharCode(char a, char b, char c, char d) {
    return static_cast<VstInt32>((static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                 (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                 (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                 static_cast<std::uint32_t>(static_cast<unsigned char>(d)));
}

constexpr VstInt32 kEffectMagic = fourCharCode('V', 's', 't', 'P');

// Bits of AEffect::flags.
namespace effectFlags {
constexpr VstInt32 hasEditor = 0x1;
constexpr VstInt32 hasClip = 0x2;
constexpr VstInt32 hasVu = 0x4;
constexpr VstInt32 canMono = 0x8;
constexpr VstInt32 canReplacing = 0x10;
constexpr VstInt32 programChunks = 0x20;
constexpr VstInt32 isSynth = 0x100;
constexpr VstInt32 noSoundInStop = 0x200;  // "no tail"
constexpr VstInt32 extIsAsync = 0x400;
constexpr VstInt32 extHasBuffer = 0x800;
constexpr VstInt32 canDoubleReplacing = 0x1000;
}  // namespace effectFlags

struct AEffect {
    VstInt32 magic;                             // kEffectMagic
    AEffectDispatcherProc dispatcher;           // every opcode
    AEffectProcessProc process;                 // accumulating 32-bit processing
    AEffectSetParameterProc setParameter;       // parameter write
    AEffectGetParameterProc getParameter;       // parameter read
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 numInputs;
    VstInt32 numOutputs;
    VstInt32 flags;                             // effectFlags bits
    VstIntPtr reserved1;
    VstIntPtr reserved2;
    VstInt32 initialDelay;                      // latency in sample frames
    VstInt32 realtimeQualities;
    VstInt32 offlineQualities;
    float ioRatio;
    void* object;                               // the owning AudioEffect
    void* user;                                 // the host's; never touched by the plug-in
    VstInt32 uniqueID;
    VstInt32 version;
    AEffectProcessProc processReplacing;        // replacing 32-bit processing
    AEffectProcessDoubleProc processDoubleReplacing;  // replacing 64-bit processing
    char future[56];
};

static_assert(offsetof(AEffect, magic) == 0);
#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
static_assert(sizeof(AEffect) == 192);
static_assert(offsetof(AEffect, dispatcher) == 8);
static_assert(offsetof(AEffect, process) == 16);
static_assert(offsetof(AEffect, setParameter) == 24);
static_assert(offsetof(AEffect, getParameter) == 32);
static_assert(offsetof(AEffect, numPrograms) == 40);
static_assert(offsetof(AEffect, numParams) == 44);
static_assert(offsetof(AEffect, numInputs) == 48);
static_assert(offsetof(AEffect, numOutputs) == 52);
static_assert(offsetof(AEffect, flags) == 56);
static_assert(offsetof(AEffect, reserved1) == 64);
static_assert(offsetof(AEffect, reserved2) == 72);
static_assert(offsetof(AEffect, initialDelay) == 80);
static_assert(offsetof(AEffect, realtimeQualities) == 84);
static_assert(offsetof(AEffect, offlineQualities) == 88);
static_assert(offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, user) == 104);
static_assert(offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, version) == 116);
static_assert(offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, processDoubleReplacing) == 128);
static_assert(offsetof(AEffect, future) == 136);
#elif UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(AEffect) == 144);
static_assert(offsetof(AEffect, dispatcher) == 4);
static_assert(offsetof(AEffect, process) == 8);
static_assert(offsetof(AEffect, setParameter) == 12);
static_assert(offsetof(AEffect, getParameter) == 16);
static_assert(offsetof(AEffect, numPrograms) == 20);
static_assert(offsetof(AEffect, numParams) == 24);
static_assert(offsetof(AEffect, numInputs) == 28);
static_assert(offsetof(AEffect, numOutputs) == 32);
static_assert(offsetof(AEffect, flags) == 36);
static_assert(offsetof(AEffect, reserved1) == 40);
static_assert(offsetof(AEffect, reserved2) == 44);
static_assert(offsetof(AEffect, initialDelay) == 48);
static_assert(offsetof(AEffect, realtimeQualities) == 52);
static_assert(offsetof(AEffect, offlineQualities) == 56);
static_assert(offsetof(AEffect, ioRatio) == 60);
static_assert(offsetof(AEffect, object) == 64);
static_assert(offsetof(AEffect, user) == 68);
static_assert(offsetof(AEffect, uniqueID) == 72);
static_assert(offsetof(AEffect, version) == 76);
static_assert(offsetof(AEffect, processReplacing) == 80);
static_assert(offsetof(AEffect, processDoubleReplacing) == 84);
static_assert(offsetof(AEffect, future) == 88);
#else
#error "unsupported pointer width"
#endif

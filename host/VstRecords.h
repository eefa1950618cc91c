// Records that cross the boundary by pointer. The effect only passes most of
// them on, so they stay incomplete; the speaker records are read and written
// (AudioEffectX's arrangement operations) and are laid out here.
#pragma once

#include "host/AEffect.h"

struct VstEvents;
struct VstPinProperties;
struct VstAudioFile;
struct VstOfflineTask;
struct VstVariableIo;
struct VstParameterProperties;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;
struct VstPatchChunkInfo;
struct VstTimeInfo;
struct VstWindow;
struct VstFileSelect;

using VstOfflineOption = VstInt32;

// One channel of an arrangement: 112 bytes.
struct VstSpeakerProperties {
    float azimuth;       // the four leading fields are copied, never interpreted
    float elevation;
    float radius;
    float reserved;
    char name[64];       // zero-terminated, at most 63 characters
    VstInt32 speakerType;  // copied, never interpreted
    char future[28];     // copied bit for bit
};

static_assert(sizeof(VstSpeakerProperties) == 112);
static_assert(offsetof(VstSpeakerProperties, name) == 16);
static_assert(offsetof(VstSpeakerProperties, speakerType) == 80);
static_assert(offsetof(VstSpeakerProperties, future) == 84);

// A channel layout: 8 bytes of header, then numChannels speaker records.
// Hosts declare room for eight speakers; blocks made by
// AudioEffectX::allocateArrangement hold exactly numChannels, so reach the
// speakers through speakerAt() rather than by indexing the array.
struct VstSpeakerArrangement {
    VstInt32 arrangementType;  // layout type, copied unchanged
    VstInt32 numChannels;      // not negative
    VstSpeakerProperties speakers[8];
};

static_assert(offsetof(VstSpeakerArrangement, numChannels) == 4);
static_assert(offsetof(VstSpeakerArrangement, speakers) == 8);

// Bytes taken by an arrangement of n channels.
constexpr std::size_t arrangementBytes(std::size_t n) {
    return offsetof(VstSpeakerArrangement, speakers) + n * sizeof(VstSpeakerProperties);
}

// Speaker i of an arrangement of any channel count. Computed from the block's
// start so that channels past the declared eight are reached without indexing
// beyond the array.
inline VstSpeakerProperties* speakerAt(VstSpeakerArrangement* arrangement, VstInt32 i) {
    return reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(arrangement) +
                                                   arrangementBytes(static_cast<std::size_t>(i)));
}

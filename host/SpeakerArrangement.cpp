// Building, freeing and copying speaker arrangements. A block made here is
// one array allocation of arrangementBytes(channels) bytes, released with the
// array form. The four operations call each other virtually, so an effect
// that replaces one changes the others too.
#include <cstdint>
#include <cstring>
#include <new>

#include "host/AudioEffectX.h"
#include "host/BoundedText.h"

namespace {
void releaseBlock(VstSpeakerArrangement* arrangement) {
    delete[] reinterpret_cast<char*>(arrangement);
}

// A negative count has no block, and on a 32-bit target a large one has a
// size that does not fit.
bool buildable(VstInt32 channels) {
    constexpr std::size_t maxChannels = (SIZE_MAX - arrangementBytes(0)) / sizeof(VstSpeakerProperties);
    return channels >= 0 && static_cast<std::size_t>(channels) <= maxChannels;
}
}  // namespace

bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 channels) {
    if (arrangement == nullptr) {
        return false;
    }
    if (*arrangement != nullptr) {
        releaseBlock(*arrangement);
        // Never leave the caller holding the block just released, even when
        // no new one can be made.
        *arrangement = nullptr;
    }
    if (!buildable(channels)) {
        return false;
    }
    const std::size_t byteSize = arrangementBytes(static_cast<std::size_t>(channels));
    char* block = new (std::nothrow) char[byteSize];
    if (block == nullptr) {
        return false;
    }
    std::memset(block, 0, byteSize);
    *arrangement = reinterpret_cast<VstSpeakerArrangement*>(block);
    (*arrangement)->numChannels = channels;
    return true;
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** arrangement) {
    if (arrangement != nullptr && *arrangement != nullptr) {
        releaseBlock(*arrangement);
        *arrangement = nullptr;
    }
    return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from) {
    if (to == nullptr || from == nullptr) {
        return false;
    }
    // Reads the source name only up to its terminator or 63 characters.
    boundedCopy(to->name, from->name, sizeof to->name - 1);
    to->speakerType = from->speakerType;
    // Byte copies: these fields are carried, not interpreted, so not even a
    // signalling NaN may change on the way.
    std::memmove(&to->azimuth, &from->azimuth, offsetof(VstSpeakerProperties, name));
    std::memmove(to->future, from->future, sizeof to->future);
    return true;
}

bool AudioEffectX::matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from) {
    if (from == nullptr) {
        return false;
    }
    // Matching a block with itself would read it after releasing it; it is
    // already its own copy.
    if (to != nullptr && *to == from) {
        return true;
    }
    if (!deallocateArrangement(to) || !allocateArrangement(to, from->numChannels)) {
        return false;
    }
    (*to)->arrangementType = from->arrangementType;
    for (VstInt32 i = 0; i < (*to)->numChannels; ++i) {
        if (!copySpeaker(speakerAt(*to, i), speakerAt(from, i))) {
            return false;
        }
    }
    return true;
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output) {
    if (input != nullptr) {
        *input = nullptr;
    }
    if (output != nullptr) {
        *output = nullptr;
    }
    return false;
}

// Building, freeing and copying speaker arrangements. A block made here is
// one array allocation of arrangementBytes(channels) bytes.
#include <cstdint>
#include <cstring>
#include <new>

#include "host/AudioEffectX.h"
#include "host/BoundedText.h"

namespace {
void releaseBlock(VstSpeakerArrangement* arrangement) {
    delete[] reinterpret_cast<char*>(arrangement);
}
}  // namespace

bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 channels) {
    if (*arrangement != nullptr) {
        releaseBlock(*arrangement);
        // Never leave the caller holding the block just released.
        *arrangement = nullptr;
    }
    // A negative count, or one whose size does not fit, cannot be built.
    if (channels < 0 || static_cast<std::size_t>(channels) > (SIZE_MAX - arrangementBytes(0)) / sizeof(VstSpeakerProperties)) {
        return false;
    }
    char* block = new (std::nothrow) char[arrangementBytes(static_cast<std::size_t>(channels))];
    if (block == nullptr) {
        return false;
    }
    std::memset(block, 0, arrangementBytes(static_cast<std::size_t>(channels)));
    *arrangement = reinterpret_cast<VstSpeakerArrangement*>(block);
    (*arrangement)->numChannels = channels;
    return true;
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** arrangement) {
    if (*arrangement != nullptr) {
        releaseBlock(*arrangement);
        *arrangement = nullptr;
    }
    return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from) {
    if (to == nullptr || from == nullptr) {
        return false;
    }
    boundedCopy(to->name, from->name, sizeof to->name - 1);
    to->type = from->type;
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
    if (!deallocateArrangement(to) || !allocateArrangement(to, from->numChannels)) {
        return false;
    }
    (*to)->type = from->type;
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

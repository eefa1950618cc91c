// Random sequences of host calls: any opcode with any index, value and opt,
// pointer arguments always pointing at buffers big enough for what the
// opcode may read or write; parameter writes of any bit pattern; and short
// processing blocks of any samples in either precision.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "fuzz/FuzzHost.h"
#include "host/VstRecords.h"

namespace {

constexpr int kMaxFrames = 64;

// Room for the largest record any opcode may fill (VST records are all far
// smaller), with a text terminated inside it.
struct Scratch {
    alignas(16) unsigned char bytes[4096];
};

void fillText(FuzzedDataProvider& in, Scratch& scratch) {
    const std::string text = in.ConsumeRandomLengthString(300);
    std::memset(scratch.bytes, 0, sizeof scratch.bytes);
    std::memcpy(scratch.bytes, text.data(), text.size());
}

VstIntPtr dispatch(FuzzedDataProvider& in, AEffect*& effect) {
    const VstInt32 opcode = in.ConsumeBool() ? in.ConsumeIntegralInRange<VstInt32>(-2, 82) : in.ConsumeIntegral<VstInt32>();
    const VstInt32 index = in.ConsumeBool() ? in.ConsumeIntegralInRange<VstInt32>(-2, 4) : in.ConsumeIntegral<VstInt32>();
    VstIntPtr value = in.ConsumeIntegral<VstIntPtr>();
    const float opt = fuzzhost::floatFromBits(in.ConsumeIntegral<std::uint32_t>());
    Scratch scratch;
    fillText(in, scratch);
    void* ptr = scratch.bytes;

    if (opcode == 1) {
        // Close ends the instance; a host then opens a new one.
        const VstIntPtr answer = effect->dispatcher(effect, 1, index, value, ptr, opt);
        FUZZ_CHECK(answer == 1);
        effect = fuzzhost::createInstance();
        return answer;
    }
    void* slot = nullptr;
    void* otherSlot = nullptr;
    std::vector<unsigned char> chunk;
    Scratch arrangementIn, arrangementOut;
    switch (opcode) {
        case 23:  // getChunk writes the block's address
            ptr = &slot;
            break;
        case 24:  // setChunk reads `value` bytes, never more than the host has
            chunk = in.ConsumeBytes<unsigned char>(in.ConsumeIntegralInRange<std::size_t>(0, 64));
            value = in.ConsumeIntegralInRange<VstIntPtr>(-1, static_cast<VstIntPtr>(chunk.size()));
            ptr = chunk.empty() ? nullptr : chunk.data();
            break;
        case 42:  // setSpeakerArrangement: two arrangements, one by value
            std::memset(arrangementIn.bytes, 0, sizeof arrangementIn.bytes);
            std::memset(arrangementOut.bytes, 0, sizeof arrangementOut.bytes);
            reinterpret_cast<VstSpeakerArrangement*>(arrangementIn.bytes)->numChannels = 2;
            reinterpret_cast<VstSpeakerArrangement*>(arrangementOut.bytes)->numChannels = 2;
            value = reinterpret_cast<VstIntPtr>(arrangementIn.bytes);
            ptr = arrangementOut.bytes;
            break;
        case 69:  // getSpeakerArrangement writes through two pointer addresses
            value = reinterpret_cast<VstIntPtr>(&slot);
            ptr = &otherSlot;
            break;
        default:
            break;
    }
    const VstIntPtr answer = effect->dispatcher(effect, opcode, index, value, ptr, opt);
    if (opcode == 23) {
        FUZZ_CHECK(answer == 12 && slot != nullptr);
        float saved[3];
        std::memcpy(saved, slot, sizeof saved);  // the block stays readable after the call
        for (VstInt32 i = 0; i < 3; ++i) {
            const float now = effect->getParameter(effect, i);
            FUZZ_CHECK(std::memcmp(&saved[i], &now, sizeof now) == 0);
        }
    }
    if (opcode == 69) {
        FUZZ_CHECK(slot == nullptr && otherSlot == nullptr && answer == 0);
    }
    return answer;
}

template <typename Sample>
void process(FuzzedDataProvider& in, AEffect* effect) {
    const VstInt32 frames = in.ConsumeIntegralInRange<VstInt32>(-2, kMaxFrames);
    const bool inPlace = in.ConsumeBool();
    Sample inL[kMaxFrames] = {}, inR[kMaxFrames] = {}, outL[kMaxFrames] = {}, outR[kMaxFrames] = {};
    bool tame = true;  // every input finite and far below the top of the range
    for (int i = 0; i < kMaxFrames && in.remaining_bytes() > 0; ++i) {
        for (Sample* channel : {inL, inR}) {
            Sample value;
            if constexpr (sizeof(Sample) == 4) {
                value = fuzzhost::floatFromBits(in.ConsumeIntegral<std::uint32_t>());
            } else {
                const std::uint64_t bits = in.ConsumeIntegral<std::uint64_t>();
                std::memcpy(&value, &bits, sizeof value);
            }
            channel[i] = value;
            tame = tame && std::isfinite(value) && std::fabs(value) <= Sample(1e6);
        }
    }
    Sample* inputs[] = {inL, inR};
    Sample* separate[] = {outL, outR};
    Sample** outputs = inPlace ? inputs : separate;
    if constexpr (sizeof(Sample) == 4) {
        effect->processReplacing(effect, inputs, outputs, frames);
    } else {
        effect->processDoubleReplacing(effect, inputs, outputs, frames);
    }
    // Sustain and Grain are held in range by the engine; Dry/Wet is used as
    // given. With a sane Dry/Wet and tame input, the output is finite.
    const float dryWet = effect->getParameter(effect, 2);
    if (tame && dryWet >= 0.0f && dryWet <= 1.0f) {
        for (VstInt32 i = 0; i < frames; ++i) {
            FUZZ_CHECK(std::isfinite(outputs[0][i]) && std::isfinite(outputs[1][i]));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    AEffect* effect = fuzzhost::createInstance();
    for (int step = 0; step < 48 && in.remaining_bytes() > 0; ++step) {
        switch (in.ConsumeIntegralInRange<int>(0, 5)) {
            case 0:
            case 1:
                dispatch(in, effect);
                break;
            case 2:
                effect->setParameter(effect, in.ConsumeIntegralInRange<VstInt32>(-1, 3),
                                     fuzzhost::floatFromBits(in.ConsumeIntegral<std::uint32_t>()));
                break;
            case 3:
                effect->getParameter(effect, in.ConsumeIntegral<VstInt32>());
                break;
            case 4:
                process<float>(in, effect);
                break;
            case 5:
                process<double>(in, effect);
                break;
        }
    }
    fuzzhost::closeInstance(effect);
    return 0;
}

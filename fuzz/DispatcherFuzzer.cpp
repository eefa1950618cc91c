// Random sequences of host calls: any opcode with any index, value and opt,
// pointer arguments pointing at buffers big enough for what the opcode may
// read or write, and chunks of exactly the size given; parameter writes of
// any bit pattern (and their display texts); and short processing blocks of
// any samples in either precision, in place or not.
#include <cmath>
#include <memory>
#include <vector>

#include "fuzz/FuzzHost.h"

namespace {

constexpr int kMaxFrames = 64;

void dispatch(FuzzedDataProvider& in, std::unique_ptr<fuzzhost::Instance>& instance) {
    const VstInt32 opcode = in.ConsumeBool() ? in.ConsumeIntegralInRange<VstInt32>(-2, 82) : in.ConsumeIntegral<VstInt32>();
    const VstInt32 index = in.ConsumeBool() ? in.ConsumeIntegralInRange<VstInt32>(-2, 4) : in.ConsumeIntegral<VstInt32>();
    VstIntPtr value = in.ConsumeIntegral<VstIntPtr>();
    const float opt = fuzzhost::floatFrom(in);
    alignas(16) char scratch[4096] = {};  // room for any record an opcode may fill, with a text in it
    const std::string text = in.ConsumeRandomLengthString(300);
    std::memcpy(scratch, text.data(), text.size());
    void *ptr = scratch, *slot = nullptr, *otherSlot = nullptr;
    const std::vector<std::uint8_t> chunk = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, 16));
    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[chunk.size()]);  // a read past it is caught
    fuzzhost::Instance& effect = *instance;
    std::uint32_t before[3];
    for (VstInt32 i = 0; i < 3; ++i) before[i] = effect.parameterBits(i);
    if (opcode == 1) {  // close ends the instance; a host then opens a new one
        instance = std::make_unique<fuzzhost::Instance>();
        return;
    }
    if (opcode == 23) ptr = &slot;
    if (opcode == 24) value = static_cast<VstIntPtr>(chunk.size()), ptr = chunk.empty() ? nullptr : block.get();
    if (opcode == 24 && !chunk.empty()) std::memcpy(block.get(), chunk.data(), chunk.size());
    if (opcode == 42) {
        reinterpret_cast<VstSpeakerArrangement*>(scratch)->numChannels = 2;
        value = reinterpret_cast<VstIntPtr>(scratch);
    }
    if (opcode == 69) value = reinterpret_cast<VstIntPtr>(&slot), ptr = &otherSlot;
    const VstIntPtr answer = effect.dispatch(opcode, index, value, ptr, opt);
    for (VstInt32 i = 0; i < 3 && opcode == 24; ++i) {
        // Fewer than 12 bytes change nothing; otherwise each value lands in 0..1.
        const float now = std::bit_cast<float>(effect.parameterBits(i));
        FUZZ_CHECK(answer == 0 && (chunk.size() < 12 ? effect.parameterBits(i) == before[i] : now >= 0.0f && now <= 1.0f));
    }
    if (opcode == 23) {  // the block holds the values and stays readable after the call
        FUZZ_CHECK(answer == 12 && slot != nullptr);
        for (VstInt32 i = 0; i < 3; ++i) FUZZ_CHECK(std::memcmp(static_cast<float*>(slot) + i, &before[i], 4) == 0);
    }
    if (opcode == 69) FUZZ_CHECK(slot == nullptr && otherSlot == nullptr && answer == 0);
    if (opcode == 7 && index >= 0 && index < 3) {  // a display of any value is a number or "Huge!" in 9 bytes
        FUZZ_CHECK(std::strspn(scratch, "-.0123456789") == strnlen(scratch, 9) || std::strcmp(scratch, "Huge!") == 0);
        FUZZ_CHECK(scratch[8] == 0);
    }
}

template <typename Sample>
void process(FuzzedDataProvider& in, AEffect* effect) {
    const VstInt32 frames = in.ConsumeIntegralInRange<VstInt32>(-2, kMaxFrames);
    const bool inPlace = in.ConsumeBool();
    Sample inL[kMaxFrames] = {}, inR[kMaxFrames] = {}, outL[kMaxFrames] = {}, outR[kMaxFrames] = {};
    bool tame = true;  // every input finite and far below the top of the range
    for (int i = 0; i < kMaxFrames && in.remaining_bytes() > 0; ++i) {
        for (Sample* channel : {inL, inR}) {
            channel[i] = sizeof(Sample) == 4 ? fuzzhost::floatFrom(in) : std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>());
            tame = tame && std::isfinite(channel[i]) && std::fabs(channel[i]) <= Sample(1e6);
        }
    }
    Sample *inputs[] = {inL, inR}, *separate[] = {outL, outR};
    Sample** outputs = inPlace ? inputs : separate;
    if constexpr (sizeof(Sample) == 4) {
        effect->processReplacing(effect, inputs, outputs, frames);
    } else {
        effect->processDoubleReplacing(effect, inputs, outputs, frames);
    }
    // Sustain and Grain are held in range where the engine reads them; Dry/Wet
    // is used as given. With a sane Dry/Wet and tame input, the output is finite.
    const float dryWet = effect->getParameter(effect, 2);
    for (VstInt32 i = 0; i < frames && tame && dryWet >= 0.0f && dryWet <= 1.0f; ++i) {
        FUZZ_CHECK(std::isfinite(outputs[0][i]) && std::isfinite(outputs[1][i]));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    auto instance = std::make_unique<fuzzhost::Instance>();
    for (int step = 0; step < 48 && in.remaining_bytes() > 0; ++step) {
        AEffect* effect = instance->effect;
        switch (in.ConsumeIntegralInRange<int>(0, 4)) {
            case 0: dispatch(in, instance); break;
            case 1: effect->setParameter(effect, in.ConsumeIntegralInRange<VstInt32>(-1, 3), fuzzhost::floatFrom(in)); break;
            case 2: effect->getParameter(effect, in.ConsumeIntegral<VstInt32>()); break;
            case 3: process<float>(in, effect); break;
            case 4: process<double>(in, effect); break;
        }
    }
    return 0;
}

// The speaker-arrangement operations with any channel count and any record
// contents a host may hand over (of exactly the size its channel count
// declares): fresh blocks are zero, copies are faithful but for names, which
// are cut to 63 characters and terminated; nothing leaks or overruns.
#include <memory>
#include <vector>

#include "fuzz/FuzzHost.h"
#include "host/VstRecords.h"

namespace {

std::unique_ptr<std::uint8_t[]> hostArrangement(FuzzedDataProvider& in, VstInt32 channels) {
    const std::size_t bytes = arrangementBytes(static_cast<std::size_t>(channels));
    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[bytes]());
    const auto filling = in.ConsumeBytes<std::uint8_t>(bytes);
    std::copy(filling.begin(), filling.end(), block.get());
    reinterpret_cast<VstSpeakerArrangement*>(block.get())->numChannels = channels;
    return block;
}

void checkCopy(const VstSpeakerProperties& to, const VstSpeakerProperties& from) {
    constexpr std::size_t kName = offsetof(VstSpeakerProperties, name), kAfter = kName + sizeof from.name;
    const auto *t = reinterpret_cast<const char*>(&to), *f = reinterpret_cast<const char*>(&from);
    const std::size_t length = strnlen(from.name, 63);
    FUZZ_CHECK(std::memcmp(t, f, kName) == 0 && std::memcmp(t + kAfter, f + kAfter, sizeof to - kAfter) == 0);
    FUZZ_CHECK(std::memcmp(to.name, from.name, length) == 0);
    for (std::size_t i = length; i < sizeof to.name; ++i) FUZZ_CHECK(to.name[i] == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzhost::Instance effect;
    AudioEffectX& object = effect.object();
    FuzzedDataProvider in(data, size);
    VstSpeakerArrangement* held = nullptr;
    for (int step = 0; step < 16 && in.remaining_bytes() > 0; ++step) {
        const VstInt32 channels = in.ConsumeIntegralInRange<VstInt32>(-3, 24);
        switch (in.ConsumeIntegralInRange<int>(0, 2)) {
            case 0: {
                const bool made = object.allocateArrangement(&held, channels);
                FUZZ_CHECK(made == (channels >= 0) && (held != nullptr) == made);
                FUZZ_CHECK(!made || (held->arrangementType == 0 && held->numChannels == channels));
                const auto* bytes = reinterpret_cast<const std::uint8_t*>(held);
                for (std::size_t i = 8; made && i < arrangementBytes(channels); ++i) FUZZ_CHECK(bytes[i] == 0);
                break;
            }
            case 1:
                FUZZ_CHECK(!object.matchArrangement(&held, nullptr));  // no source: refused, nothing released
                FUZZ_CHECK(object.deallocateArrangement(&held) && held == nullptr);
                break;
            case 2: {
                auto block = hostArrangement(in, std::max(channels, 0));
                auto* from = reinterpret_cast<VstSpeakerArrangement*>(block.get());
                FUZZ_CHECK(object.matchArrangement(&held, from) && held->numChannels == from->numChannels);
                FUZZ_CHECK(held->arrangementType == from->arrangementType);
                for (VstInt32 i = 0; i < from->numChannels; ++i) checkCopy(*speakerAt(held, i), *speakerAt(from, i));
                break;
            }
        }
    }
    object.deallocateArrangement(&held);
    return 0;
}

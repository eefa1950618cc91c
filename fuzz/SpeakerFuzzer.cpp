// The speaker-arrangement operations with any channel count and any record
// contents a host may hand over (of the size its channel count declares):
// copies are faithful, names always terminated, nothing leaks or overruns.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "fuzz/FuzzHost.h"
#include "host/VstRecords.h"

namespace {

// A host's arrangement of n channels: exactly 8 + 112 × n bytes.
std::unique_ptr<unsigned char[]> hostArrangement(FuzzedDataProvider& in, VstInt32 channels) {
    const std::size_t bytes = arrangementBytes(static_cast<std::size_t>(channels));
    std::unique_ptr<unsigned char[]> block(new unsigned char[bytes]);
    const auto filling = in.ConsumeBytes<unsigned char>(bytes);
    std::memset(block.get(), 0, bytes);
    if (!filling.empty()) {
        std::memcpy(block.get(), filling.data(), filling.size());
    }
    reinterpret_cast<VstSpeakerArrangement*>(block.get())->numChannels = channels;
    return block;
}

// Byte ranges of a speaker record: everything but the name is carried as is.
constexpr std::size_t kNameAt = offsetof(VstSpeakerProperties, name);
constexpr std::size_t kAfterName = kNameAt + sizeof(VstSpeakerProperties::name);

void checkCopiedSpeaker(const VstSpeakerProperties& to, const VstSpeakerProperties& from) {
    const auto* toBytes = reinterpret_cast<const unsigned char*>(&to);
    const auto* fromBytes = reinterpret_cast<const unsigned char*>(&from);
    FUZZ_CHECK(std::memcmp(toBytes, fromBytes, kNameAt) == 0);
    FUZZ_CHECK(std::memcmp(toBytes + kAfterName, fromBytes + kAfterName, sizeof to - kAfterName) == 0);
    FUZZ_CHECK(to.name[63] == 0);
    const std::size_t length = strnlen(from.name, 63);
    FUZZ_CHECK(std::memcmp(to.name, from.name, length) == 0);
    for (std::size_t i = length; i < sizeof to.name; ++i) {
        FUZZ_CHECK(to.name[i] == 0);
    }
}

// The layout type: the arrangement's first four bytes.
VstInt32 layoutType(const VstSpeakerArrangement* arrangement) {
    VstInt32 type;
    std::memcpy(&type, arrangement, sizeof type);
    return type;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static AEffect* effect = fuzzhost::createInstance();
    AudioEffectX* object = fuzzhost::object(effect);
    FuzzedDataProvider in(data, size);
    VstSpeakerArrangement* held = nullptr;

    for (int step = 0; step < 16 && in.remaining_bytes() > 0; ++step) {
        switch (in.ConsumeIntegralInRange<int>(0, 5)) {
            case 0: {
                const VstInt32 channels = in.ConsumeIntegralInRange<VstInt32>(-3, 40);
                const bool made = object->allocateArrangement(&held, channels);
                FUZZ_CHECK(made == (channels >= 0));
                if (made) {
                    FUZZ_CHECK(held->numChannels == channels && layoutType(held) == 0);
                    const auto* bytes = reinterpret_cast<const unsigned char*>(held);
                    for (std::size_t i = 8; i < arrangementBytes(static_cast<std::size_t>(channels)); ++i) {
                        FUZZ_CHECK(bytes[i] == 0);
                    }
                } else {
                    FUZZ_CHECK(held == nullptr);
                }
                break;
            }
            case 1:
                FUZZ_CHECK(object->deallocateArrangement(&held));
                FUZZ_CHECK(held == nullptr);
                break;
            case 2: {
                const VstInt32 channels = in.ConsumeIntegralInRange<VstInt32>(0, 24);
                auto block = hostArrangement(in, channels);
                auto* from = reinterpret_cast<VstSpeakerArrangement*>(block.get());
                FUZZ_CHECK(object->matchArrangement(&held, from));
                FUZZ_CHECK(layoutType(held) == layoutType(from) && held->numChannels == channels);
                for (VstInt32 i = 0; i < channels; ++i) {
                    checkCopiedSpeaker(*speakerAt(held, i), *speakerAt(from, i));
                }
                break;
            }
            case 3: {
                VstSpeakerArrangement* before = held;
                FUZZ_CHECK(!object->matchArrangement(&held, nullptr));
                FUZZ_CHECK(held == before);
                break;
            }
            case 4: {
                VstSpeakerProperties from, to;
                const auto bytes = in.ConsumeBytes<unsigned char>(sizeof from);
                std::memset(&from, 0, sizeof from);
                if (!bytes.empty()) {
                    std::memcpy(&from, bytes.data(), bytes.size());
                }
                std::memset(&to, 0xA5, sizeof to);
                FUZZ_CHECK(object->copySpeaker(&to, &from));
                checkCopiedSpeaker(to, from);
                FUZZ_CHECK(!object->copySpeaker(nullptr, &from) && !object->copySpeaker(&to, nullptr));
                break;
            }
            case 5: {
                // Through the dispatcher, as a host proposes and asks.
                auto input = hostArrangement(in, in.ConsumeIntegralInRange<VstInt32>(0, 8));
                auto output = hostArrangement(in, in.ConsumeIntegralInRange<VstInt32>(0, 8));
                FUZZ_CHECK(effect->dispatcher(effect, 42, 0, reinterpret_cast<VstIntPtr>(input.get()), output.get(), 0.0f) == 0);
                VstSpeakerArrangement* asked[2] = {held, held};
                FUZZ_CHECK(effect->dispatcher(effect, 69, 0, reinterpret_cast<VstIntPtr>(&asked[0]), &asked[1], 0.0f) == 0);
                FUZZ_CHECK(asked[0] == nullptr && asked[1] == nullptr);
                break;
            }
        }
    }
    object->deallocateArrangement(&held);
    return 0;
}

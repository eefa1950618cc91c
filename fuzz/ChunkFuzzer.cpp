// Any bytes a host may hand back as saved state: exactly as many as it says.
// Short blocks change nothing; longer ones give three values in 0..1 that
// save and load again unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "fuzz/FuzzHost.h"

namespace {

std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

std::vector<std::uint32_t> parameterBits(AEffect* effect) {
    return {bitsOf(effect->getParameter(effect, 0)), bitsOf(effect->getParameter(effect, 1)),
            bitsOf(effect->getParameter(effect, 2))};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const VstInt32 index = in.ConsumeIntegral<VstInt32>();  // isPreset, not consulted
    const std::vector<unsigned char> bytes = in.ConsumeRemainingBytes<unsigned char>();
    // An exactly sized block: any read past the end is caught.
    std::unique_ptr<unsigned char[]> block(new unsigned char[bytes.size()]);
    if (!bytes.empty()) {
        std::memcpy(block.get(), bytes.data(), bytes.size());
    }

    AEffect* effect = fuzzhost::createInstance();
    const auto before = parameterBits(effect);
    const VstIntPtr answer = effect->dispatcher(effect, 24, index, static_cast<VstIntPtr>(bytes.size()), block.get(), 0.0f);
    FUZZ_CHECK(answer == 0);
    if (bytes.size() < 12) {
        FUZZ_CHECK(parameterBits(effect) == before);
    } else {
        for (VstInt32 i = 0; i < 3; ++i) {
            float stored;
            std::memcpy(&stored, bytes.data() + 4 * i, sizeof stored);
            const float value = effect->getParameter(effect, i);
            FUZZ_CHECK(value >= 0.0f && value <= 1.0f);
            if (stored >= 0.0f && stored <= 1.0f) {
                FUZZ_CHECK(bitsOf(value) == bitsOf(stored));
            }
        }
    }

    void* saved = nullptr;
    FUZZ_CHECK(effect->dispatcher(effect, 23, 0, 0, &saved, 0.0f) == 12);
    AEffect* other = fuzzhost::createInstance();
    other->dispatcher(other, 24, 0, 12, saved, 0.0f);
    void* savedAgain = nullptr;
    FUZZ_CHECK(other->dispatcher(other, 23, 1, 0, &savedAgain, 0.0f) == 12);
    FUZZ_CHECK(std::memcmp(saved, savedAgain, 12) == 0);
    fuzzhost::closeInstance(other);
    fuzzhost::closeInstance(effect);
    return 0;
}

// The state a host saves and restores: round trips between instances are
// byte-identical, and whatever bytes a host hands back do no harm.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>

#include "tests/hosttest/HostedEffect.h"
#include "tests/hosttest/Render.h"
#include "tests/hosttest/Signals.h"

namespace {

using hosttest::HostedEffect;

void expectProcessesFitOutput(HostedEffect& effect, const std::string& what) {
    auto input = hosttest::loudNoise<float>(4096, 9);
    const auto out = hosttest::render(effect, input, {1024});
    EXPECT_EQ(hosttest::firstUnfitSample(out.left), -1) << what;
    EXPECT_EQ(hosttest::firstUnfitSample(out.right), -1) << what;
}

TEST(StateRoundTrip, SaveLoadSaveIsByteIdenticalAcrossInstances) {
    std::mt19937 random(31);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const std::vector<std::vector<float>> rows = {
        {1.0f, 0.7f, 0.2f},  // defaults
        {0.0f, 0.0f, 0.0f},
        {1.0f, 1.0f, 1.0f},
        {-0.0f, 0.5f, 0.25f},  // negative zero stays negative zero
        {std::numeric_limits<float>::denorm_min(), 0.99999994f, 1e-30f},
        {unit(random), unit(random), unit(random)},
        {unit(random), unit(random), unit(random)},
    };
    for (const auto& row : rows) {
        HostedEffect first;
        for (VstInt32 i = 0; i < 3; ++i) {
            first.setParameter(i, row[i]);
        }
        const auto saved = first.saveChunk();
        ASSERT_EQ(saved.size(), 12u);
        HostedEffect second;
        EXPECT_EQ(second.loadChunk(saved.data(), static_cast<VstIntPtr>(saved.size())), 0);
        EXPECT_EQ(second.saveChunk(), saved) << row[0] << " " << row[1] << " " << row[2];
        EXPECT_EQ(second.parameterBits(), first.parameterBits());
    }
}

TEST(StateRoundTrip, ChunkOfAProcessingInstanceRestoresIntoAFreshOne) {
    HostedEffect first;
    first.setParameter(0, 0.3f);
    first.setParameter(1, 0.9f);
    first.setParameter(2, 0.6f);
    expectProcessesFitOutput(first, "before saving");
    const auto saved = first.saveChunk();
    HostedEffect second;
    second.loadChunk(saved.data(), static_cast<VstIntPtr>(saved.size()));
    EXPECT_EQ(second.saveChunk(), saved);
}

// The block handed out by getChunk stays readable after other calls.
TEST(StateRoundTrip, SavedBlockOutlivesOtherCallsUntilTheNextSave) {
    HostedEffect effect;
    void* data = nullptr;
    ASSERT_EQ(effect.dispatch(23, 0, 0, &data), 12);
    effect.setParameter(0, 0.5f);
    expectProcessesFitOutput(effect, "between save and read");
    float first;
    std::memcpy(&first, data, sizeof first);
    EXPECT_EQ(first, 1.0f);
}

// Bytes in a host's hands: each case is handed over as exactly `bytes`.
struct HostileChunk {
    const char* name;
    std::vector<unsigned char> bytes;
    bool passNull;
};

std::vector<unsigned char> randomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<unsigned char> bytes(size);
    for (auto& b : bytes) {
        b = static_cast<unsigned char>(random());
    }
    return bytes;
}

TEST(HostileChunks, ShortNullOrEmptyChunksChangeNothingAndAnswerZero) {
    std::vector<HostileChunk> cases = {
        {"null", {}, true},
        {"empty", {}, false},
    };
    for (std::size_t size = 1; size < 12; ++size) {
        cases.push_back({"short", randomBytes(size, static_cast<std::uint32_t>(size)), false});
    }
    for (const auto& c : cases) {
        HostedEffect effect;
        effect.setParameter(0, 0.125f);
        const auto before = effect.parameterBits();
        // An exactly sized heap block, so a read past its end is caught.
        std::unique_ptr<unsigned char[]> block(new unsigned char[c.bytes.size() + (c.bytes.empty() ? 1 : 0)]);
        if (!c.bytes.empty()) {
            std::memcpy(block.get(), c.bytes.data(), c.bytes.size());
        }
        const void* data = c.passNull ? nullptr : block.get();
        EXPECT_EQ(effect.loadChunk(data, static_cast<VstIntPtr>(c.bytes.size())), 0) << c.name << " " << c.bytes.size();
        EXPECT_EQ(effect.parameterBits(), before) << c.name << " " << c.bytes.size();
        if (c.passNull) {
            // A null block with a size that claims more changes nothing either.
            EXPECT_EQ(effect.loadChunk(nullptr, 12), 0);
            EXPECT_EQ(effect.loadChunk(nullptr, 1 << 20), 0);
            EXPECT_EQ(effect.parameterBits(), before);
        }
        expectProcessesFitOutput(effect, c.name);
    }
}

TEST(HostileChunks, RandomBytesUpToAMegabyteLeaveValuesInRangeAndProcessingFit) {
    for (std::size_t size : {std::size_t{12}, std::size_t{13}, std::size_t{4096}, std::size_t{1} << 20}) {
        for (std::uint32_t seed = 1; seed <= 8; ++seed) {
            const auto bytes = randomBytes(size, seed * 977);
            HostedEffect effect;
            EXPECT_EQ(effect.loadChunk(bytes.data(), static_cast<VstIntPtr>(bytes.size())), 0);
            for (VstInt32 i = 0; i < 3; ++i) {
                const float value = effect.parameter(i);
                EXPECT_TRUE(value >= 0.0f && value <= 1.0f) << size << " bytes, seed " << seed << ", parameter " << i
                                                            << " = " << value;
            }
            expectProcessesFitOutput(effect, std::to_string(size) + " random bytes");
        }
    }
}

// NaN, infinities and values beyond 0..1 in a chunk are clamped, each by itself.
TEST(HostileChunks, OutOfRangeValuesAreClampedOneByOne) {
    struct Row {
        const char* name;
        float stored[3];
        float expected[3];
    };
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Row rows[] = {
        {"negative_above_nan", {-0.5f, 1.5f, nan}, {0.0f, 1.0f, 0.0f}},
        {"infinities", {inf, -inf, -nan}, {1.0f, 0.0f, 0.0f}},
        {"extremes", {std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(), 1.0000001f},
         {1.0f, 0.0f, 1.0f}},
        {"in_range_untouched", {0.25f, 0.0f, 1.0f}, {0.25f, 0.0f, 1.0f}},
    };
    for (const auto& row : rows) {
        HostedEffect effect;
        EXPECT_EQ(effect.loadChunk(row.stored, sizeof row.stored), 0) << row.name;
        for (VstInt32 i = 0; i < 3; ++i) {
            EXPECT_EQ(effect.parameter(i), row.expected[i]) << row.name << ", parameter " << i;
        }
    }
}

}  // namespace

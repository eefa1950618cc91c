// The state a host saves and restores: round trips between instances are
// byte-identical, and whatever bytes a host hands back do no harm.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <random>

#include "tests/hosttest/HostedEffect.h"
#include "tests/hosttest/Render.h"
#include "tests/validation/Fit.h"

namespace {

using hosttest::HostedEffect;

TEST(State, SaveLoadSaveIsByteIdenticalAcrossInstances) {
    const float rows[][3] = {{1.0f, 0.7f, 0.2f},  {0.0f, 0.0f, 0.0f},           {1.0f, 1.0f, 1.0f},
                             {-0.0f, 0.5f, 0.25f}, {1e-45f, 0.99999994f, 1e-30f}, {0.123f, 0.456f, 0.789f}};
    for (const auto& row : rows) {
        HostedEffect first, second;
        for (VstInt32 i = 0; i < 3; ++i) first.setParameter(i, row[i]);
        const auto saved = first.saveChunk();
        EXPECT_EQ(saved.size(), 12u);
        EXPECT_EQ(second.loadChunk(saved.data(), static_cast<VstIntPtr>(saved.size())), 0);
        EXPECT_EQ(second.saveChunk(), saved) << row[0] << " " << row[1] << " " << row[2];
    }
}

// Each chunk is handed over in a heap block of exactly its size, so a read
// past its end is caught under AddressSanitizer. Fewer than 12 bytes change
// nothing; more restore values clamped into 0..1; processing goes on.
TEST(State, HostileChunksDoNoHarm) {
    struct Row { const char* what; std::size_t bytes; bool null; int seeds; };
    const Row rows[] = {
        {"null", 0, true, 1},
        {"null claiming 12 bytes", 12, true, 1},
        {"null claiming 1 MiB", 1 << 20, true, 1},
        {"empty", 0, false, 1},
        {"1 byte", 1, false, 1},
        {"11 bytes", 11, false, 1},
        {"12 random bytes", 12, false, 16},
        {"13 random bytes", 13, false, 4},
        {"1 MiB of random bytes", 1 << 20, false, 2},
    };
    auto in = hosttest::loudNoise<float>(4096, 9);
    for (const Row& r : rows) {
        for (int seed = 1; seed <= r.seeds; ++seed) {
            SCOPED_TRACE(testing::Message() << r.what << ", seed " << seed);
            std::unique_ptr<unsigned char[]> block(new unsigned char[std::max<std::size_t>(r.bytes, 1)]);
            std::mt19937 random(static_cast<std::uint32_t>(seed * 977 + r.bytes));
            for (std::size_t i = 0; i < r.bytes && !r.null; ++i) block[i] = static_cast<unsigned char>(random());
            HostedEffect effect;
            effect.setParameter(0, 0.125f);
            const auto before = effect.parameterBits();
            EXPECT_EQ(effect.loadChunk(r.null ? nullptr : block.get(), static_cast<VstIntPtr>(r.bytes)), 0);
            for (VstInt32 i = 0; i < 3; ++i) EXPECT_TRUE(effect.parameter(i) >= 0.0f && effect.parameter(i) <= 1.0f);
            EXPECT_TRUE(!(r.null || r.bytes < 12) || effect.parameterBits() == before) << "too short, yet used";
            EXPECT_TRUE(validation::fit(hosttest::render(effect, in, {1024})));
        }
    }
}

}  // namespace

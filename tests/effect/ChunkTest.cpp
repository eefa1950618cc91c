// The chunk: three native-order floats, restored with clamping into 0 to 1.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

#include "effect/Glowmarsh.h"

namespace {

using Bytes = std::array<unsigned char, Glowmarsh::kChunkBytes>;
using Triple = std::array<float, Glowmarsh::kNumParams>;

// The three values' bytes as they lie in memory on this processor, from the
// big-endian bit patterns.
Bytes nativeBytes(std::array<std::uint32_t, Glowmarsh::kNumParams> bigEndianBits) {
    Bytes bytes{};
    for (std::size_t v = 0; v < bigEndianBits.size(); ++v) {
        for (std::size_t b = 0; b < 4; ++b) {
            const std::size_t shift = 8 * (std::endian::native == std::endian::big ? 3 - b : b);
            bytes[4 * v + b] = static_cast<unsigned char>(bigEndianBits[v] >> shift);
        }
    }
    return bytes;
}

Bytes takeChunk(Glowmarsh& effect) {
    void* data = nullptr;
    EXPECT_EQ(effect.getChunk(&data, false), Glowmarsh::kChunkBytes);
    Bytes bytes{};
    if (data != nullptr) {
        std::memcpy(bytes.data(), data, bytes.size());
    }
    return bytes;
}

Bytes bytesOf(const Triple& values) {
    return std::bit_cast<Bytes>(values);
}

std::array<std::uint32_t, 3> parameterBits(Glowmarsh& effect) {
    return {std::bit_cast<std::uint32_t>(effect.getParameter(0)), std::bit_cast<std::uint32_t>(effect.getParameter(1)),
            std::bit_cast<std::uint32_t>(effect.getParameter(2))};
}

TEST(Chunk, DefaultChunkHoldsTheThreeDefaultsInNativeOrder) {
    auto effect = std::make_unique<Glowmarsh>(nullptr);
    // On x86-64: 00 00 80 3F, 33 33 33 3F, CD CC 4C 3E.
    EXPECT_EQ(takeChunk(*effect), nativeBytes({0x3F800000u, 0x3F333333u, 0x3E4CCCCDu}));
    EXPECT_EQ(takeChunk(*effect), nativeBytes({0x3F800000u, 0x3F333333u, 0x3E4CCCCDu})) << "asked twice";
}

TEST(Chunk, ChunkFollowsSetParameter) {
    auto effect = std::make_unique<Glowmarsh>(nullptr);
    effect->setParameter(0, 0.25f);
    effect->setParameter(1, 1.5f);  // setParameter does not clamp, so neither does the chunk
    effect->setParameter(2, 0.0f);
    EXPECT_EQ(takeChunk(*effect), bytesOf({0.25f, 1.5f, 0.0f}));
}

TEST(Chunk, SetChunkClampsEachValueIntoTheUnitRange) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Row {
        const char* meaning;
        Triple given;
        Triple stored;
    } rows[] = {
        {"below, above and NaN", {-0.5f, 1.5f, nan}, {0.0f, 1.0f, 0.0f}},
        {"inside values pass unchanged", {0.25f, 0.0f, 1.0f}, {0.25f, 0.0f, 1.0f}},
        {"infinities clamp to the ends", {-inf, inf, 0.7f}, {0.0f, 1.0f, 0.7f}},
        {"negative NaN becomes zero", {-nan, 0.5f, 0.5f}, {0.0f, 0.5f, 0.5f}},
        {"just outside the ends", {-std::numeric_limits<float>::denorm_min(), 1.0000001f, 0.99999994f},
         {0.0f, 1.0f, 0.99999994f}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.meaning);
        auto effect = std::make_unique<Glowmarsh>(nullptr);
        Bytes given = bytesOf(row.given);
        EXPECT_EQ(effect->setChunk(given.data(), Glowmarsh::kChunkBytes, false), 0);
        EXPECT_EQ(takeChunk(*effect), bytesOf(row.stored));
    }
}

// Without 12 readable bytes there is nothing to restore: reading on would run
// past the host's data.
TEST(Chunk, MissingOrShortDataChangesNothing) {
    struct Row {
        const char* meaning;
        bool withData;
        VstInt32 byteSize;
    } rows[] = {
        {"null data", false, Glowmarsh::kChunkBytes},
        {"empty chunk", true, 0},
        {"one byte short", true, Glowmarsh::kChunkBytes - 1},
        {"negative size", true, -1},
        {"most negative size", true, std::numeric_limits<VstInt32>::min()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.meaning);
        auto effect = std::make_unique<Glowmarsh>(nullptr);
        Bytes given = bytesOf({0.1f, 0.2f, 0.3f});
        const auto before = parameterBits(*effect);
        EXPECT_EQ(effect->setChunk(row.withData ? given.data() : nullptr, row.byteSize, false), 0);
        EXPECT_EQ(parameterBits(*effect), before);
    }
}

TEST(Chunk, LongerChunkRestoresItsFirstTwelveBytes) {
    auto effect = std::make_unique<Glowmarsh>(nullptr);
    std::array<float, 4> given = {0.1f, 0.2f, 0.3f, 0.4f};
    EXPECT_EQ(effect->setChunk(given.data(), sizeof given, true), 0);
    EXPECT_EQ(takeChunk(*effect), bytesOf({0.1f, 0.2f, 0.3f}));
}

TEST(Chunk, NowhereToPutTheChunkAnswersZero) {
    auto effect = std::make_unique<Glowmarsh>(nullptr);
    EXPECT_EQ(effect->getChunk(nullptr, false), 0);
}

// Restoring a saved chunk gives back the same 12 bytes for any values in 0
// to 1: a sweep over the bit patterns from +0 to 1.0, subnormals included,
// plus -0, which passes the clamp unchanged.
TEST(Chunk, RoundTripsAreExact) {
    auto effect = std::make_unique<Glowmarsh>(nullptr);
    constexpr std::uint32_t kOne = 0x3F800000u;
    for (std::uint32_t bits = 0; bits <= kOne; bits += 99991) {
        const Triple values = {std::bit_cast<float>(bits), std::bit_cast<float>(kOne - bits),
                               std::bit_cast<float>((bits * 7u) % (kOne + 1))};
        Bytes given = bytesOf(values);
        ASSERT_EQ(effect->setChunk(given.data(), Glowmarsh::kChunkBytes, false), 0);
        ASSERT_EQ(takeChunk(*effect), given) << "bits " << bits;
    }
    for (const Triple& values : {Triple{-0.0f, 1.0f, 0.0f}, Triple{1.0f, 0.99999994f, 0.7f}}) {
        Bytes given = bytesOf(values);
        effect->setChunk(given.data(), Glowmarsh::kChunkBytes, false);
        EXPECT_EQ(takeChunk(*effect), given);
    }
}

// The block handed out is a snapshot: it keeps the values of its own call
// while the parameters change, until the next getChunk.
TEST(Chunk, BlockHoldsItsValuesUntilTheNextChunk) {
    auto effect = std::make_unique<Glowmarsh>(nullptr);
    void* first = nullptr;
    ASSERT_EQ(effect->getChunk(&first, false), Glowmarsh::kChunkBytes);
    effect->setParameter(0, 0.5f);
    Bytes seen{};
    std::memcpy(seen.data(), first, seen.size());
    EXPECT_EQ(seen, nativeBytes({0x3F800000u, 0x3F333333u, 0x3E4CCCCDu}));

    void* second = nullptr;
    ASSERT_EQ(effect->getChunk(&second, false), Glowmarsh::kChunkBytes);
    std::memcpy(seen.data(), second, seen.size());
    EXPECT_EQ(seen, nativeBytes({0x3F000000u, 0x3F333333u, 0x3E4CCCCDu}));
}

}  // namespace

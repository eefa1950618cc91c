// Glowmarsh's state as a host reads and writes it: parameter names, empty
// labels and display texts in 9-byte buffers, the program name in 25, values
// stored unchanged, indexes outside 0 to 2 that touch nothing, and the chunk.
// The default chunk's bytes on each target are in target/ChunkBytesTest,
// round trips between instances in validation/StateTest.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "effect/Glowmarsh.h"
#include "host/BoundedText.h"
#include "tests/support/GuardedText.h"

namespace {

using testsupport::writeGuarded;
using Bytes = std::array<unsigned char, Glowmarsh::kChunkBytes>;
using Triple = std::array<float, Glowmarsh::kNumParams>;

constexpr VstInt32 kIntMin = std::numeric_limits<VstInt32>::min();
constexpr VstInt32 kIntMax = std::numeric_limits<VstInt32>::max();
constexpr Triple kDefaults = {1.0f, 0.7f, 0.2f};

enum class Text { name, label, display, program };

TEST(Parameters, TextsFillTheirBuffersAndOutsideIndexesTouchNothing) {
    struct Row {
        const char* meaning;
        Text which;
        VstInt32 index;
        const char* text;  // null: the buffer stays untouched
        std::optional<float> setValue = {};
        const char* setProgramName = nullptr;
    } rows[] = {
        {"Sustain, zeros at 7 and 8", Text::name, 0, "Sustain"},
        {"Grain, zeros at 5 to 8", Text::name, 1, "Grain"},
        {"Dry/Wet, zeros at 7 and 8", Text::name, 2, "Dry/Wet"},
        {"a label is nine zero bytes", Text::label, 1, ""},
        {"default Sustain 1.0", Text::display, 0, "1.000000"},
        {"default Grain 0.7 is truncated, not rounded", Text::display, 1, "0.699999"},
        {"default Dry/Wet 0.2 held as 0.200000003", Text::display, 2, "0.200000"},
        {"zero", Text::display, 1, "0.000000", 0.0f},
        {"one half", Text::display, 2, "0.500000", 0.5f},
        {"name beyond the last index", Text::name, 3, nullptr},
        {"name at the most negative index", Text::name, kIntMin, nullptr},
        {"label far beyond", Text::label, 5, nullptr},
        {"display beyond the last index", Text::display, 3, nullptr},
        {"display before the first index", Text::display, -1, nullptr},
        {"initial program name", Text::program, 0, "Default"},
        {"24 characters kept whole", Text::program, 0, "abcdefghijklmnopqrstuvwx", {}, "abcdefghijklmnopqrstuvwx"},
        {"30 characters cut to 24", Text::program, 0, "abcdefghijklmnopqrstuvwx", {}, "abcdefghijklmnopqrstuvwxyz0123"},
        {"empty program name", Text::program, 0, "", {}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.meaning);
        auto effect = std::make_unique<Glowmarsh>(nullptr);
        if (row.setValue) {
            effect->setParameter(row.index, *row.setValue);
        }
        if (row.setProgramName) {
            std::string name = row.setProgramName;
            effect->setProgramName(name.data());
        }
        const auto written = writeGuarded(row.which == Text::program ? 24 : 8, [&](char* text) {
            switch (row.which) {
                case Text::name: effect->getParameterName(row.index, text); break;
                case Text::label: effect->getParameterLabel(row.index, text); break;
                case Text::display: effect->getParameterDisplay(row.index, text); break;
                case Text::program: effect->getProgramName(text); break;
            }
        });
        if (row.text == nullptr) {
            EXPECT_FALSE(written.touched);
        } else {
            EXPECT_EQ(written.text, row.text);
            EXPECT_EQ(written.fault, "");  // zeros after the text through the last byte, nothing beyond
        }
    }
}

// A class derived from Glowmarsh that replaces float2string changes the display.
TEST(Parameters, DisplayGoesThroughTheVirtualFloat2string) {
    struct Derived : Glowmarsh {
        Derived() : Glowmarsh(nullptr) {}
        void float2string(float value, char* text, VstInt32 maxLen) override {
            boundedCopy(text, value == 0.7f ? "seven" : "other", maxLen);
        }
    };
    auto effect = std::make_unique<Derived>();
    EXPECT_EQ(writeGuarded(8, [&](char* text) { effect->getParameterDisplay(1, text); }).text, "seven");
}

// setParameter stores what it is given, bit for bit, clamping nothing; an
// index outside 0 to 2 changes no field and reads as 0.
TEST(Parameters, ValuesAreStoredUnchangedAndOutsideIndexesChangeNothing) {
    const float values[] = {-0.0f, 0.123456789f, 1.5f, -0.5f, std::numeric_limits<float>::denorm_min(),
                            std::numeric_limits<float>::infinity(), std::bit_cast<float>(0x7FC01234u), 0.25f};
    auto effect = std::make_unique<Glowmarsh>(nullptr);
    for (VstInt32 index = 0; index < Glowmarsh::kNumParams; ++index) {
        for (float value : values) {
            effect->setParameter(index, value);
            EXPECT_EQ(std::bit_cast<std::uint32_t>(effect->getParameter(index)), std::bit_cast<std::uint32_t>(value));
        }
    }
    for (VstInt32 index : {-1, 3, kIntMin, kIntMax}) {
        effect->setParameter(index, 0.9f);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(effect->getParameter(index)), 0u) << "index " << index;
    }
    for (VstInt32 index = 0; index < Glowmarsh::kNumParams; ++index) {
        EXPECT_EQ(effect->getParameter(index), 0.25f) << "a field changed";
    }
}

Bytes bytesAt(const void* data) {
    Bytes bytes{};
    std::memcpy(bytes.data(), data, bytes.size());
    return bytes;
}

Bytes takeChunk(Glowmarsh& effect) {
    void* data = nullptr;
    EXPECT_EQ(effect.getChunk(&data, false), Glowmarsh::kChunkBytes);
    return data == nullptr ? Bytes{} : bytesAt(data);
}

TEST(Chunk, SetChunkClampsEachValueAndChangesNothingWithoutTwelveBytes) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Row {
        const char* meaning;
        std::array<float, 4> given;
        VstInt32 byteSize;
        bool nullData;
        Triple stored;
    } rows[] = {
        {"below, above and NaN", {-0.5f, 1.5f, nan}, 12, false, {0.0f, 1.0f, 0.0f}},
        {"inside values pass unchanged", {0.25f, 0.0f, 1.0f}, 12, false, {0.25f, 0.0f, 1.0f}},
        {"infinities clamp to the ends", {-inf, inf, 0.7f}, 12, false, {0.0f, 1.0f, 0.7f}},
        {"just outside the ends", {-std::numeric_limits<float>::denorm_min(), 1.0000001f, 0.99999994f}, 12, false,
         {0.0f, 1.0f, 0.99999994f}},
        {"a longer chunk restores its first twelve bytes", {0.1f, 0.2f, 0.3f, 0.4f}, 16, false, {0.1f, 0.2f, 0.3f}},
        // Reading on would run past the host's data.
        {"null data", {0.1f, 0.2f, 0.3f}, 12, true, kDefaults},
        {"empty chunk", {0.1f, 0.2f, 0.3f}, 0, false, kDefaults},
        {"one byte short", {0.1f, 0.2f, 0.3f}, 11, false, kDefaults},
        {"most negative size", {0.1f, 0.2f, 0.3f}, kIntMin, false, kDefaults},
    };
    for (auto& row : rows) {
        SCOPED_TRACE(row.meaning);
        auto effect = std::make_unique<Glowmarsh>(nullptr);
        EXPECT_EQ(effect->setChunk(row.nullData ? nullptr : row.given.data(), row.byteSize, false), 0);
        EXPECT_EQ(takeChunk(*effect), std::bit_cast<Bytes>(row.stored));
    }
}

// Each block keeps its own call's values and stays valid until the next
// getChunk, which releases it; the instance releases the last one. In the
// asan build AddressSanitizer fails a read of a released block and
// LeakSanitizer reports blocks left behind.
TEST(Chunk, EachBlockLivesUntilTheNextChunkOrTheInstancesEnd) {
    auto effect = std::make_unique<Glowmarsh>(nullptr);
    void* first = nullptr;
    ASSERT_EQ(effect->getChunk(&first, false), Glowmarsh::kChunkBytes);
    effect->setParameter(0, 1.5f);  // not clamped, so neither is the chunk
    EXPECT_EQ(bytesAt(first), std::bit_cast<Bytes>(kDefaults)) << "the block changed after its call";
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(takeChunk(*effect), std::bit_cast<Bytes>(Triple{1.5f, 0.7f, 0.2f}));
    }
    EXPECT_EQ(effect->getChunk(nullptr, false), 0) << "nowhere to put the chunk";
}

}  // namespace

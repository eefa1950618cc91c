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

#include "effect/Glowmarsh.h"
#include "tests/support/GuardedText.h"

namespace {

using Bytes = std::array<unsigned char, Glowmarsh::kChunkBytes>;
using Triple = std::array<float, Glowmarsh::kNumParams>;

constexpr VstInt32 kIntMin = std::numeric_limits<VstInt32>::min();
constexpr VstInt32 kIntMax = std::numeric_limits<VstInt32>::max();
constexpr Triple kDefaults = {1.0f, 0.7f, 0.2f};

// Counts the calls of float2string, which a derived class may replace to change the display.
struct SpyGlowmarsh : Glowmarsh {
    SpyGlowmarsh() : Glowmarsh(nullptr) {}
    void float2string(float value, char* text, VstInt32 maxLen) override {
        ++float2stringCalls;
        Glowmarsh::float2string(value, text, maxLen);
    }
    int float2stringCalls = 0;  // calls so far
};

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
        auto effect = std::make_unique<SpyGlowmarsh>();
        if (row.setValue) {
            effect->setParameter(row.index, *row.setValue);
        }
        if (row.setProgramName) {
            effect->setProgramName(const_cast<char*>(row.setProgramName));  // read, never written
        }
        const auto written = testsupport::writeGuarded(row.which == Text::program ? 24 : 8, [&](char* text) {
            switch (row.which) {
                case Text::name: effect->getParameterName(row.index, text); break;
                case Text::label: effect->getParameterLabel(row.index, text); break;
                case Text::display: effect->getParameterDisplay(row.index, text); break;
                case Text::program: effect->getProgramName(text); break;
            }
        });
        EXPECT_EQ(written.touched, row.text != nullptr);
        if (row.text) {
            EXPECT_EQ(written.text, row.text);
            EXPECT_EQ(written.fault, "");  // zeros after the text through the last byte, nothing beyond
        }
        EXPECT_EQ(effect->float2stringCalls, row.which == Text::display && row.text ? 1 : 0) << "not the virtual";
    }
}

Bytes bytesAt(const void* data) {
    Bytes bytes{};
    std::memcpy(bytes.data(), data, bytes.size());
    return bytes;
}

enum class Via { setParameter, setChunk, nullChunk };

// setParameter stores what it is given, bit for bit, and ignores indexes
// outside 0 to 2; setChunk clamps into 0..1 (NaN to 0) and without twelve
// bytes changes nothing (reading on would run past the host's data). Read
// back through getParameter and getChunk. A chunk block keeps its own call's
// values until the next getChunk releases it, the instance the last one:
// under asan, a read of a released block fails and LeakSanitizer reports a
// block left behind.
TEST(State, ValuesAreStoredAndChunksClampedAndReleased) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float tiny = std::numeric_limits<float>::denorm_min();
    const float payload = std::bit_cast<float>(0x7FC01234u);
    struct Row {
        const char* meaning;
        Via via;
        std::array<float, 4> given;
        VstInt32 indexOrBytes;  // setParameter: the first value's index; setChunk: the byte size
        Triple stored;
    } rows[] = {
        {"setParameter clamps nothing", Via::setParameter, {-0.0f, 1.5f, payload}, 0, {-0.0f, 1.5f, payload}},
        {"setParameter keeps extremes", Via::setParameter, {-0.5f, tiny, inf}, 0, {-0.5f, tiny, inf}},
        {"indexes 3 to 5 change no field", Via::setParameter, {0.9f, 0.9f, 0.9f}, 3, kDefaults},
        {"indexes -3 to -1 change no field", Via::setParameter, {0.9f, 0.9f, 0.9f}, -3, kDefaults},
        {"the most negative indexes change no field", Via::setParameter, {0.9f, 0.9f, 0.9f}, kIntMin, kDefaults},
        {"chunk below, above and NaN", Via::setChunk, {-0.5f, 1.5f, nan}, 12, {0.0f, 1.0f, 0.0f}},
        {"chunk infinities clamp to the ends", Via::setChunk, {-inf, inf, 0.7f}, 12, {0.0f, 1.0f, 0.7f}},
        {"chunk just outside the ends", Via::setChunk, {-tiny, 1.0000001f, 0.99999994f}, 12, {0.0f, 1.0f, 0.99999994f}},
        {"a longer chunk restores its first 12 bytes", Via::setChunk, {0.1f, 0.2f, 0.3f, 0.4f}, 16, {0.1f, 0.2f, 0.3f}},
        {"null data", Via::nullChunk, {}, 12, kDefaults},
        {"empty chunk", Via::setChunk, {0.1f, 0.2f, 0.3f}, 0, kDefaults},
        {"one byte short", Via::setChunk, {0.1f, 0.2f, 0.3f}, 11, kDefaults},
        {"most negative size", Via::setChunk, {0.1f, 0.2f, 0.3f}, kIntMin, kDefaults},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.meaning);
        auto effect = std::make_unique<Glowmarsh>(nullptr);
        void* before = nullptr;
        ASSERT_EQ(effect->getChunk(&before, false), Glowmarsh::kChunkBytes);
        if (row.via == Via::setParameter) {
            for (VstInt32 i = 0; i < Glowmarsh::kNumParams; ++i) {
                effect->setParameter(row.indexOrBytes + i, row.given[i]);
            }
        } else {
            const void* data = row.via == Via::nullChunk ? nullptr : row.given.data();
            EXPECT_EQ(effect->setChunk(const_cast<void*>(data), row.indexOrBytes, false), 0);
        }
        for (VstInt32 outside : {-1, 3, kIntMin, kIntMax}) {
            EXPECT_EQ(std::bit_cast<std::uint32_t>(effect->getParameter(outside)), 0u) << "index " << outside;
        }
        EXPECT_EQ(bytesAt(before), std::bit_cast<Bytes>(kDefaults)) << "an earlier block changed";
        const Triple values = {effect->getParameter(0), effect->getParameter(1), effect->getParameter(2)};
        EXPECT_EQ(std::bit_cast<Bytes>(values), std::bit_cast<Bytes>(row.stored)) << "getParameter";
        void* after = nullptr;
        EXPECT_EQ(effect->getChunk(&after, false), Glowmarsh::kChunkBytes);
        EXPECT_EQ(bytesAt(after), std::bit_cast<Bytes>(row.stored)) << "getChunk";
        EXPECT_EQ(effect->getChunk(nullptr, false), 0) << "nowhere to put the chunk";
    }
}

}  // namespace

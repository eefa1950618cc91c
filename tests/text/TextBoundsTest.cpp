// The buffer rules of formatFloat and formatInt: at most maxLen characters,
// zeros from the end of the text through index maxLen, nothing written beyond,
// and a cut text is always a prefix of the whole one.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "host/TextFormat.h"
#include "tests/support/GuardedText.h"

namespace {

using testsupport::writeGuarded;

constexpr VstInt32 kWide = 32;  // room for any text uncut

std::vector<float> edgeFloats() {
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> values = {
        0.0f, -0.0f, std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN(), inf, -inf,
        std::numeric_limits<float>::denorm_min(), -std::numeric_limits<float>::denorm_min(),
        std::bit_cast<float>(0x007FFFFFu), FLT_MIN, -FLT_MIN, FLT_MAX, -FLT_MAX, 1e-7f, -1e-7f, 0.7f, 0.2f,
        0.99999994f, 1.0f, 2.5f, -0.5f, 123.456f, -12345.6f, 999999.94f, 1000000.0f, -999999.0f, -999999.5f,
        -1000000.0f, -1234567.0f, 9999999.0f, std::nextafter(10000000.0f, 0.0f), 10000000.0f, 12345678.0f,
        16777216.0f, 99999992.0f, 99999999.0f, 100000000.0f, -9999999.0f, -10000000.0f, -9999999.5f};
    return values;
}

std::vector<VstInt32> edgeInts() {
    return {0, 1, -1, 7, -123, 123456, 9999999, 10000000, 99999999, 100000000, -999999, -9999999, -10000000,
            -99999999, -1000000000, -2147483647, std::numeric_limits<VstInt32>::min(),
            std::numeric_limits<VstInt32>::max()};
}

// A spread of every kind of float: each sign, exponent and NaN payload.
std::vector<float> sweptFloats() {
    std::vector<float> values;
    for (std::uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 65537 * 17) {
        values.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(bits)));
    }
    return values;
}

template <typename Value, typename Format>
void expectBoundedPrefixes(const std::vector<Value>& values, Format format) {
    for (Value value : values) {
        const auto whole = writeGuarded(kWide, [&](char* text) { format(value, text, kWide); });
        for (VstInt32 maxLen = 0; maxLen <= 12; ++maxLen) {
            const auto cut = writeGuarded(maxLen, [&](char* text) { format(value, text, maxLen); });
            ASSERT_EQ(cut.fault, "") << "value " << value << ", maxLen " << maxLen;
            ASSERT_EQ(cut.text, whole.text.substr(0, static_cast<std::size_t>(maxLen)))
                << "value " << value << ", maxLen " << maxLen;
        }
    }
}

TEST(TextBounds, FloatTextsStayInsideTheBufferAndCutToPrefixes) {
    expectBoundedPrefixes(edgeFloats(), formatFloat);
    expectBoundedPrefixes(sweptFloats(), formatFloat);
}

TEST(TextBounds, IntTextsStayInsideTheBufferAndCutToPrefixes) {
    expectBoundedPrefixes(edgeInts(), formatInt);
}

// maxLen 0 leaves room only for the terminator; a negative maxLen leaves none.
TEST(TextBounds, NoRoomWritesOnlyWhatFits) {
    struct Row {
        const char* meaning;
        VstInt32 maxLen;
        bool touched;
    } rows[] = {
        {"maxLen 0 writes the terminator only", 0, true},
        {"maxLen -1 writes nothing", -1, false},
        {"most negative maxLen writes nothing", std::numeric_limits<VstInt32>::min(), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.meaning);
        for (float value : {1.5f, -7.0f, std::numeric_limits<float>::infinity()}) {
            const auto written = writeGuarded(row.maxLen, [&](char* text) { formatFloat(value, text, row.maxLen); });
            EXPECT_EQ(written.text, "");
            EXPECT_EQ(written.fault, "");
            EXPECT_EQ(written.touched, row.touched);
        }
        for (VstInt32 value : {5, -5, 100000000}) {
            const auto written = writeGuarded(row.maxLen, [&](char* text) { formatInt(value, text, row.maxLen); });
            EXPECT_EQ(written.text, "");
            EXPECT_EQ(written.fault, "");
            EXPECT_EQ(written.touched, row.touched);
        }
    }
}

// Every float text is "Huge!" or exactly eight characters, and reads back as
// the value truncated toward zero at its last digit: never rounded up, never
// more than one unit of the last digit below.
TEST(TextBounds, FloatTextsAreEightCharactersTruncatedTowardZero) {
    std::vector<float> values = edgeFloats();
    const std::vector<float> swept = sweptFloats();
    values.insert(values.end(), swept.begin(), swept.end());
    for (float value : values) {
        const auto written = writeGuarded(kWide, [&](char* text) { formatFloat(value, text, kWide); });
        const std::string& text = written.text;
        const double magnitude = std::fabs(static_cast<double>(value));
        const bool fits = value >= 0.0f ? magnitude <= 99999999.0 : magnitude <= 9999999.0;
        if (!fits) {
            EXPECT_EQ(text, "Huge!") << value;
            continue;
        }
        ASSERT_EQ(text.size(), 8u) << value;
        EXPECT_EQ(text[0] == '-', value < 0.0f) << value;
        const std::size_t point = text.find('.');
        const int fractionDigits = point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
        const double unit = std::pow(10.0, -fractionDigits);
        const double shown = std::fabs(std::strtod(text.c_str(), nullptr));
        EXPECT_LE(shown, magnitude) << value << " shown as " << text;
        EXPECT_LT(magnitude - shown, unit) << value << " shown as " << text;
    }
}

}  // namespace

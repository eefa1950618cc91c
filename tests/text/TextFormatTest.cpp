// formatFloat and formatInt: worked texts, and the buffer rules over a sweep
// of values and limits: at most maxLen characters, zeros from the end of the
// text through index maxLen, nothing written beyond, a cut text a prefix of
// the whole one.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "host/TextFormat.h"
#include "tests/support/GuardedText.h"

namespace {

using testsupport::writeGuarded;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr VstInt32 kIntMin = std::numeric_limits<VstInt32>::min();
constexpr VstInt32 kWide = 32;  // room for any text uncut

template <typename Value>
struct TextRow {
    const char* meaning;
    Value value;
    VstInt32 maxLen;
    const char* text;
};

const TextRow<float> kFloatRows[] = {
    {"zero shows six fraction digits", 0.0f, 8, "0.000000"},
    {"negative zero shows no sign", -0.0f, 8, "0.000000"},
    {"one", 1.0f, 8, "1.000000"},
    {"0.7 held as 0.69999998 is truncated, not rounded up", 0.7f, 8, "0.699999"},
    {"largest float below one is truncated", 0.99999994f, 8, "0.999999"},
    {"three integer digits leave four fraction digits", 123.456f, 8, "123.4560"},
    {"minus sign takes one fraction digit", -0.5f, 8, "-0.50000"},
    {"-12345.6 held as -12345.5996 is truncated", -12345.6f, 8, "-12345.5"},
    {"seven digits leave only the point", 9999999.0f, 8, "9999999."},
    {"sign and six digits leave only the point", -999999.0f, 8, "-999999."},
    {"too small for the sixth fraction digit", 0.0000001f, 8, "0.000000"},
    {"subnormal shows zero", std::numeric_limits<float>::denorm_min(), 8, "0.000000"},
    // Digit chains at decade edges: a division step that rounds shows a 1 too many.
    {"just below ten", 9.999999f, 8, "9.999999"},
    {"just below a million", 999999.94f, 8, "999999.9"},
    {"negative just below a hundred thousand", -99999.99f, 8, "-99999.9"},
    // Eight-digit integer parts use the whole width, drop the point, never round.
    {"eight digits shown whole", 12345678.0f, 8, "12345678"},
    {"largest float within the positive range", 99999992.0f, 8, "99999992"},
    {"sign and seven digits shown whole", -1234567.0f, 8, "-1234567"},
    {"largest negative magnitude", -9999999.0f, 8, "-9999999"},
    {"negative fraction is truncated too", -1000000.75f, 8, "-1000000"},
    // Beyond the width.
    {"one hundred million overflows", 100000000.0f, 8, "Huge!"},
    {"99999999 rounds to 1e8 in single precision and overflows", 99999999.0f, 8, "Huge!"},
    {"minus ten million overflows", -10000000.0f, 8, "Huge!"},
    {"positive infinity overflows", kInf, 8, "Huge!"},
    {"negative infinity overflows", -kInf, 8, "Huge!"},
    {"NaN overflows", kNaN, 8, "Huge!"},
    // Short buffers.
    {"cut to maxLen 4", 2.5f, 4, "2.50"},
    {"overflow text cut to maxLen 3", kInf, 3, "Hug"},
    {"maxLen 0 writes the terminator only", 1.5f, 0, ""},
    {"negative maxLen writes nothing", -7.0f, -1, ""},
    {"most negative maxLen writes nothing", kInf, kIntMin, ""},
};

const TextRow<VstInt32> kIntRows[] = {
    {"one digit", 7, 8, "7"},
    {"three digits", 123, 8, "123"},
    {"negative value gets a minus sign", -123, 8, "-123"},
    {"zero is shown, not left empty", 0, 8, "0"},
    {"largest value that fits", 99999999, 8, "99999999"},
    {"most negative value that fits", -9999999, 8, "-9999999"},
    {"nine digits overflow", 100000000, 8, "Huge!"},
    {"sign and eight digits overflow rather than read -9999999", -99999999, 8, "Huge!"},
    {"smallest negative needing nine characters", -10000000, 8, "Huge!"},
    {"most negative 32-bit value overflows without a negation", kIntMin, 8, "Huge!"},
    {"cut to maxLen 4", 123456, 4, "1234"},
    {"maxLen 0 writes the terminator only", 5, 0, ""},
    {"negative maxLen writes nothing", -5, -1, ""},
    {"most negative maxLen writes nothing", 100000000, kIntMin, ""},
};

template <typename Value, typename Format, std::size_t N>
void expectWorkedTexts(const TextRow<Value> (&rows)[N], Format format) {
    for (const TextRow<Value>& row : rows) {
        SCOPED_TRACE(row.meaning);
        const auto written = writeGuarded(row.maxLen, [&](char* text) { format(row.value, text, row.maxLen); });
        EXPECT_EQ(written.text, row.text);
        EXPECT_EQ(written.fault, "");  // terminator and zero fill written, nothing beyond
    }
}

TEST(TextFormat, FloatWorkedValuesGiveExactTexts) {
    expectWorkedTexts(kFloatRows, formatFloat);
}

TEST(TextFormat, IntWorkedValuesGiveExactTexts) {
    expectWorkedTexts(kIntRows, formatInt);
}

// Every cut of a text stays inside its buffer and is a prefix of the whole text.
template <typename Value, typename Format>
std::string expectBoundedCuts(Value value, Format format) {
    const std::string whole = writeGuarded(kWide, [&](char* text) { format(value, text, kWide); }).text;
    for (VstInt32 maxLen = -1; maxLen <= 12; ++maxLen) {
        const auto cut = writeGuarded(maxLen, [&](char* text) { format(value, text, maxLen); });
        EXPECT_EQ(cut.fault, "") << "value " << value << ", maxLen " << maxLen;
        EXPECT_EQ(cut.text, whole.substr(0, static_cast<std::size_t>(std::max(maxLen, 0))))
            << "value " << value << ", maxLen " << maxLen;
    }
    return whole;
}

// Floats of every sign, exponent and NaN payload, plus the worked values:
// each text is "Huge!" or exactly eight characters reading back as the value
// truncated toward zero at its last digit (never rounded up, never a whole
// unit of that digit low).
TEST(TextFormat, FloatSweepStaysBoundedAndTruncates) {
    std::vector<float> values;
    for (const auto& row : kFloatRows) {
        values.push_back(row.value);
    }
    for (std::uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 65537 * 17) {
        values.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(bits)));
    }
    for (float value : values) {
        const std::string text = expectBoundedCuts(value, formatFloat);
        const double magnitude = std::fabs(static_cast<double>(value));
        if (!(value >= 0.0f ? magnitude <= 99999999.0 : magnitude <= 9999999.0)) {
            EXPECT_EQ(text, "Huge!") << value;
            continue;
        }
        ASSERT_EQ(text.size(), 8u) << value;
        EXPECT_EQ(text[0] == '-', value < 0.0f) << value;
        const std::size_t point = text.find('.');
        const double unit = std::pow(10.0, point == std::string::npos ? 0.0 : -double(text.size() - point - 1));
        const double shown = std::fabs(std::strtod(text.c_str(), nullptr));
        EXPECT_LE(shown, magnitude) << value << " shown as " << text;
        EXPECT_LT(magnitude - shown, unit) << value << " shown as " << text;
    }
}

// Integers of every digit count and sign read back as themselves, or overflow.
TEST(TextFormat, IntSweepStaysBoundedAndReadsBack) {
    std::vector<VstInt32> values;
    for (const auto& row : kIntRows) {
        values.push_back(row.value);
    }
    for (std::int64_t v = kIntMin; v <= std::numeric_limits<VstInt32>::max(); v += 999983) {
        values.push_back(static_cast<VstInt32>(v));
    }
    for (std::int64_t v = -9999999; v <= 99999999; v += 99991) {
        values.push_back(static_cast<VstInt32>(v));
    }
    for (VstInt32 value : values) {
        const bool fits = value >= -9999999 && value <= 99999999;
        EXPECT_EQ(expectBoundedCuts(value, formatInt), fits ? std::to_string(value) : "Huge!");
    }
}

}  // namespace

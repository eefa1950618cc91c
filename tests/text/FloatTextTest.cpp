// formatFloat: worked texts, exact strings.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

#include "host/TextFormat.h"
#include "tests/support/GuardedText.h"

namespace {

using testsupport::writeGuarded;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kSmallestSubnormal = std::numeric_limits<float>::denorm_min();

struct FloatRow {
    const char* meaning;
    float value;
    VstInt32 maxLen;
    const char* text;
};

const FloatRow kWorkedTexts[] = {
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
    {"fraction dropped when only the point fits", 1234567.5f, 8, "1234567."},
    {"six digits leave one fraction digit", 123456.7f, 8, "123456.7"},
    {"too small for the sixth fraction digit", 0.0000001f, 8, "0.000000"},
    {"negative tiny value keeps its sign", -0.0000001f, 8, "-0.00000"},
    {"subnormal shows zero", kSmallestSubnormal, 8, "0.000000"},
    {"negative subnormal shows negative zero", -kSmallestSubnormal, 8, "-0.00000"},
    {"cut to maxLen 4", 2.5f, 4, "2.50"},
    {"cut to maxLen 1 keeps the first digit", 2.5f, 1, "2"},
    {"cut to maxLen 2 keeps the sign and a digit", -7.25f, 2, "-7"},
    // Eight-digit integer parts use the whole width and drop the point.
    {"eight digits shown whole, no point", 12345678.0f, 8, "12345678"},
    {"smallest eight-digit value", 10000000.0f, 8, "10000000"},
    {"largest float within the positive range", 99999992.0f, 8, "99999992"},
    {"2^24 keeps every digit", 16777216.0f, 8, "16777216"},
    {"sign and seven digits shown whole, no point", -1234567.0f, 8, "-1234567"},
    {"smallest magnitude needing the point's place", -1000000.0f, 8, "-1000000"},
    {"largest negative magnitude", -9999999.0f, 8, "-9999999"},
    {"negative fraction is truncated too", -1000000.75f, 8, "-1000000"},
    {"cut eight-digit text stays a prefix", 12345678.0f, 5, "12345"},
    // Beyond the width.
    {"one hundred million overflows", 100000000.0f, 8, "Huge!"},
    {"99999999 rounds to 1e8 in single precision and overflows", 99999999.0f, 8, "Huge!"},
    {"minus ten million overflows", -10000000.0f, 8, "Huge!"},
    {"largest float overflows", FLT_MAX, 8, "Huge!"},
    {"most negative float overflows", -FLT_MAX, 8, "Huge!"},
    {"positive infinity overflows", kInf, 8, "Huge!"},
    {"negative infinity overflows", -kInf, 8, "Huge!"},
    {"NaN overflows", kNaN, 8, "Huge!"},
    {"negative NaN overflows", -kNaN, 8, "Huge!"},
    {"overflow text cut to maxLen 3", kInf, 3, "Hug"},
};

TEST(FloatText, WorkedValuesGiveExactTexts) {
    for (const FloatRow& row : kWorkedTexts) {
        SCOPED_TRACE(row.meaning);
        const auto written = writeGuarded(row.maxLen, [&](char* text) { formatFloat(row.value, text, row.maxLen); });
        EXPECT_EQ(written.text, row.text);
        EXPECT_EQ(written.fault, "");
    }
}

// The integer digits come from repeated division of a double: a value whose
// every digit is a nine or a zero catches a step that rounds instead of
// truncating.
TEST(FloatText, DigitChainsAtDecadeEdges) {
    struct Row {
        const char* meaning;
        float value;
        const char* text;
    } rows[] = {
        {"just below ten", 9.999999f, "9.999999"},
        {"float just below 0.3", 0.29999998f, "0.299999"},
        {"ten", 10.0f, "10.00000"},
        {"just below a thousand", 999.99994f, "999.9999"},
        {"a thousand", 1000.0f, "1000.000"},
        {"just below a million", 999999.94f, "999999.9"},
        {"a million", 1000000.0f, "1000000."},
        {"ten million", 10000000.0f, "10000000"},
        {"negative just below a hundred thousand", -99999.99f, "-99999.9"},
        {"negative hundred thousand", -100000.0f, "-100000."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.meaning);
        const auto written = writeGuarded(8, [&](char* text) { formatFloat(row.value, text, 8); });
        EXPECT_EQ(written.text, row.text);
    }
}

}  // namespace

// formatInt: worked texts, exact strings.
#include <gtest/gtest.h>

#include <limits>

#include "host/TextFormat.h"
#include "tests/support/GuardedText.h"

namespace {

using testsupport::writeGuarded;

struct IntRow {
    const char* meaning;
    VstInt32 value;
    VstInt32 maxLen;
    const char* text;
};

const IntRow kWorkedTexts[] = {
    {"one digit", 7, 8, "7"},
    {"three digits", 123, 8, "123"},
    {"negative value gets a minus sign", -123, 8, "-123"},
    {"zero is shown, not left empty", 0, 8, "0"},
    {"inner and trailing zeros are kept", 100200, 8, "100200"},
    {"minus one", -1, 8, "-1"},
    {"largest value that fits", 99999999, 8, "99999999"},
    {"smallest eight-digit value", 10000000, 8, "10000000"},
    {"most negative value that fits", -9999999, 8, "-9999999"},
    {"cut to maxLen 4", 123456, 4, "1234"},
    {"cut to maxLen 1 keeps only the sign", -123, 1, "-"},
    // Beyond eight characters: a cut text would read as another number.
    {"nine digits overflow", 100000000, 8, "Huge!"},
    {"largest 32-bit value overflows", std::numeric_limits<VstInt32>::max(), 8, "Huge!"},
    {"sign and eight digits overflow rather than read -9999999", -99999999, 8, "Huge!"},
    {"smallest negative needing nine characters", -10000000, 8, "Huge!"},
    {"ten-digit negative overflows", -1000000000, 8, "Huge!"},
    {"most negative but one overflows", -2147483647, 8, "Huge!"},
    {"most negative 32-bit value overflows without a negation", std::numeric_limits<VstInt32>::min(), 8, "Huge!"},
    {"overflow text cut to maxLen 2", 100000000, 2, "Hu"},
};

TEST(IntText, WorkedValuesGiveExactTexts) {
    for (const IntRow& row : kWorkedTexts) {
        SCOPED_TRACE(row.meaning);
        const auto written = writeGuarded(row.maxLen, [&](char* text) { formatInt(row.value, text, row.maxLen); });
        EXPECT_EQ(written.text, row.text);
        EXPECT_EQ(written.fault, "");
    }
}

// Every value from -9999999 to 99999999 reads back as itself; sampled with a
// stride that visits every digit count and sign.
TEST(IntText, TextsReadBackAsTheValue) {
    for (std::int64_t v = -9999999; v <= 99999999; v += 9973) {
        const auto value = static_cast<VstInt32>(v);
        const auto written = writeGuarded(8, [&](char* text) { formatInt(value, text, 8); });
        ASSERT_EQ(written.text, std::to_string(value));
    }
}

}  // namespace

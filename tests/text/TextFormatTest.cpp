// Value-to-text: AudioEffect's five operations give exact texts (dB2string,
// Hz2string and ms2string through the virtual float2string and
// getSampleRate); every cut of each text stays inside its buffer with zeros
// after it; floats are truncated, never rounded, and integers read back.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "host/AudioEffectX.h"
#include "host/TextFormat.h"
#include "tests/support/GuardedText.h"

namespace {

using testsupport::writeGuarded;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr VstInt32 kIntMin = std::numeric_limits<VstInt32>::min();

// Records what reaches float2string. The stored sample rate is 1 Hz: a
// conversion that bypassed getSampleRate would show.
struct SpyEffect : AudioEffectX {
    SpyEffect() : AudioEffectX(nullptr, 0, 0) { setSampleRate(1.0f); }
    void processReplacing(float**, float**, VstInt32) override {}
    void float2string(float value, char* text, VstInt32 maxLen) override {
        received.push_back(std::bit_cast<std::uint32_t>(value));
        AudioEffectX::float2string(value, text, maxLen);
    }
    float getSampleRate() override { return rateHz; }

    std::vector<std::uint32_t> received;  // bits of every value handed to float2string
    float rateHz = 44100.0f;              // what getSampleRate answers
};

enum class Op { float2string, int2string, dB, Hz, ms };

struct TextRow {
    const char* meaning;
    Op op;
    double value;  // a float, or for int2string a 32-bit integer
    VstInt32 maxLen;
    const char* text;
    std::int64_t received = -1;  // bits a conversion hands to float2string; -1: no call
    float rateHz = 44100.0f;
};

TEST(TextFormat, WorkedValuesGiveExactTextsAndEveryCutStaysInItsBuffer) {
    const TextRow rows[] = {
        {"zero shows six fraction digits", Op::float2string, 0.0f, 8, "0.000000"},
        {"negative zero shows no sign", Op::float2string, -0.0f, 8, "0.000000"},
        {"one", Op::float2string, 1.0f, 8, "1.000000"},
        {"0.7 held as 0.69999998 is truncated, not rounded up", Op::float2string, 0.7f, 8, "0.699999"},
        {"largest float below one is truncated", Op::float2string, 0.99999994f, 8, "0.999999"},
        {"three integer digits leave four fraction digits", Op::float2string, 123.456f, 8, "123.4560"},
        {"minus sign takes one fraction digit", Op::float2string, -0.5f, 8, "-0.50000"},
        {"-12345.6 held as -12345.5996 is truncated", Op::float2string, -12345.6f, 8, "-12345.5"},
        {"seven digits leave only the point", Op::float2string, 9999999.0f, 8, "9999999."},
        {"sign and six digits leave only the point", Op::float2string, -999999.0f, 8, "-999999."},
        {"too small for the sixth fraction digit", Op::float2string, 0.0000001f, 8, "0.000000"},
        {"eight digits use the whole width, no point", Op::float2string, 12345678.0f, 8, "12345678"},
        {"sign and seven digits use the whole width", Op::float2string, -1234567.0f, 8, "-1234567"},
        {"999.99994 is not rounded up to 1000", Op::float2string, 999.99994f, 8, "999.9999"},
        {"largest float below 1e8 keeps its last digit", Op::float2string, 99999992.0f, 8, "99999992"},
        {"one hundred million overflows", Op::float2string, 100000000.0f, 8, "Huge!"},
        {"minus ten million overflows", Op::float2string, -10000000.0f, 8, "Huge!"},
        {"positive infinity overflows", Op::float2string, kInf, 8, "Huge!"},
        {"negative infinity overflows", Op::float2string, -kInf, 8, "Huge!"},
        {"NaN overflows", Op::float2string, kNaN, 8, "Huge!"},
        {"cut to maxLen 4", Op::float2string, 2.5f, 4, "2.50"},
        {"most negative maxLen writes nothing", Op::float2string, kInf, kIntMin, ""},
        {"one digit", Op::int2string, 7, 8, "7"},
        {"three digits", Op::int2string, 123, 8, "123"},
        {"negative integer gets a minus sign", Op::int2string, -123, 8, "-123"},
        {"zero is shown, not left empty", Op::int2string, 0, 8, "0"},
        {"largest integer that fits", Op::int2string, 99999999, 8, "99999999"},
        {"smallest integer that fits", Op::int2string, -9999999, 8, "-9999999"},
        {"sign and eight digits overflow", Op::int2string, -10000000, 8, "Huge!"},
        {"nine digits overflow", Op::int2string, 100000000, 8, "Huge!"},
        {"sign and eight digits overflow rather than read -9999999", Op::int2string, -99999999, 8, "Huge!"},
        {"most negative 32-bit value overflows without a negation", Op::int2string, kIntMin, 8, "Huge!"},
        {"integer cut to maxLen 4", Op::int2string, 123456, 4, "1234"},
        {"unity gain is 0 dB", Op::dB, 1.0f, 8, "0.000000", 0x00000000},
        {"half gain is -6.02 dB, truncated", Op::dB, 0.5f, 8, "-6.02059", 0xC0C0A8C1},
        {"double gain is +6.02 dB", Op::dB, 2.0f, 8, "6.020599", 0x40C0A8C1},
        {"0.001 is -60 dB", Op::dB, 0.001f, 8, "-60.0000", 0xC2700000},
        {"zero gain is minus infinity, not from float2string", Op::dB, 0.0f, 8, "-oo"},
        {"negative gain is minus infinity", Op::dB, -1.0f, 8, "-oo"},
        {"NaN gain is NaN, not minus infinity", Op::dB, kNaN, 8, "Huge!", 0x7FC00000},
        {"a 100-frame period at 44100 Hz is 441 Hz", Op::Hz, 100.0f, 8, "441.0000", 0x43DC8000},
        {"no frames shows 0 Hz, not infinity", Op::Hz, 0.0f, 8, "0.000000", 0x00000000},
        {"441 frames at 44100 Hz is 10 ms", Op::ms, 441.0f, 8, "10.00000", 0x41200000},
        {"a second of frames is 1000 ms", Op::ms, 44100.0f, 8, "1000.000", 0x447A0000},
        // In single precision the product 7.7 x 1000 would round first: 0x3E32CB2D.
        {"ms of 7.7 frames rounded once from double", Op::ms, 7.7f, 8, "0.174603", 0x3E32CB2C},
        {"a zero sample rate gives an infinite duration", Op::ms, 441.0f, 8, "Huge!", 0x7F800000, 0.0f},
    };
    for (const TextRow& row : rows) {
        SCOPED_TRACE(row.meaning);
        SpyEffect effect;
        effect.rateHz = row.rateHz;
        const auto value = static_cast<float>(row.value);
        const auto format = [&](VstInt32 maxLen) {
            return writeGuarded(maxLen, [&](char* text) {
                switch (row.op) {
                    case Op::float2string: effect.float2string(value, text, maxLen); break;
                    case Op::int2string: effect.int2string(static_cast<VstInt32>(row.value), text, maxLen); break;
                    case Op::dB: effect.dB2string(value, text, maxLen); break;
                    case Op::Hz: effect.Hz2string(value, text, maxLen); break;
                    case Op::ms: effect.ms2string(value, text, maxLen); break;
                }
            });
        };
        const auto written = format(row.maxLen);
        EXPECT_EQ(written.text, row.text);
        EXPECT_EQ(written.fault, "");  // terminator and zero fill written, nothing beyond
        if (row.op != Op::float2string) {
            const std::vector<std::uint32_t> none, one{static_cast<std::uint32_t>(row.received)};
            EXPECT_EQ(effect.received, row.received < 0 ? none : one);
        }
        // Each cut, maxLen -1 to 12, writes a prefix of the whole text and nothing beyond index maxLen.
        const std::string whole = format(32).text;
        for (VstInt32 maxLen = -1; maxLen <= 12; ++maxLen) {
            const auto cut = format(maxLen);
            EXPECT_EQ(cut.fault, "") << "maxLen " << maxLen;
            EXPECT_EQ(cut.text, whole.substr(0, std::max(maxLen, 0))) << "maxLen " << maxLen;
        }
    }
}

// Floats of every sign, exponent and NaN payload: "Huge!" exactly outside
// the width, else eight characters reading back as the value truncated toward
// zero at the last digit (never rounded up, never a whole unit low).
TEST(TextFormat, FloatSweepTruncatesAtTheLastDigit) {
    for (std::uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 65537 * 17) {
        const float value = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
        const std::string text = writeGuarded(8, [&](char* out) { formatFloat(value, out, 8); }).text;
        const double magnitude = std::fabs(static_cast<double>(value));
        const bool fits = value >= 0.0f ? magnitude <= 99999999.0 : magnitude <= 9999999.0;
        ASSERT_EQ(text == "Huge!", !fits) << value << " shown as " << text;
        if (fits) {
            const std::size_t point = std::min<std::size_t>(text.find('.'), 7);  // no point: units
            const double shown = std::fabs(std::strtod(text.c_str(), nullptr));
            EXPECT_EQ(text.size(), 8u) << value;
            EXPECT_EQ(text[0] == '-', value < 0.0f) << value;
            EXPECT_TRUE(shown <= magnitude && magnitude - shown < std::pow(10.0, double(point) - 7.0))
                << value << " shown as " << text;
        }
    }
}

}  // namespace

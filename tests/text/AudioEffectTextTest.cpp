// AudioEffect's five text operations: the texts of dB2string, Hz2string and
// ms2string, the exact value each hands to float2string (dB and ms rounded
// once from double), and that they go through the virtual float2string and
// getSampleRate, so an effect class can replace either.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <vector>

#include "host/AudioEffectX.h"
#include "tests/support/GuardedText.h"

namespace {

// Records what reaches float2string and getSampleRate. The stored sample
// rate is 1 Hz, so a conversion that bypassed getSampleRate shows.
class SpyEffect : public AudioEffectX {
public:
    SpyEffect() : AudioEffectX(nullptr, 0, 0) { setSampleRate(1.0f); }
    void processReplacing(float**, float**, VstInt32) override {}
    void float2string(float value, char* text, VstInt32 maxLen) override {
        received.push_back(std::bit_cast<std::uint32_t>(value));
        AudioEffectX::float2string(value, text, maxLen);
    }
    float getSampleRate() override {
        ++rateQueries;
        return rateHz;
    }

    std::vector<std::uint32_t> received;  // bits of every value handed to float2string
    int rateQueries = 0;                  // calls of getSampleRate
    float rateHz = 44100.0f;              // what getSampleRate answers
};

enum class Op { toFloat, toInt, dB, Hz, ms };

struct TextRow {
    const char* meaning;
    Op op;
    float value;  // for int2string, converted
    float rateHz;
    VstInt32 maxLen;
    const char* text;
    std::vector<std::uint32_t> received;  // values float2string gets, as bits
    int rateQueries;
};

TEST(AudioEffectText, ConversionsGiveExactTextsThroughTheVirtualOperations) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const TextRow rows[] = {
        {"float2string is the formatter", Op::toFloat, 0.7f, 44100.0f, 8, "0.699999", {0x3F333333u}, 0},
        {"int2string is the formatter, not float2string", Op::toInt, -123.0f, 44100.0f, 8, "-123", {}, 0},
        {"unity gain is 0 dB", Op::dB, 1.0f, 44100.0f, 8, "0.000000", {0x00000000u}, 0},
        {"half gain is -6.02 dB, truncated", Op::dB, 0.5f, 44100.0f, 8, "-6.02059", {0xC0C0A8C1u}, 0},
        {"double gain is +6.02 dB", Op::dB, 2.0f, 44100.0f, 8, "6.020599", {0x40C0A8C1u}, 0},
        {"0.001 is -60 dB", Op::dB, 0.001f, 44100.0f, 8, "-60.0000", {0xC2700000u}, 0},
        {"zero gain is minus infinity, not from float2string", Op::dB, 0.0f, 44100.0f, 8, "-oo", {}, 0},
        {"negative gain is minus infinity", Op::dB, -1.0f, 44100.0f, 8, "-oo", {}, 0},
        {"minus infinity cut to maxLen 2", Op::dB, 0.0f, 44100.0f, 2, "-o", {}, 0},
        {"NaN gain is NaN, not minus infinity", Op::dB, nan, 44100.0f, 8, "Huge!", {0x7FC00000u}, 0},
        {"a 100-frame period at 44100 Hz is 441 Hz", Op::Hz, 100.0f, 44100.0f, 8, "441.0000", {0x43DC8000u}, 1},
        {"no frames shows 0 Hz, not infinity", Op::Hz, 0.0f, 44100.0f, 8, "0.000000", {0x00000000u}, 1},
        {"Hz at another rate", Op::Hz, 100.0f, 48000.0f, 8, "480.0000", {0x43F00000u}, 1},
        {"441 frames at 44100 Hz is 10 ms", Op::ms, 441.0f, 44100.0f, 8, "10.00000", {0x41200000u}, 1},
        {"a second of frames is 1000 ms", Op::ms, 44100.0f, 44100.0f, 8, "1000.000", {0x447A0000u}, 1},
        // In single precision the product 7.7 x 1000 would round first: 0x3E32CB2D.
        {"ms of 7.7 frames rounded once from double", Op::ms, 7.7f, 44100.0f, 8, "0.174603", {0x3E32CB2Cu}, 1},
        {"a zero sample rate gives an infinite duration", Op::ms, 441.0f, 0.0f, 8, "Huge!", {0x7F800000u}, 1},
    };
    for (const TextRow& row : rows) {
        SCOPED_TRACE(row.meaning);
        SpyEffect effect;
        effect.rateHz = row.rateHz;
        const auto written = testsupport::writeGuarded(row.maxLen, [&](char* text) {
            switch (row.op) {
                case Op::toFloat: effect.float2string(row.value, text, row.maxLen); break;
                case Op::toInt: effect.int2string(static_cast<VstInt32>(row.value), text, row.maxLen); break;
                case Op::dB: effect.dB2string(row.value, text, row.maxLen); break;
                case Op::Hz: effect.Hz2string(row.value, text, row.maxLen); break;
                case Op::ms: effect.ms2string(row.value, text, row.maxLen); break;
            }
        });
        EXPECT_EQ(written.text, row.text);
        EXPECT_EQ(written.fault, "");
        EXPECT_EQ(effect.received, row.received);
        EXPECT_EQ(effect.rateQueries, row.rateQueries);
    }
}

}  // namespace

// AudioEffect's five text operations: the conversions of dB2string, Hz2string
// and ms2string, and that all of them go through the virtual float2string and
// getSampleRate, so an effect class can replace either.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "host/AudioEffectX.h"
#include "host/BoundedText.h"
#include "tests/support/GuardedText.h"

namespace {

using testsupport::writeGuarded;

class PlainEffect : public AudioEffectX {
public:
    PlainEffect() : AudioEffectX(nullptr, 0, 0) {}
    void processReplacing(float**, float**, VstInt32) override {}
};

// Replaces float2string and getSampleRate, recording what reaches them.
class ReplacingEffect : public PlainEffect {
public:
    void float2string(float value, char* text, VstInt32 maxLen) override {
        received.push_back(value);
        boundedCopy(text, "mine", maxLen);
    }
    float getSampleRate() override {
        ++rateQueries;
        return rateHz;
    }

    std::vector<float> received;  // every value handed to float2string
    int rateQueries = 0;          // calls of getSampleRate
    float rateHz = 44100.0f;      // what getSampleRate answers
};

using TextOperation = std::function<void(AudioEffect&, char*, VstInt32)>;

struct TextRow {
    const char* meaning;
    float sampleRateHz;
    VstInt32 maxLen;
    TextOperation write;
    const char* text;
};

TEST(AudioEffectText, WorkedTexts) {
    const float inf = std::numeric_limits<float>::infinity();
    const TextRow rows[] = {
        {"float2string is the formatter", 44100.0f, 8, [](AudioEffect& e, char* t, VstInt32 n) { e.float2string(0.7f, t, n); }, "0.699999"},
        {"int2string is the formatter", 44100.0f, 8, [](AudioEffect& e, char* t, VstInt32 n) { e.int2string(-123, t, n); }, "-123"},
        {"unity gain is 0 dB", 44100.0f, 8, [](AudioEffect& e, char* t, VstInt32 n) { e.dB2string(1.0f, t, n); }, "0.000000"},
        {"half gain is -6.02 dB, truncated", 44100.0f, 8, [](AudioEffect& e, char* t, VstInt32 n) { e.dB2string(0.5f, t, n); }, "-6.02059"},
        {"double gain is +6.02 dB", 44100.0f, 8, [](AudioEffect& e, char* t, VstInt32 n) { e.dB2string(2.0f, t, n); }, "6.020599"},
        {"0.001 is -60 dB", 44100.0f, 8, [](AudioEffect& e, char* t, VstInt32 n) { e.dB2string(0.001f, t, n); }, "-60.0000"},
        {"zero gain is minus infinity", 44100.0f, 8, [](AudioEffect& e, char* t, VstInt32 n) { e.dB2string(0.0f, t, n); }, "-oo"},
        {"negative gain is minus infinity", 44100.0f, 8, [](AudioEffect& e, char* t, VstInt32 n) { e.dB2string(-1.0f, t, n); }, "-oo"},
        {"minus infinity cut to maxLen 2", 44100.0f, 2, [](AudioEffect& e, char* t, VstInt32 n) { e.dB2string(0.0f, t, n); }, "-o"},
        {"infinite gain overflows", 44100.0f, 8, [=](AudioEffect& e, char* t, VstInt32 n) { e.dB2string(inf, t, n); }, "Huge!"},
        {"a 100-frame period at 44100 Hz is 441 Hz", 44100.0f, 8, [](AudioEffect& e, char* t, VstInt32 n) { e.Hz2string(100.0f, t, n); }, "441.0000"},
        {"no frames shows 0 Hz, not infinity", 44100.0f, 8, [](AudioEffect& e, char* t, VstInt32 n) { e.Hz2string(0.0f, t, n); }, "0.000000"},
        {"Hz follows the stored sample rate", 48000.0f, 8, [](AudioEffect& e, char* t, VstInt32 n) { e.Hz2string(100.0f, t, n); }, "480.0000"},
        {"441 frames at 44100 Hz is 10 ms", 44100.0f, 8, [](AudioEffect& e, char* t, VstInt32 n) { e.ms2string(441.0f, t, n); }, "10.00000"},
        {"a second of frames is 1000 ms", 44100.0f, 8, [](AudioEffect& e, char* t, VstInt32 n) { e.ms2string(44100.0f, t, n); }, "1000.000"},
        {"ms follows the stored sample rate", 48000.0f, 8, [](AudioEffect& e, char* t, VstInt32 n) { e.ms2string(48000.0f, t, n); }, "1000.000"},
        {"a zero sample rate gives an infinite duration", 0.0f, 8, [](AudioEffect& e, char* t, VstInt32 n) { e.ms2string(441.0f, t, n); }, "Huge!"},
        {"no frames at a zero sample rate is NaN", 0.0f, 8, [](AudioEffect& e, char* t, VstInt32 n) { e.ms2string(0.0f, t, n); }, "Huge!"},
    };
    for (const TextRow& row : rows) {
        SCOPED_TRACE(row.meaning);
        PlainEffect effect;
        effect.setSampleRate(row.sampleRateHz);
        const auto written = writeGuarded(row.maxLen, [&](char* text) { row.write(effect, text, row.maxLen); });
        EXPECT_EQ(written.text, row.text);
        EXPECT_EQ(written.fault, "");
    }
}

// What the conversions hand to float2string, as exact float bits: dB and ms
// are computed in double and rounded once; Hz is a single-precision quotient.
TEST(AudioEffectText, ConversionsReachTheReplacedFloat2string) {
    struct Row {
        const char* meaning;
        TextOperation write;
        std::uint32_t valueBits;  // what float2string receives
        int rateQueries;          // getSampleRate calls per text
    } rows[] = {
        {"dB of 0.5", [](AudioEffect& e, char* t, VstInt32 n) { e.dB2string(0.5f, t, n); }, 0xC0C0A8C1u, 0},
        {"dB of 2.0", [](AudioEffect& e, char* t, VstInt32 n) { e.dB2string(2.0f, t, n); }, 0x40C0A8C1u, 0},
        {"dB of NaN is NaN, not minus infinity", [](AudioEffect& e, char* t, VstInt32 n) { e.dB2string(std::numeric_limits<float>::quiet_NaN(), t, n); }, 0x7FC00000u, 0},
        {"Hz of 3.3 frames", [](AudioEffect& e, char* t, VstInt32 n) { e.Hz2string(3.3f, t, n); }, 0x4650CE8Cu, 1},
        {"Hz of 0.3 frames", [](AudioEffect& e, char* t, VstInt32 n) { e.Hz2string(0.3f, t, n); }, 0x480F8E00u, 1},
        {"Hz of no frames is zero", [](AudioEffect& e, char* t, VstInt32 n) { e.Hz2string(0.0f, t, n); }, 0x00000000u, 1},
        {"ms of 7.7 frames, rounded once from double", [](AudioEffect& e, char* t, VstInt32 n) { e.ms2string(7.7f, t, n); }, 0x3E32CB2Cu, 1},
        {"ms of 123.4 frames, rounded once from double", [](AudioEffect& e, char* t, VstInt32 n) { e.ms2string(123.4f, t, n); }, 0x4033157Bu, 1},
        {"float2string itself", [](AudioEffect& e, char* t, VstInt32 n) { e.float2string(0.25f, t, n); }, 0x3E800000u, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.meaning);
        ReplacingEffect effect;
        const auto written = writeGuarded(8, [&](char* text) { row.write(effect, text, 8); });
        EXPECT_EQ(written.text, "mine");
        ASSERT_EQ(effect.received.size(), 1u);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(effect.received[0]), row.valueBits);
        EXPECT_EQ(effect.rateQueries, row.rateQueries);
    }
}

// "-oo" is the one text of the four that does not come from float2string.
TEST(AudioEffectText, MinusInfinityBypassesFloat2string) {
    ReplacingEffect effect;
    const auto written = writeGuarded(8, [&](char* text) { effect.dB2string(0.0f, text, 8); });
    EXPECT_EQ(written.text, "-oo");
    EXPECT_TRUE(effect.received.empty());
}

// The rate comes from the replaceable getSampleRate, not the stored field.
TEST(AudioEffectText, SampleRateComesFromGetSampleRate) {
    ReplacingEffect effect;
    effect.setSampleRate(44100.0f);
    effect.rateHz = 1000.0f;
    char text[9];
    effect.Hz2string(4.0f, text, 8);
    effect.ms2string(4.0f, text, 8);
    EXPECT_EQ(effect.received, (std::vector<float>{250.0f, 4.0f}));
}

}  // namespace

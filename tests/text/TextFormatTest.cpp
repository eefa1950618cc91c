// Value-to-text: AudioEffect's five operations give exact texts (dB2string,
// Hz2string and ms2string through the virtual float2string and
// getSampleRate); every cut of each text stays inside its buffer with zeros
// after it; floats are truncated, never rounded.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "host/AudioEffectX.h"

namespace {

// What write(buffer) left in a buffer of maxLen + 1 bytes (none for a
// negative maxLen) between guard bytes, all 0xFF before: the text, marked as
// faulty when a guard byte changed, the terminator is missing or a byte after
// the text is not zero.
template <typename Write>
std::string writeGuarded(VstInt32 maxLen, Write write) {
    const std::size_t size = maxLen < 0 ? 0 : static_cast<std::size_t>(maxLen) + 1;
    std::vector<unsigned char> bytes(size + 32, 0xFF);
    unsigned char* const buffer = bytes.data() + 16;
    write(reinterpret_cast<char*>(buffer));
    const std::string text(reinterpret_cast<char*>(buffer), strnlen(reinterpret_cast<char*>(buffer), size));
    const auto guard = [](unsigned char b) { return b == 0xFF; };
    const auto zero = [](unsigned char b) { return b == 0; };
    const bool ok = std::all_of(bytes.data(), buffer, guard) && std::all_of(buffer + size, &bytes.back() + 1, guard) &&
                    (size == 0 || (text.size() < size && std::all_of(buffer + text.size(), buffer + size, zero)));
    return ok ? text : "faulty: " + text;
}

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

enum Op { Float, Int, dB, Hz, ms };

struct Row {
    Op op;
    double value;  // a float, or for int2string a 32-bit integer
    VstInt32 maxLen;
    const char* text;
    std::int64_t received = -1;  // bits a conversion hands to float2string; -1: no call
    float rateHz = 44100.0f;
};

TEST(TextFormat, WorkedValuesGiveExactTextsAndEveryCutStaysInItsBuffer) {
    const Row rows[] = {
        {Float, 0.0f, 8, "0.000000"},   {Float, -0.0f, 8, "0.000000"}, {Float, 1.0f, 8, "1.000000"},
        {Float, 0.7f, 8, "0.699999"},   {Float, 0.99999994f, 8, "0.999999"},  // truncated, not rounded up
        {Float, 123.456f, 8, "123.4560"}, {Float, -0.5f, 8, "-0.50000"}, {Float, -12345.6f, 8, "-12345.5"},
        {Float, 9999999.0f, 8, "9999999."}, {Float, -999999.0f, 8, "-999999."}, {Float, 0.0000001f, 8, "0.000000"},
        {Float, 12345678.0f, 8, "12345678"}, {Float, -1234567.0f, 8, "-1234567"},  // the whole width, no point
        {Float, 99999992.0f, 8, "99999992"}, {Float, 100000000.0f, 8, "Huge!"}, {Float, -10000000.0f, 8, "Huge!"},
        {Float, kInf, 8, "Huge!"},      {Float, -kInf, 8, "Huge!"},    {Float, kNaN, 8, "Huge!"},
        {Float, 2.5f, 4, "2.50"},       {Float, kInf, kIntMin, ""},
        {Int, 7, 8, "7"},               {Int, -123, 8, "-123"},        {Int, 0, 8, "0"},  // zero is shown, not empty
        {Int, 99999999, 8, "99999999"}, {Int, -9999999, 8, "-9999999"}, {Int, -10000000, 8, "Huge!"},
        {Int, 100000000, 8, "Huge!"},   {Int, kIntMin, 8, "Huge!"},    {Int, 123456, 4, "1234"},
        {dB, 1.0f, 8, "0.000000", 0x00000000}, {dB, 0.5f, 8, "-6.02059", 0xC0C0A8C1},
        {dB, 2.0f, 8, "6.020599", 0x40C0A8C1}, {dB, 0.001f, 8, "-60.0000", 0xC2700000},
        {dB, 0.0f, 8, "-oo"},           {dB, -1.0f, 8, "-oo"},         {dB, kNaN, 8, "Huge!", 0x7FC00000},
        {Hz, 100.0f, 8, "441.0000", 0x43DC8000}, {Hz, 0.0f, 8, "0.000000", 0x00000000},
        {ms, 441.0f, 8, "10.00000", 0x41200000}, {ms, 44100.0f, 8, "1000.000", 0x447A0000},
        {ms, 7.7f, 8, "0.174603", 0x3E32CB2C},  // rounded to float once, from the double quotient
        {ms, 441.0f, 8, "Huge!", 0x7F800000, 0.0f},  // a zero sample rate
    };
    for (std::size_t r = 0; r < std::size(rows); ++r) {
        const Row& row = rows[r];
        SCOPED_TRACE(testing::Message() << "row " << r << ": " << row.text);
        SpyEffect effect;
        effect.rateHz = row.rateHz;
        const auto value = static_cast<float>(row.value);
        const auto format = [&](VstInt32 maxLen) {
            return writeGuarded(maxLen, [&](char* text) {
                switch (row.op) {
                    case Float: effect.float2string(value, text, maxLen); break;
                    case Int: effect.int2string(static_cast<VstInt32>(row.value), text, maxLen); break;
                    case dB: effect.dB2string(value, text, maxLen); break;
                    case Hz: effect.Hz2string(value, text, maxLen); break;
                    case ms: effect.ms2string(value, text, maxLen); break;
                }
            });
        };
        EXPECT_EQ(format(row.maxLen), row.text);
        if (row.op != Float) {
            const std::vector<std::uint32_t> none, one{static_cast<std::uint32_t>(row.received)};
            EXPECT_EQ(effect.received, row.received < 0 ? none : one);
        }
        // Each cut, maxLen -1 to 12, writes a prefix of the whole text and nothing beyond index maxLen.
        const std::string whole = format(32);
        for (VstInt32 maxLen = -1; maxLen <= 12; ++maxLen) {
            EXPECT_EQ(format(maxLen), whole.substr(0, std::max(maxLen, 0))) << "maxLen " << maxLen;
        }
    }
}

}  // namespace

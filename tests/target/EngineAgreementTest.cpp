// The engine's output bits on this target against x86-64's, for fixed renders
// of the built plug-in by a host that leaves the x87 unit at 53 bits. Targets
// whose long double is the x87 80-bit type (x86-64, i386) must agree bit for
// bit. Where long double is wider (ppc32's double-double holds 106 bits), the
// 64-bit call's extended sum m + (dither - ditherShape) is formed exactly
// where x87 rounds it, so a rare sum near a half-way point rounds to the other
// neighbour: each such sample is listed with x86-64's bits and must be exactly
// one unit in the last place away from them. The 32-bit call agrees everywhere
// (its final rounding to float hides the extended sum's bits).
//
// Everything that feeds the renders is exact on every target: the input is
// built from integers scaled by powers of two (no libm). The input guard's
// noise counters and the dither's generator are the module's, for all its
// instances: each scenario renders in a process of its own (CTest runs each
// case alone), from the module's state as loaded, which every platform
// reaches (the generator starts at seed 1; on Linux it is the C library's,
// seeded so here). To update the lists, run a case on x86-64 and on ppc32 with
// GLOWMARSH_PRINT_BITS set and compare what they print.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>
#include <vector>

#include "tests/support/Hosted.h"

namespace {

constexpr int kFrames = 6000;
constexpr int kSilenceBegin = 2500;  // exact zeros here make the input guard fire
constexpr int kSilenceEnd = 3100;

// Channel c of frame n: a sawtooth plus 16-bit noise, every value a multiple
// of 2^-18, so float and double hold it exactly; in some scenarios NaN, +inf
// and -inf in turn every 700 frames (from 0 left, from 100 right, one in the
// silence each), whose traces the digests pin: none after the next frame.
double inputSample(int channel, int frame, bool nonFinite) {
    const double spoilt[] = {std::numeric_limits<double>::quiet_NaN(), HUGE_VAL, -HUGE_VAL};
    if (nonFinite && frame % 700 == 100 * channel) return spoilt[frame / 700 % 3];
    if (frame >= kSilenceBegin && frame < kSilenceEnd) {
        return 0.0;
    }
    std::uint32_t x = static_cast<std::uint32_t>(frame) * 2654435761u + static_cast<std::uint32_t>(channel) * 40503u;
    x ^= x >> 15;
    x *= 2246822519u;
    x ^= x >> 13;
    const int noise = static_cast<int>(x >> 16) - 32768;          // -2^15 to 2^15 - 1
    const int saw = (frame * (channel ? 23 : 37)) % 2000 - 1000;  // -1000 to 999
    return noise * 0x1p-18 + saw * 0x1p-11;
}

// A sample where a wider long double rounds the 64-bit output differently: its
// interleaved index (2 * frame + channel) and what x86-64 and i386 give.
struct Exception { int index; std::uint64_t x87Bits; };

struct Scenario {
    const char* name;
    float sustain, grain, dryWet;
    bool wide;                            // the 64-bit call
    bool nonFinite;                       // NaN and infinities in the input
    std::uint64_t x86Digest;
    std::vector<Exception> doubleDouble;  // the samples a 106-bit long double rounds the other way
};

// FNV-1a over the output's bits (left, right per frame), each value's bytes
// least significant first whatever the byte order, so equal values give equal
// digests everywhere; every NaN counts as one (processors differ in the NaN
// an operation makes). On a double-double target the listed samples are first
// checked to be one ulp from x86-64's and replaced by them.
template <typename Sample, typename Bits = std::conditional_t<sizeof(Sample) == 8, std::uint64_t, std::uint32_t>>
std::uint64_t renderDigest(const Scenario& scenario) {
    auto effect = hosted::create();
    effect->setParameter(0, scenario.sustain);
    effect->setParameter(1, scenario.grain);
    effect->setParameter(2, scenario.dryWet);
    hosted::Stereo<Sample> in(kFrames);
    for (int n = 0; n < kFrames; ++n) {
        in.left[n] = static_cast<Sample>(inputSample(0, n, scenario.nonFinite));
        in.right[n] = static_cast<Sample>(inputSample(1, n, scenario.nonFinite));
    }
    std::srand(1);
#if defined(__x86_64__) || defined(__i386__)
    // The host keeps the x87 unit at 53 bits, as Windows starts programs: the
    // module sets 64 for its processing and gives the host's setting back.
    std::uint16_t host = 0x27F, original = 0, after = 0;
    asm volatile("fnstcw %0\n\tfldcw %1" : "=m"(original) : "m"(host));
#endif
    const auto out =
        hosted::render([&](Sample** i, Sample** o, VstInt32 n) { effect->process(i, o, n); }, in, {512, 1, 1000, 37, 2048});
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("fnstcw %0\n\tfldcw %1" : "=m"(after) : "m"(original));
    EXPECT_EQ(after, host) << "the host's x87 setting";
#endif
    std::vector<Bits> bits(2 * kFrames);
    const Sample nan = std::numeric_limits<Sample>::quiet_NaN();
    for (int i = 0; i < 2 * kFrames; ++i) {
        const Sample value = (i % 2 ? out.right : out.left)[i / 2];
        std::memcpy(&bits[i], value == value ? &value : &nan, sizeof(Bits));
        if (std::getenv("GLOWMARSH_PRINT_BITS")) std::printf("%d %llx\n", i, static_cast<unsigned long long>(bits[i]));
    }
    if (std::numeric_limits<long double>::digits == 106) {
        for (const Exception& e : scenario.doubleDouble) {
            const auto difference = static_cast<std::int64_t>(bits[e.index] - e.x87Bits);
            EXPECT_TRUE(difference == 1 || difference == -1) << "sample " << e.index << " is not one ulp from x86-64's";
            bits[e.index] = static_cast<Bits>(e.x87Bits);
        }
    }
    std::uint64_t hash = 14695981039346656037ull;
    for (Bits v : bits) {
        for (unsigned i = 0; i < sizeof v; ++i) hash = (hash ^ static_cast<unsigned char>(v >> (8 * i))) * 1099511628211ull;
    }
    return hash;
}

const Scenario kScenarios[] = {
    {"Defaults32", 1.0f, 0.7f, 0.2f, false, false, 0x639715762547d849ull, {}},
    {"Defaults64", 1.0f, 0.7f, 0.2f, true, false, 0x2a26aa694062d47aull,
     {{5488, 0x3f4bc1e79d828f38ull}, {7609, 0x3fca39a5f43ce2a0ull}, {8956, 0x3fc96c9fda5b765eull}}},
    {"MostTapsAllWet32", 0.3f, 1.0f, 1.0f, false, false, 0x0b0c48635dec641eull, {}},
    {"MostTapsAllWet64", 0.3f, 1.0f, 1.0f, true, false, 0x19af2abf41a805c3ull, {}},
    {"FewestTapsHalfWet32", 0.0f, 0.0f, 0.5f, false, false, 0x10f15a9c673ac5ddull, {}},
    {"FewestTapsHalfWet64", 0.0f, 0.0f, 0.5f, true, false, 0x2b779d6f612f6392ull,
     {{528, 0x3fb3bbb36aaa2308ull}, {5488, 0x3cc036847569cd7aull}}},
    {"NonFiniteInputMostTaps32", 0.6f, 1.0f, 0.5f, false, true, 0xb1a1617eddf87c4cull, {}},
    {"NonFiniteInputMostTaps64", 0.6f, 1.0f, 0.5f, true, true, 0x7da5eca7fc70c6e5ull,
     {{3899, 0xbfa249f44754855eull}, {5133, 0x3f5e81fc31dbc7f4ull}, {5488, 0x3f88d95bde49b91eull}}},
};

class EngineAgreement : public testing::TestWithParam<Scenario> {};

TEST_P(EngineAgreement, OutputBitsMatchX86_64) {
    constexpr int kDigits = std::numeric_limits<long double>::digits;
    ASSERT_TRUE(kDigits == 64 || kDigits == 106) << "no recorded expectations for a long double of " << kDigits;
    static bool rendered = false;
    ASSERT_FALSE(std::exchange(rendered, true)) << "one scenario per process: run them through ctest";
    const Scenario& row = GetParam();
    const std::uint64_t digest = row.wide ? renderDigest<double>(row) : renderDigest<float>(row);
    EXPECT_EQ(digest, row.x86Digest) << row.name << ": digest 0x" << std::hex << digest;
}

INSTANTIATE_TEST_SUITE_P(Renders, EngineAgreement, testing::ValuesIn(kScenarios),
                         [](const testing::TestParamInfo<Scenario>& info) { return info.param.name; });

}  // namespace

// The engine's output bits on this target against x86-64's, for fixed renders
// of the built plug-in. Targets whose long double is the x87 80-bit type
// (x86-64, i386) must agree bit for bit. Where long double is wider (ppc32's
// double-double holds 106 bits), the 64-bit call's extended sum
// m + (dither - ditherShape) is formed exactly where x87 rounds it, so a rare
// sum near a half-way point rounds to the other neighbour: each such sample is
// listed with x86-64's bits and must be exactly one unit in the last place
// away from them. The 32-bit call agrees everywhere (its final rounding to
// float hides the extended sum's bits).
//
// Everything that feeds the renders is exact on every target: the input is
// built from integers scaled by powers of two (no libm), rand() is seeded
// before each render, and every scenario starts from a new instance. The
// input guard's noise counters are process-wide, so this test relies on being
// the only one in its process to process audio.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

#include "tests/support/Hosted.h"

namespace {

constexpr int kFrames = 6000;
constexpr int kSilenceBegin = 2500;  // exact zeros here make the input guard fire
constexpr int kSilenceEnd = 3100;

// Channel c of frame n: a sawtooth plus 16-bit noise, every value a multiple
// of 2^-18, so float and double hold it exactly.
double inputSample(int channel, int frame) {
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

// A sample where a wider long double rounds the 64-bit output differently.
struct Exception {
    int index;              // interleaved sample index: 2 * frame + channel
    std::uint64_t x87Bits;  // what x86-64 and i386 give
};

struct Scenario {
    const char* name;
    float sustain, grain, dryWet;
    bool wide;                            // the 64-bit call
    std::uint64_t x86Digest;
    std::vector<Exception> doubleDouble;  // the samples a 106-bit long double rounds the other way
};

// FNV-1a over the output's bits (left, right per frame), each value's bytes
// least significant first whatever the byte order, so equal values give equal
// digests everywhere. On a double-double target the listed samples are first
// checked to be one ulp from x86-64's and replaced by them.
template <typename Sample, typename Bits = std::conditional_t<sizeof(Sample) == 8, std::uint64_t, std::uint32_t>>
std::uint64_t renderDigest(const Scenario& scenario) {
    auto effect = hosted::create();
    effect->setParameter(0, scenario.sustain);
    effect->setParameter(1, scenario.grain);
    effect->setParameter(2, scenario.dryWet);
    hosted::Stereo<Sample> in(kFrames);
    for (int n = 0; n < kFrames; ++n) {
        in.left[n] = static_cast<Sample>(inputSample(0, n));
        in.right[n] = static_cast<Sample>(inputSample(1, n));
    }
    std::srand(20261206);
    const auto out =
        hosted::render([&](Sample** i, Sample** o, VstInt32 n) { effect->process(i, o, n); }, in, {512, 1, 1000, 37, 2048});
    std::vector<Bits> bits(2 * kFrames);
    for (int n = 0; n < kFrames; ++n) {
        std::memcpy(&bits[2 * n], &out.left[n], sizeof(Bits));
        std::memcpy(&bits[2 * n + 1], &out.right[n], sizeof(Bits));
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
        for (unsigned i = 0; i < sizeof v; ++i) {
            hash = (hash ^ static_cast<unsigned char>(v >> (8 * i))) * 1099511628211ull;
        }
    }
    return hash;
}

TEST(EngineAgreement, OutputBitsMatchX86_64) {
    constexpr int kDigits = std::numeric_limits<long double>::digits;
    ASSERT_TRUE(kDigits == 64 || kDigits == 106) << "no recorded expectations for a long double of " << kDigits;
    const Scenario rows[] = {
        {"defaults, 32-bit call", 1.0f, 0.7f, 0.2f, false, 0x0ab8960e1165864bull, {}},
        {"defaults, 64-bit call", 1.0f, 0.7f, 0.2f, true, 0x001ab44549d6ba9full, {}},
        {"most taps, all wet, 32-bit call", 0.3f, 1.0f, 1.0f, false, 0x9266d2cdd5192bdcull, {}},
        {"most taps, all wet, 64-bit call", 0.3f, 1.0f, 1.0f, true, 0x62d25794e287a3fcull,
         {{8253, 0x3fc38f354d6294b8ull}}},
        {"fewest taps, half wet, 32-bit call", 0.0f, 0.0f, 0.5f, false, 0x6fa8a02ab522f3dfull, {}},
        {"fewest taps, half wet, 64-bit call", 0.0f, 0.0f, 0.5f, true, 0x63a083bfb55ce40dull,
         {{4899, 0x3fa45e8582a5d18cull}, {4937, 0xbf73ea2a5d9508ceull}, {6303, 0xbfb3146000000000ull}}},
    };
    for (const Scenario& row : rows) {
        const std::uint64_t digest = row.wide ? renderDigest<double>(row) : renderDigest<float>(row);
        EXPECT_EQ(digest, row.x86Digest) << row.name << ": digest 0x" << std::hex << digest;
    }
}

}  // namespace

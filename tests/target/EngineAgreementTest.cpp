// The engine's output bits on this target against x86-64's. Targets whose
// long double is the x87 80-bit type (x86-64, i386) must agree bit for bit.
// Where long double is wider (ppc32's double-double holds 106 bits), the
// 64-bit call's extended sum m + (dither - ditherShape) is formed exactly
// where x87 rounds it, so a rare sum near a half-way point rounds to the
// other neighbour: each such sample is listed with x86-64's bits and must be
// exactly one unit in the last place away from them. The 32-bit call agrees
// everywhere (its final rounding to float hides the extended sum's bits).
//
// The input guard's noise counters are process-wide, so this test relies on
// being the only one in its process to process audio.
#include <gtest/gtest.h>

#include <cinttypes>
#include <limits>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/target/AgreementRender.h"

namespace agreement {
namespace {

// A sample where a wider long double rounds the 64-bit output differently.
struct Exception {
    int index;              // interleaved sample index: 2 * frame + channel
    std::uint64_t x87Bits;  // what x86-64 and i386 give
};

struct Row {
    Scenario scenario;
    std::uint64_t x86Digest;
    std::vector<Exception> doubleDoubleExceptions;  // 64-bit call, 106-bit long double
};

const Row rows[] = {
    {{"defaults, 32-bit call", 1.0f, 0.7f, 0.2f, false}, 0x0ab8960e1165864bull, {}},
    {{"defaults, 64-bit call", 1.0f, 0.7f, 0.2f, true}, 0x001ab44549d6ba9full, {}},
    {{"most taps, all wet, 32-bit call", 0.3f, 1.0f, 1.0f, false}, 0x9266d2cdd5192bdcull, {}},
    {{"most taps, all wet, 64-bit call", 0.3f, 1.0f, 1.0f, true}, 0x62d25794e287a3fcull,
     {{8253, 0x3fc38f354d6294b8ull}}},
    {{"fewest taps, half wet, 32-bit call", 0.0f, 0.0f, 0.5f, false}, 0x6fa8a02ab522f3dfull, {}},
    {{"fewest taps, half wet, 64-bit call", 0.0f, 0.0f, 0.5f, true}, 0x63a083bfb55ce40dull,
     {{4899, 0x3fa45e8582a5d18cull}, {4937, 0xbf73ea2a5d9508ceull}, {6303, 0xbfb3146000000000ull}}},
};

constexpr int kLongDoubleDigits = std::numeric_limits<long double>::digits;

std::string hex64(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%016" PRIx64, value);
    return text;
}

// Replaces each listed sample by x86-64's bits after checking it is one ulp
// away from them; a sample equal to x86-64's would mean the list is stale.
void applyExceptions(std::vector<std::uint64_t>& bits, const std::vector<Exception>& exceptions) {
    for (const Exception& e : exceptions) {
        ASSERT_LT(static_cast<std::size_t>(e.index), bits.size());
        const auto ours = static_cast<std::int64_t>(bits[e.index]);
        const auto theirs = static_cast<std::int64_t>(e.x87Bits);
        EXPECT_TRUE(ours - theirs == 1 || theirs - ours == 1)
            << "sample " << e.index << ": " << hex64(bits[e.index]) << " is not one ulp from x86-64's "
            << hex64(e.x87Bits);
        bits[e.index] = e.x87Bits;
    }
}

TEST(EngineAgreement, OutputBitsMatchX86_64) {
    if (kLongDoubleDigits != 64 && kLongDoubleDigits != 106) {
        FAIL() << "no recorded expectations for a long double of " << kLongDoubleDigits << " digits";
    }
    std::string error;
    const auto library = vsthost::PluginLibrary::open(GLOWMARSH_PLUGIN_PATH, error);
    ASSERT_TRUE(library) << error;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario.name);
        std::uint64_t got;
        if (row.scenario.doublePrecision) {
            auto bits = render<double, std::uint64_t>(*library, row.scenario);
            ASSERT_EQ(bits.size(), 2u * kFrames);
            if (kLongDoubleDigits == 106) {
                applyExceptions(bits, row.doubleDoubleExceptions);
            }
            got = digest(bits);
        } else {
            const auto bits = render<float, std::uint32_t>(*library, row.scenario);
            ASSERT_EQ(bits.size(), 2u * kFrames);
            got = digest(bits);
        }
        EXPECT_EQ(hex64(got), hex64(row.x86Digest));
    }
}

}  // namespace
}  // namespace agreement

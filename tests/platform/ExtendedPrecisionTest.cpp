// A host that leaves the x87 unit rounding to 53 bits, as Windows starts
// programs: the loaded module still gives the engine's bits, and the host
// gets its setting back.
#include <gtest/gtest.h>

#include "engine/DitherRandom.h"
#include "engine/Engine.h"
#include "tests/hosttest/HostedEffect.h"
#include "tests/hosttest/Signals.h"

namespace {

TEST(ExtendedPrecision, HostAtDoublePrecisionGetsTheEnginesBits) {
    constexpr int kFrames = 20000;
    hosttest::HostedEffect effect;  // the module's first render in this process
    auto engine = std::make_unique<glowmarsh::EngineState>();
    auto input = hosttest::loudNoise<double>(kFrames, 5), loaded = input, inProcess = input;
    std::uint16_t original = 0, host = 0x27F, after = 0;  // 0x27F: 53 bits, as Windows starts programs
    asm volatile("fnstcw %0\n\tfldcw %1" : "=m"(original) : "m"(host));
    glowmarsh::seedDitherRandom(1);
    effect.process(input.at(0), loaded.at(0), kFrames);
    asm volatile("fnstcw %0\n\tfldcw %1" : "=m"(after) : "m"(original));
    glowmarsh::seedDitherRandom(1);
    glowmarsh::processBlock(*engine, input.at(0), inProcess.at(0), kFrames);
    EXPECT_EQ(after, host);
    EXPECT_TRUE(loaded.left == inProcess.left && loaded.right == inProcess.right) << "output bits differ";
}

}  // namespace

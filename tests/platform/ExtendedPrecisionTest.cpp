// A host that leaves the x87 unit rounding to 53 bits, as Windows starts
// programs: the loaded module still gives the engine's bits, and the host
// gets its setting back.
#include <gtest/gtest.h>

#include "engine/DitherRandom.h"
#include "engine/Engine.h"
#include "tools/vsthost/Plugin.h"

namespace {

TEST(ExtendedPrecision, HostAtDoublePrecisionGetsTheEnginesBits) {
    constexpr int kFrames = 20000;
    std::string error;
    auto plugin = vsthost::Plugin::load(GLOWMARSH_PLUGIN_PATH, error);  // the module's first render here
    ASSERT_TRUE(plugin) << error;
    auto engine = std::make_unique<glowmarsh::EngineState>();
    std::vector<double> in(kFrames), out[4] = {in, in, in, in};
    for (int i = 0; i < kFrames; ++i) in[i] = (i % 2 ? 0.5 : -0.5) + (i * 7919 % 1000) * 4e-4;  // never near 0
    double *inputs[] = {in.data(), in.data()}, *viaModule[] = {out[0].data(), out[1].data()},
           *inProcess[] = {out[2].data(), out[3].data()};
    std::uint16_t original = 0, host = 0x27F, after = 0;  // 0x27F: 53 bits, as Windows starts programs
    asm volatile("fnstcw %0\n\tfldcw %1" : "=m"(original) : "m"(host));
    glowmarsh::seedDitherRandom(1);
    plugin->process(inputs, viaModule, kFrames);
    asm volatile("fnstcw %0\n\tfldcw %1" : "=m"(after) : "m"(original));
    glowmarsh::seedDitherRandom(1);
    glowmarsh::processBlock(*engine, inputs, inProcess, kFrames);
    EXPECT_EQ(after, host);
    EXPECT_TRUE(out[0] == out[2] && out[1] == out[3]) << "output bits differ";
}

}  // namespace

// Ten and a half minutes of audio at 48 kHz through one instance, as a long
// session would send it: changing block sizes, parameters automated every
// block (now and then beyond their range), precision switched at times, and
// material that moves between noise, silence, DC and tiny values. The output
// stays finite, never subnormal and below the loudest the network can make,
// and the process's resident memory does not grow. (That processing never
// allocates is shown in realtime/.)
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>

#include "tests/hosttest/HostedEffect.h"
#include "tests/validation/Fit.h"

namespace {

// With input within ±1 a tap reads at most 2, so a tap sum is at most
// 2 × 75113 (the primes of all 163 taps). A frame's change of the tap sum,
// the smoothed history of changes and the sum itself add to at most five
// times that, even right after Grain jumps from 163 taps to 7, and the
// smallest normaliser (7 taps) is 74.08: wet stays within 10139.3, and with
// the dry part the output within 10140.3. A tap value converted without a
// guard (2^31 and more) would break this at once.
constexpr double kLoudestOutput = 10140.31;

long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

TEST(Soak, TenMinutesAt48kHzWithAutomationStayBoundedFiniteAndFlatInMemory) {
    constexpr std::int64_t kFrames = 48000 * 630;
    constexpr int kMaxBlock = 4096;
    hosttest::HostedEffect effect;
    effect.setSampleRateAndBlockSize(48000.0f, kMaxBlock);
    hosttest::StereoBuffer<float> in32(kMaxBlock), out32(kMaxBlock);
    hosttest::StereoBuffer<double> in64(kMaxBlock), out64(kMaxBlock);
    std::mt19937 random(20261206);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f), wide(-0.5f, 1.5f);
    std::uniform_real_distribution<double> fullScale(-1.0, 1.0);
    const double levels[][2] = {{0.0, 0.0}, {0.75, -0.5}, {1e-38, -1e-39}};  // silence, DC, tiny; or noise
    int material = 3;
    bool twice = false, allFit = true;
    double loudest = 0.0;
    long residentAtStart = 0;
    for (std::int64_t block = 0, done = 0; done < kFrames; ++block) {
        if (block == 200) residentAtStart = residentKiB();  // once all the process touches has been touched
        const int frames = static_cast<int>(std::min<std::int64_t>(random() % kMaxBlock + 1, kFrames - done));
        effect.setParameter(0, random() % 20 ? unit(random) : wide(random));
        effect.setParameter(1, random() % 20 ? unit(random) : wide(random));
        effect.setParameter(2, unit(random));
        if (random() % 50 == 0) material = static_cast<int>(random() % 4);
        if (random() % 33 == 0) twice = !twice;
        auto run = [&](auto& in, auto& out) {
            for (int i = 0; i < frames; ++i) {
                in.left[i] = material < 3 ? levels[material][0] : fullScale(random);
                in.right[i] = material < 3 ? levels[material][1] : fullScale(random);
            }
            effect.process(in.at(0), out.at(0), frames);
            // Past this block's frames the buffer holds earlier blocks' output, checked before.
            allFit = allFit && validation::fit(out);
            loudest = std::max({loudest, hosttest::peak(out.left), hosttest::peak(out.right)});
        };
        twice ? run(in64, out64) : run(in32, out32);
        done += frames;
    }
    const long residentAtEnd = residentKiB();
    std::printf("loudest output %.3f, resident %ld KiB -> %ld KiB\n", loudest, residentAtStart, residentAtEnd);
    EXPECT_TRUE(allFit);
    EXPECT_LT(loudest, kLoudestOutput);
    EXPECT_LE(residentAtEnd - residentAtStart, 256) << "resident memory grew";
}

}  // namespace

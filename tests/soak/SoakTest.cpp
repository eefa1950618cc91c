// Ten and a half minutes of audio at 48 kHz through one instance, as a long
// session would send it: changing block sizes, parameters automated every
// block (now and then beyond their range), precision switched at times, and
// material that moves between noise, silence, DC and tiny values. The output
// stays finite, never subnormal and below the loudest the network can make,
// and the process's memory does not grow.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <random>

#include "tests/hosttest/HostedEffect.h"
#include "tests/realtime/AllocationCounter.h"
#include "tests/hosttest/Signals.h"

namespace {

using hosttest::HostedEffect;

constexpr double kSampleRateHz = 48000.0;
constexpr double kSeconds = 630.0;
constexpr std::int64_t kFrames = static_cast<std::int64_t>(kSampleRateHz * kSeconds);
constexpr int kMaxBlock = 4096;

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

// Kinds of material a session passes through.
enum class Material { noise, silence, dc, tiny };

template <typename Sample>
void fill(hosttest::StereoBuffer<Sample>& buffer, int frames, Material material, std::mt19937& random) {
    std::uniform_real_distribution<double> fullScale(-1.0, 1.0);
    for (int i = 0; i < frames; ++i) {
        double left = 0.0, right = 0.0;
        switch (material) {
            case Material::noise: left = fullScale(random); right = fullScale(random); break;
            case Material::silence: break;
            case Material::dc: left = 0.75; right = -0.5; break;
            case Material::tiny: left = 1e-38; right = -1e-39; break;
        }
        buffer.left[i] = static_cast<Sample>(left);
        buffer.right[i] = static_cast<Sample>(right);
    }
}

struct Tally {
    std::int64_t unfit = 0;
    double loudest = 0.0;
};

template <typename Sample>
void check(const hosttest::StereoBuffer<Sample>& out, int frames, Tally& tally) {
    for (int i = 0; i < frames; ++i) {
        for (Sample s : {out.left[i], out.right[i]}) {
            tally.unfit += !std::isfinite(s) || hosttest::isSubnormal(s);
            tally.loudest = std::fmax(tally.loudest, std::fabs(static_cast<double>(s)));
        }
    }
}

TEST(Soak, TenMinutesAt48kHzWithAutomationStayBoundedFiniteAndFlatInMemory) {
    HostedEffect effect;
    effect.setSampleRateAndBlockSize(static_cast<float>(kSampleRateHz), kMaxBlock);
    hosttest::StereoBuffer<float> in(kMaxBlock), out(kMaxBlock);
    hosttest::StereoBuffer<double> inTwice(kMaxBlock), outTwice(kMaxBlock);
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> blockSize(1, kMaxBlock);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_real_distribution<float> wide(-0.5f, 1.5f);
    std::uniform_int_distribution<int> percent(0, 99);

    Tally tally;
    Material material = Material::noise;
    bool twice = false;
    long residentAtStart = 0;
    std::optional<allocations::Window> allocationWindow;
    std::int64_t done = 0;
    for (std::int64_t block = 0; done < kFrames; ++block) {
        if (block == 200) {
            // Measured once everything the process touches has been touched.
            residentAtStart = residentKiB();
            allocationWindow.emplace();
        }
        const int frames = static_cast<int>(std::min<std::int64_t>(blockSize(random), kFrames - done));
        effect.setParameter(0, percent(random) < 5 ? wide(random) : unit(random));
        effect.setParameter(1, percent(random) < 5 ? wide(random) : unit(random));
        effect.setParameter(2, unit(random));
        if (percent(random) < 2) {
            material = static_cast<Material>(random() % 4);
        }
        if (percent(random) < 3) {
            twice = !twice;
        }
        if (twice) {
            fill(inTwice, frames, material, random);
            effect.process(inTwice.at(0), outTwice.at(0), frames);
            check(outTwice, frames, tally);
        } else {
            fill(in, frames, material, random);
            effect.process(in.at(0), out.at(0), frames);
            check(out, frames, tally);
        }
        done += frames;
    }
    const long allocated = allocationWindow->allocations();  // before reading /proc, which allocates
    allocationWindow.reset();
    const long residentAtEnd = residentKiB();
    RecordProperty("loudest_output", std::to_string(tally.loudest));
    std::printf("loudest output %.3f, resident %ld KiB -> %ld KiB\n", tally.loudest, residentAtStart, residentAtEnd);
    EXPECT_EQ(tally.unfit, 0);
    EXPECT_LT(tally.loudest, kLoudestOutput);
    EXPECT_LE(residentAtEnd - residentAtStart, 256) << "resident memory grew from " << residentAtStart << " KiB to "
                                                    << residentAtEnd << " KiB";
    if (ALLOCATION_COUNTER_SEES_MALLOC) {
        EXPECT_EQ(allocated, 0) << "processing or parameter writes allocated";
    }
}

}  // namespace

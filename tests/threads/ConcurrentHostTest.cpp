// A busy host: many instances created and processed on several audio
// threads at once, parameters automated from a GUI thread, state saved and
// restored from another while the audio runs. Run under ThreadSanitizer this
// shows the effect shares nothing unsafely between instances and threads.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "tests/hosttest/HostedEffect.h"
#include "tests/hosttest/Signals.h"

namespace {

using hosttest::HostedEffect;

constexpr int kAudioThreads = 4;
constexpr int kInstancesPerThread = 2;
constexpr int kInstances = kAudioThreads * kInstancesPerThread;
constexpr int kBlocksPerInstance = 120;
constexpr int kMaxBlock = 1024;

struct Shared {
    std::unique_ptr<HostedEffect> effects[kInstances];
    std::atomic<int> created{0};
    std::atomic<int> audioRunning{kAudioThreads};
    std::atomic<long> unfitSamples{0};
    std::atomic<long> automationWrites{0};
    std::atomic<long> stateRestores{0};
};

// Each audio thread creates its own instances (so creation runs concurrently
// too) and processes them with changing block sizes, alternating precision,
// half the time on silence so the shared input-guard counters are busy.
void audioThread(Shared& shared, int thread) {
    std::mt19937 random(1000 + thread);
    std::uniform_int_distribution<int> blockSize(1, kMaxBlock);
    for (int i = 0; i < kInstancesPerThread; ++i) {
        shared.effects[thread * kInstancesPerThread + i] = std::make_unique<HostedEffect>();
        shared.created.fetch_add(1);
    }
    while (shared.created.load() < kInstances) {
        std::this_thread::yield();
    }
    auto noise = hosttest::loudNoise<float>(kMaxBlock, 2000 + thread);
    auto silence = hosttest::StereoBuffer<float>(kMaxBlock);
    auto noiseTwice = hosttest::loudNoise<double>(kMaxBlock, 3000 + thread);
    hosttest::StereoBuffer<float> out(kMaxBlock);
    hosttest::StereoBuffer<double> outTwice(kMaxBlock);
    for (int block = 0; block < kBlocksPerInstance; ++block) {
        for (int i = 0; i < kInstancesPerThread; ++i) {
            HostedEffect& effect = *shared.effects[thread * kInstancesPerThread + i];
            const int frames = blockSize(random);
            long unfit = 0;
            if ((block + i) % 3 == 2) {
                effect.process(noiseTwice.at(0), outTwice.at(0), frames);
                for (int f = 0; f < frames; ++f) {
                    unfit += !std::isfinite(outTwice.left[f]) || !std::isfinite(outTwice.right[f]);
                }
            } else {
                auto& input = (block + i) % 2 ? silence : noise;
                effect.process(input.at(0), out.at(0), frames);
                for (int f = 0; f < frames; ++f) {
                    unfit += !std::isfinite(out.left[f]) || !std::isfinite(out.right[f]);
                }
            }
            shared.unfitSamples.fetch_add(unfit);
        }
    }
    shared.audioRunning.fetch_sub(1);
}

void waitForInstances(const Shared& shared) {
    while (shared.created.load() < kInstances) {
        std::this_thread::yield();
    }
}

// The GUI thread: parameter writes and reads, display texts, any instance.
void automationThread(Shared& shared) {
    waitForInstances(shared);
    std::mt19937 random(77);
    std::uniform_int_distribution<int> pick(0, kInstances - 1);
    std::uniform_real_distribution<float> value(-0.5f, 1.5f);  // beyond the range at times, as some hosts do
    char text[9];
    while (shared.audioRunning.load() > 0) {
        HostedEffect& effect = *shared.effects[pick(random)];
        const VstInt32 index = static_cast<VstInt32>(random() % 3);
        effect.setParameter(index, index == 2 ? std::fabs(value(random)) / 1.5f : value(random));
        effect.parameter(index);
        effect.dispatch(7, index, 0, text);  // display text of the value just set
        shared.automationWrites.fetch_add(1);
    }
}

// Another host thread: saves one instance's state and loads it into another,
// and asks the questions a host's main thread asks.
void stateThread(Shared& shared) {
    waitForInstances(shared);
    std::mt19937 random(99);
    std::uniform_int_distribution<int> pick(0, kInstances - 1);
    char name[65];
    while (shared.audioRunning.load() > 0) {
        const int from = pick(random);
        const int to = pick(random);
        const auto saved = shared.effects[from]->saveChunk();
        shared.effects[to]->loadChunk(saved.data(), static_cast<VstIntPtr>(saved.size()));
        shared.effects[to]->dispatch(45, 0, 0, name);  // effect name
        shared.effects[to]->dispatch(51, 0, 0, const_cast<char*>("x2in2out"));
        shared.stateRestores.fetch_add(1);
    }
}

TEST(ConcurrentHost, EightInstancesOnFourThreadsWithAutomationAndStateRestores) {
    Shared shared;
    std::vector<std::thread> threads;
    for (int t = 0; t < kAudioThreads; ++t) {
        threads.emplace_back(audioThread, std::ref(shared), t);
    }
    threads.emplace_back(automationThread, std::ref(shared));
    threads.emplace_back(stateThread, std::ref(shared));
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(shared.unfitSamples.load(), 0);
    EXPECT_GT(shared.automationWrites.load(), 0);
    EXPECT_GT(shared.stateRestores.load(), 0);
    for (auto& effect : shared.effects) {
        effect.reset();  // closing on the test's thread, as a host's main thread does
    }
}

// Instances created and closed on many threads at once.
TEST(ConcurrentHost, CreatingAndClosingOnManyThreadsAtOnce) {
    std::vector<std::thread> threads;
    std::atomic<int> made{0};
    for (int t = 0; t < kAudioThreads; ++t) {
        threads.emplace_back([&made] {
            for (int i = 0; i < 40; ++i) {
                HostedEffect effect;
                effect.setParameter(0, 0.5f);
                made.fetch_add(effect.parameter(0) == 0.5f);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(made.load(), kAudioThreads * 40);
}

}  // namespace

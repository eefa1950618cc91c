// A busy host: instances created and processed on several audio threads at
// once, parameters automated from a GUI thread, state saved and restored from
// another while the audio runs, instances created and closed on many threads.
// Run under ThreadSanitizer this shows the effect shares nothing unsafely
// between instances and threads.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "tests/hosttest/HostedEffect.h"
#include "tests/validation/Fit.h"

namespace {

using hosttest::HostedEffect;

constexpr int kAudioThreads = 4, kInstancesPerThread = 2, kInstances = kAudioThreads * kInstancesPerThread;

struct Shared {
    std::unique_ptr<HostedEffect> effects[kInstances];
    std::atomic<int> created{0}, audioRunning{kAudioThreads}, unfitBlocks{0}, automationWrites{0}, stateRestores{0};
    void waitForInstances() const {
        while (created.load() < kInstances) std::this_thread::yield();
    }
};

// Each audio thread creates its own instances (so creation runs concurrently
// too) and processes them with changing block sizes in both precisions, now
// and then on silence so the shared input-guard counters are busy.
void audioThread(Shared& shared, int thread) {
    for (int i = 0; i < kInstancesPerThread; ++i) {
        shared.effects[thread * kInstancesPerThread + i] = std::make_unique<HostedEffect>();
        shared.created.fetch_add(1);
    }
    shared.waitForInstances();
    std::mt19937 random(1000 + thread);
    auto noise = hosttest::loudNoise<float>(1024, 2000 + thread), silence = hosttest::StereoBuffer<float>(1024);
    auto noise64 = hosttest::loudNoise<double>(1024, 3000 + thread), out64 = noise64;
    hosttest::StereoBuffer<float> out(1024);
    for (int block = 0; block < 120; ++block) {
        for (int i = 0; i < kInstancesPerThread; ++i) {
            HostedEffect& effect = *shared.effects[thread * kInstancesPerThread + i];
            const VstInt32 frames = static_cast<VstInt32>(random() % 1024 + 1);
            bool fit = false;
            if ((block + i) % 3 == 2) {
                effect.process(noise64.at(0), out64.at(0), frames);
                fit = validation::fit(out64, 0, frames);
            } else {
                effect.process(((block + i) % 2 ? silence : noise).at(0), out.at(0), frames);
                fit = validation::fit(out, 0, frames);
            }
            shared.unfitBlocks.fetch_add(fit ? 0 : 1);
        }
    }
    shared.audioRunning.fetch_sub(1);
}

// The GUI thread: parameter writes (beyond the range at times, as some hosts
// do) and reads, and the display text of the value just set, on any instance.
void automationThread(Shared& shared) {
    shared.waitForInstances();
    std::mt19937 random(77);
    std::uniform_real_distribution<float> value(-0.5f, 1.5f);
    char text[9];
    while (shared.audioRunning.load() > 0) {
        HostedEffect& effect = *shared.effects[random() % kInstances];
        const VstInt32 index = static_cast<VstInt32>(random() % 3);
        effect.setParameter(index, index == 2 ? std::fabs(value(random)) / 1.5f : value(random));
        effect.parameter(index);
        effect.dispatch(7, index, 0, text);  // parameter display
        shared.automationWrites.fetch_add(1);
    }
}

// Another host thread: saves one instance's state and loads it into another,
// and asks what a host's main thread asks.
void stateThread(Shared& shared) {
    shared.waitForInstances();
    std::mt19937 random(99);
    char name[65];
    while (shared.audioRunning.load() > 0) {
        const auto saved = shared.effects[random() % kInstances]->saveChunk();
        HostedEffect& to = *shared.effects[random() % kInstances];
        to.loadChunk(saved.data(), static_cast<VstIntPtr>(saved.size()));
        to.dispatch(45, 0, 0, name);  // effect name
        to.dispatch(51, 0, 0, const_cast<char*>("x2in2out"));
        shared.stateRestores.fetch_add(1);
    }
}

TEST(ConcurrentHost, EightInstancesOnFourThreadsWithAutomationAndStateRestores) {
    Shared shared;
    std::vector<std::thread> threads;
    for (int t = 0; t < kAudioThreads; ++t) threads.emplace_back(audioThread, std::ref(shared), t);
    threads.emplace_back(automationThread, std::ref(shared));
    threads.emplace_back(stateThread, std::ref(shared));
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(shared.unfitBlocks.load(), 0);
    EXPECT_GT(shared.automationWrites.load(), 0);
    EXPECT_GT(shared.stateRestores.load(), 0);
}

TEST(ConcurrentHost, CreatingAndClosingOnManyThreadsAtOnce) {
    std::atomic<int> made{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kAudioThreads; ++t) {
        threads.emplace_back([&made] {
            for (int i = 0; i < 40; ++i) {
                HostedEffect effect;
                effect.setParameter(0, 0.5f);
                made.fetch_add(effect.parameter(0) == 0.5f);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(made.load(), kAudioThreads * 40);
}

}  // namespace

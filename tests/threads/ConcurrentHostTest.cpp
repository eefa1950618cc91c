// A busy host: instances created and processed on several audio threads at
// once (silence now and then, so the process-wide guard counters are shared
// busily), parameters automated and shown from a GUI thread, and state saved
// and restored, also into fresh instances, on another thread while the audio
// runs. Under ThreadSanitizer (preset tsan) this shows the effect shares
// nothing unsafely between instances and threads.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "tests/support/Hosted.h"

namespace {

TEST(ConcurrentHost, EightInstancesOnFourThreadsWithAutomationAndStateRestores) {
    constexpr int kAudioThreads = 4, kPerThread = 2, kInstances = kAudioThreads * kPerThread;
    std::unique_ptr<vsthost::Plugin> effects[kInstances];
    std::atomic<int> created{0}, helpers{0}, audioRunning{kAudioThreads}, unfit{0};
    auto audio = [&](int thread) {
        for (int i = 0; i < kPerThread; ++i, created.fetch_add(1)) effects[thread * kPerThread + i] = hosted::create();
        while (created.load() < kInstances || helpers.load() < 2) std::this_thread::yield();  // all run together
        std::mt19937 random(1000 + thread);
        auto noise = hosted::noise<float>(1024, 2000 + thread), silence = hosted::Stereo<float>(1024), out = silence;
        auto noise64 = hosted::noise<double>(1024, 3000 + thread), out64 = noise64;
        for (int block = 0; block < 240; ++block) {
            vsthost::Plugin& effect = *effects[thread * kPerThread + block % kPerThread];
            const auto frames = static_cast<VstInt32>(random() % 1024 + 1);
            if (block % 3 == 2) {
                effect.process(noise64.at(0), out64.at(0), frames);
                unfit.fetch_add(!std::isfinite(out64.left[0] + out64.right[frames - 1]));
            } else {
                effect.process((block % 2 ? silence : noise).at(0), out.at(0), frames);
                unfit.fetch_add(!std::isfinite(out.left[0] + out.right[frames - 1]));
            }
        }
        audioRunning.fetch_sub(1);
    };
    auto automation = [&] {
        std::mt19937 random(77);
        helpers.fetch_add(1);
        do {
            vsthost::Plugin& effect = *effects[random() % kInstances];
            const auto index = static_cast<VstInt32>(random() % 3);
            effect.setParameter(index, static_cast<float>(random() % 1000) / 999.0f);
            effect.parameterDisplay(index);
        } while (audioRunning.load() > 0);
    };
    auto state = [&] {
        std::mt19937 random(99);
        helpers.fetch_add(1);
        do {
            const auto saved = effects[random() % kInstances]->chunk(false);
            effects[random() % kInstances]->setChunk(saved, false);
            hosted::create()->setChunk(saved, false);
        } while (audioRunning.load() > 0);
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < kAudioThreads; ++t) threads.emplace_back(audio, t);
    while (created.load() < kInstances) std::this_thread::yield();
    threads.emplace_back(automation);
    threads.emplace_back(state);
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(unfit.load(), 0);
}

}  // namespace

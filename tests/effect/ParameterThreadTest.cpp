// A host automating parameters on one thread while its audio thread processes:
// every value is written whole and read whole, so a ThreadSanitizer build of
// this test reports no race. Says nothing about the sound.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "effect/Glowmarsh.h"

namespace {

constexpr int kFrames = 64;
constexpr int kAutomationSteps = 20000;
constexpr int kMinimumBlocks = 200;

TEST(ParameterThreads, AutomationWhileProcessing) {
    auto effect = std::make_unique<Glowmarsh>(nullptr);
    std::atomic<bool> automationDone{false};

    std::thread audio([&] {
        std::vector<float> inF(2 * kFrames, 0.25f), outF(2 * kFrames);
        std::vector<double> inD(2 * kFrames, -0.25), outD(2 * kFrames);
        float* inputsF[] = {inF.data(), inF.data() + kFrames};
        float* outputsF[] = {outF.data(), outF.data() + kFrames};
        double* inputsD[] = {inD.data(), inD.data() + kFrames};
        double* outputsD[] = {outD.data(), outD.data() + kFrames};
        for (int block = 0; block < kMinimumBlocks || !automationDone.load(); ++block) {
            // Hosts also read values on the audio thread, e.g. to record automation.
            for (VstInt32 index = 0; index < Glowmarsh::kNumParams; ++index) {
                (void)effect->getParameter(index);
            }
            if (block % 2 == 0) {
                effect->processReplacing(inputsF, outputsF, kFrames);
            } else {
                effect->processDoubleReplacing(inputsD, outputsD, kFrames);
            }
        }
    });

    // The host's side: parameter changes and a chunk restore now and then.
    for (int step = 0; step < kAutomationSteps; ++step) {
        const float value = static_cast<float>(step % 101) / 100.0f;
        effect->setParameter(step % Glowmarsh::kNumParams, value);
        (void)effect->getParameter((step + 1) % Glowmarsh::kNumParams);
        if (step % 1000 == 0) {
            float chunk[Glowmarsh::kNumParams] = {value, 1.0f - value, 0.5f};
            effect->setChunk(chunk, sizeof chunk, false);
        }
    }
    effect->setParameter(0, 0.125f);
    effect->setParameter(1, 0.25f);
    effect->setParameter(2, 0.5f);
    automationDone.store(true);
    audio.join();

    EXPECT_EQ(effect->getParameter(0), 0.125f);
    EXPECT_EQ(effect->getParameter(1), 0.25f);
    EXPECT_EQ(effect->getParameter(2), 0.5f);
}

}  // namespace

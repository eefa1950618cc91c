// The LV2 module loaded as hosts load it and driven through lv2_descriptor in
// ways the hosts here never use: empty runs, ports reconnected between runs,
// two instances at once, activate after deactivate, processing in place,
// control values outside 0 to 1. Each script runs through the module and on
// engine states in-process, from the same rand() seed: the outputs agree bit
// for bit, and no run writes beyond its frames.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/core/lv2.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "engine/Engine.h"

namespace {

using Controls = std::array<float, 3>;  // Sustain, Grain, Dry/Wet
constexpr Controls kDefaults = {1.0f, 0.7f, 0.2f};
constexpr Controls kWet = {0.3f, 0.95f, 1.0f};
constexpr int kRestart = -1;            // a step that deactivates and activates the instance
constexpr int kGuardFrames = 16;        // after each run's frames, to be left untouched
constexpr float kUntouched = 1234.5f;

struct Step {
    int instance;                     // 0 or 1
    int frames;                       // frames of the run, or kRestart
    Controls given = kDefaults;       // what the control ports hold
    bool inPlace = false;             // output ports on the input buffers
    std::optional<Controls> acting = {};  // what the engine must act on, when not the given values
};
using Script = std::vector<Step>;
using Outputs = std::vector<float>[2];  // per instance: left and right of each frame in turn

const struct {
    const char* name;
    Script script;
} kCases[] = {
    {"empty runs", {{0, 0}, {0, 1}, {0, 0}, {0, 700}, {0, 0}, {0, 0}, {0, 300}}},
    {"in place, then separate buffers", {{0, 1000, kWet, true}, {0, 517, kWet}, {0, 64, kWet, true}, {0, 1}}},
    {"two instances interleaved",
     {{0, 600}, {1, 256, kWet}, {0, 0}, {1, 1000, kWet, true}, {0, 333}, {1, 5, {0.0f, 0.0f, 0.5f}}}},
    {"activate after deactivate starts over",
     {{0, 2000, kWet}, {1, 900}, {0, kRestart}, {0, 1500, kWet}, {1, 700}, {1, kRestart}, {1, kRestart}, {1, 0},
      {1, 800, kDefaults, true}}},
    {"controls outside 0 to 1 act as the nearest end, NaN as 0",
     {{0, 900, {1.5f, -2.0f, 7.0f}, false, Controls{1.0f, 0.0f, 1.0f}},
      {0, 700, {NAN, INFINITY, -INFINITY}, true, Controls{0.0f, 1.0f, 0.0f}},
      {1, 500, {-INFINITY, NAN, NAN}, false, Controls{0.0f, 0.0f, 0.0f}},
      {1, 300, {0.5f, 0.5f, 1.0000001f}, false, Controls{0.5f, 0.5f, 1.0f}}}},
};

// A tone per channel with stretches of exact zeros, which the input guard replaces.
float input(int channel, long frame) {
    return frame % 5000 < 400 ? 0.0f : static_cast<float>(0.4 * std::sin(0.0123 * (channel + 2) * frame));
}

// Plays a script on fresh buffers for every run: process(step, inputs, outputs)
// runs one, restart(instance) starts an instance over.
template <typename Process, typename Restart>
void play(const Script& script, Outputs& out, Process process, Restart restart) {
    long position[2] = {};
    for (const Step& step : script) {
        if (step.frames == kRestart) {
            restart(step.instance);
            continue;
        }
        std::vector<float> in[2], separate[2];
        float *inputs[2], *outputs[2];
        for (int c = 0; c < 2; ++c) {
            separate[c] = in[c] = std::vector<float>(step.frames + kGuardFrames, kUntouched);
            for (int f = 0; f < step.frames; ++f) in[c][f] = input(c, position[step.instance] + f);
            inputs[c] = in[c].data();
            outputs[c] = step.inPlace ? in[c].data() : separate[c].data();
        }
        process(step, inputs, outputs);
        for (int f = 0; f < step.frames + kGuardFrames; ++f) {
            for (float* channel : outputs) {
                if (f < step.frames) out[step.instance].push_back(channel[f]);
                else ASSERT_EQ(channel[f], kUntouched) << "written beyond the run";
            }
        }
        position[step.instance] += step.frames;
    }
}

TEST(Lv2Module, ScriptsMatchTheEngine) {
    void* library = dlopen(GLOWMARSH_LV2_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto entry = reinterpret_cast<LV2_Descriptor_Function>(dlsym(library, "lv2_descriptor"));
    ASSERT_TRUE(entry && entry(0));
    EXPECT_EQ(entry(1), nullptr);
    const LV2_Descriptor& lv2 = *entry(0);
    for (const auto& [name, script] : kCases) {
        SCOPED_TRACE(name);
        Outputs module, engine;
        std::srand(77);
        LV2_Handle handles[2] = {lv2.instantiate(&lv2, 44100.0, "/", nullptr),
                                 lv2.instantiate(&lv2, 48000.0, "/", nullptr)};
        ASSERT_TRUE(handles[0] && handles[1]);
        for (LV2_Handle handle : handles) lv2.activate(handle);
        play(script, module, [&](const Step& step, float** inputs, float** outputs) {
            LV2_Handle handle = handles[step.instance];
            Controls controls = step.given;
            for (uint32_t port = 0; port < 3; ++port) lv2.connect_port(handle, port, &controls[port]);
            for (uint32_t c = 0; c < 4; ++c) lv2.connect_port(handle, 3 + c, c < 2 ? inputs[c] : outputs[c - 2]);
            lv2.run(handle, step.frames);
        }, [&](int i) { lv2.deactivate(handles[i]), lv2.activate(handles[i]); });
        for (LV2_Handle handle : handles) lv2.deactivate(handle), lv2.cleanup(handle);

        std::srand(77);
        std::unique_ptr<glowmarsh::EngineState> states[2];
        for (auto& state : states) state = std::make_unique<glowmarsh::EngineState>();
        play(script, engine, [&](const Step& step, float** inputs, float** outputs) {
            const Controls values = step.acting.value_or(step.given);
            glowmarsh::EngineState& state = *states[step.instance];
            state.sustain = values[0], state.grain = values[1], state.dryWet = values[2];
            glowmarsh::processBlock(state, inputs, outputs, step.frames);
        }, [&](int i) { states[i] = std::make_unique<glowmarsh::EngineState>(); });

        for (int i = 0; i < 2; ++i) EXPECT_TRUE(module[i] == engine[i]) << "instance " << i;
    }
    dlclose(library);
}

}  // namespace

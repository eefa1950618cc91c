// The LV2 face of the engine: one instance holds one engine state, and run()
// hands the connected buffers to the engine's 32-bit path as one block, as
// processReplacing does for VST hosts. Everything but lv2_descriptor is hidden.
#include <lv2/core/lv2.h>

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>

#include "engine/Engine.h"
#include "engine/EngineState.h"

namespace {

// Port indexes and symbols are what hosts store in their sessions: never renumber.
enum Port : std::uint32_t { kSustain, kGrain, kDryWet, kInLeft, kInRight, kOutLeft, kOutRight, kPortCount };
constexpr std::uint32_t kControlCount = kInLeft;
constexpr char kUri[] = "urn:fernbridge:glowmarsh";

struct Instance {
    glowmarsh::EngineState engine;
    const float* controls[kControlCount] = {};
    float* audio[kPortCount - kControlCount] = {};
};

Instance& instance(LV2_Handle handle) {
    return *static_cast<Instance*>(handle);
}

// The sample rate is not asked for: the effect's delays are counted in frames.
LV2_Handle instantiate(const LV2_Descriptor*, double, const char*, const LV2_Feature* const*) {
    return new (std::nothrow) Instance;
}

void connectPort(LV2_Handle handle, std::uint32_t port, void* data) {
    Instance& self = instance(handle);
    if (port < kControlCount) {
        self.controls[port] = static_cast<const float*>(data);
    } else if (port < kPortCount) {
        self.audio[port - kControlCount] = static_cast<float*>(data);
    }
}

// Hosts activate again after a transport jump to drop the old tail: the engine
// starts over as in a new instance. The input guard's counters and rand() are
// the process's and carry on.
void activate(LV2_Handle handle) {
    glowmarsh::EngineState& engine = instance(handle).engine;
    std::destroy_at(&engine);
    std::construct_at(&engine);
}

// A control port left unconnected keeps the value of the previous run. The
// block set-up clamps what it reads, as for the VST build's parameters.
void readControl(const float* port, std::atomic<float>& value) {
    if (port != nullptr) {
        value.store(*port, std::memory_order_relaxed);
    }
}

void run(LV2_Handle handle, std::uint32_t frames) {
    Instance& self = instance(handle);
    for (float* buffer : self.audio) {
        if (buffer == nullptr) {
            return;  // nowhere to read or write; hosts connect every audio port
        }
    }
    readControl(self.controls[kSustain], self.engine.sustain);
    readControl(self.controls[kGrain], self.engine.grain);
    readControl(self.controls[kDryWet], self.engine.dryWet);
    float* inputs[2] = {self.audio[kInLeft - kControlCount], self.audio[kInRight - kControlCount]};
    float* outputs[2] = {self.audio[kOutLeft - kControlCount], self.audio[kOutRight - kControlCount]};
    // The engine counts frames in 32 bits; a longer run (never seen) goes in several blocks.
    constexpr std::uint32_t kLongest = std::numeric_limits<std::int32_t>::max();
    do {
        const std::uint32_t block = frames < kLongest ? frames : kLongest;
        glowmarsh::processBlock(self.engine, inputs, outputs, static_cast<std::int32_t>(block));
        for (float*& channel : inputs) channel += block;
        for (float*& channel : outputs) channel += block;
        frames -= block;
    } while (frames > 0);
}

void deactivate(LV2_Handle) {}

void cleanup(LV2_Handle handle) {
    delete &instance(handle);
}

const void* extensionData(const char*) {
    return nullptr;
}

constexpr LV2_Descriptor kDescriptor = {kUri, instantiate, connectPort, activate, run, deactivate, cleanup,
                                        extensionData};

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}

// One plug-in instance driven only through its AEffect record, as a host
// drives it: the validation, thread, isolation and soak tests share this.
// A vsthost::Plugin underneath, plus what these tests need beyond it: the
// parameters as bits, and chunks handed over exactly as given (null, short).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "host/AEffect.h"
#include "tools/vsthost/Plugin.h"
#include "tools/vsthost/PluginLibrary.h"

namespace hosttest {

// The module under test, opened once per process and kept open.
std::shared_ptr<const vsthost::PluginLibrary> glowmarshLibrary();

class HostedEffect {
public:
    // Creates an instance from the library and opens it (opcode 0).
    explicit HostedEffect(std::shared_ptr<const vsthost::PluginLibrary> library = glowmarshLibrary());

    AEffect* record() const { return plugin->record(); }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f) {
        return plugin->dispatch(opcode, index, value, ptr, opt);
    }

    void setParameter(VstInt32 index, float value) { plugin->setParameter(index, value); }
    float parameter(VstInt32 index) const { return plugin->parameter(index); }
    // The three parameters' bit patterns, for exact comparisons (NaN included).
    std::vector<std::uint32_t> parameterBits() const;

    // The chunk as the host would save it (opcode 23), copied out.
    std::vector<std::uint8_t> saveChunk() { return plugin->chunk(false); }
    // Hands `data` itself to opcode 24 with the size given; answers what the effect answers.
    VstIntPtr loadChunk(const void* data, VstIntPtr byteSize) { return dispatch(24, 0, byteSize, const_cast<void*>(data)); }

    void setSampleRateAndBlockSize(float sampleRateHz, VstInt32 blockFrames);
    void suspend() { plugin->suspend(); }
    void resume() { plugin->resume(); }

    void process(float** inputs, float** outputs, VstInt32 frames) { plugin->process(inputs, outputs, frames); }
    void process(double** inputs, double** outputs, VstInt32 frames) { plugin->process(inputs, outputs, frames); }

private:
    std::unique_ptr<vsthost::Plugin> plugin;  // closes the instance when destroyed
};

}  // namespace hosttest

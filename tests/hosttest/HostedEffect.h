// One plug-in instance driven only through its AEffect record, as a host
// drives it: the validation, thread, isolation and soak tests share this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/AEffect.h"
#include "tools/vsthost/PluginLibrary.h"

namespace hosttest {

// A host that reports VST 2.4 and answers 0 to everything else.
VstIntPtr quietHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

// The module under test, opened once per process and kept open.
const vsthost::PluginLibrary& glowmarshLibrary();

class HostedEffect {
public:
    // Creates an instance from the library and opens it (opcode 0).
    explicit HostedEffect(const vsthost::PluginLibrary& library = glowmarshLibrary());
    // Closes it through the record (opcode 1), which destroys it.
    ~HostedEffect();
    HostedEffect(const HostedEffect&) = delete;
    HostedEffect& operator=(const HostedEffect&) = delete;

    AEffect* record() const { return effect; }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);

    void setParameter(VstInt32 index, float value) { effect->setParameter(effect, index, value); }
    float parameter(VstInt32 index) const { return effect->getParameter(effect, index); }
    // The three parameters' bit patterns, for exact comparisons (NaN included).
    std::vector<std::uint32_t> parameterBits() const;

    // The chunk as the host would save it (opcode 23), copied out.
    std::vector<unsigned char> saveChunk();
    // Hands bytes to opcode 24 with their size; answers what the effect answers.
    VstIntPtr loadChunk(const void* data, VstIntPtr byteSize);

    void setSampleRateAndBlockSize(float sampleRateHz, VstInt32 blockFrames);
    void suspend() { dispatch(12, 0, 0); }
    void resume() { dispatch(12, 0, 1); }

    void process(float** inputs, float** outputs, VstInt32 frames) { effect->processReplacing(effect, inputs, outputs, frames); }
    void process(double** inputs, double** outputs, VstInt32 frames) { effect->processDoubleReplacing(effect, inputs, outputs, frames); }

private:
    AEffect* effect;
};

}  // namespace hosttest

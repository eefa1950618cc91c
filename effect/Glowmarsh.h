// Glowmarsh: a stereo tap-network effect with three parameters (Sustain,
// Grain, Dry/Wet), no editor, no programs but one program name, and its
// state saved as a 12-byte chunk of the three parameter values.
#pragma once

#include <atomic>
#include <memory>
#include <set>
#include <string>

#include "engine/EngineState.h"
#include "host/AudioEffectX.h"

class Glowmarsh : public AudioEffectX {
public:
    explicit Glowmarsh(audioMasterCallback audioMaster);
    ~Glowmarsh() override;

    // Audio thread.
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames) override;

    // Any thread, also while processing runs; values are normalised, 0 to 1,
    // and take effect at the next block. Indexes outside 0 to 2 are ignored
    // (getParameter answers 0).
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;

    // The one program's name, up to 24 characters; name buffers take 25 bytes.
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    // Parameter texts, 9 bytes each; an index outside 0 to 2 leaves the buffer untouched.
    void getParameterLabel(VstInt32 index, char* label) override;    // always empty
    void getParameterDisplay(VstInt32 index, char* text) override;   // the value through float2string
    void getParameterName(VstInt32 index, char* text) override;      // "Sustain", "Grain", "Dry/Wet"

    // The state: three native-order floats, 12 bytes. The block handed out
    // stays valid until the next getChunk or the end of the instance; answers 0
    // without a place to put it or memory for it.
    VstInt32 getChunk(void** data, bool isPreset) override;
    // Restores the three values, each clamped into 0 to 1 (NaN to 0). Null
    // data or fewer than 12 bytes change nothing. Always answers 0.
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;

    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;
    VstInt32 canDo(char* text) override;
    VstInt32 getPlugCategory() override;

    static constexpr VstInt32 kNumParams = 3;                         // Sustain, Grain, Dry/Wet
    static constexpr VstInt32 kChunkBytes = kNumParams * sizeof(float);  // bytes of the chunk

    // The engine, for tests that look inside.
    const glowmarsh::EngineState& engineState() const { return engine; }

private:
    std::atomic<float>* parameter(VstInt32 index);

    char programName[25];                 // up to 24 characters
    std::set<std::string> canDoSet;       // capabilities answered 1
    glowmarsh::EngineState engine;
    std::unique_ptr<float[]> chunkBlock;  // the last block handed out by getChunk
};

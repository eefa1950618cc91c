#include "effect/Glowmarsh.h"

#include <cstring>
#include <new>
#include <utility>

#include "engine/Engine.h"
#include "host/BoundedText.h"

namespace {
// Hosts size the effect name's buffer for 32 characters, vendor and product for 64.
constexpr VstInt32 kEffectNameLimit = 32;
constexpr VstInt32 kIdentityLimit = 64;
constexpr VstInt32 kProgramNameLimit = 24;
constexpr VstInt32 kParameterTextLimit = 8;
constexpr const char* kParameterNames[Glowmarsh::kNumParams] = {"Sustain", "Grain", "Dry/Wet"};

// Exactly limit + 1 bytes of the host's buffer are written, whatever the text.
bool copyIdentity(char* dest, const char* text, VstInt32 limit = kIdentityLimit) {
    if (dest == nullptr) {
        return false;
    }
    boundedCopy(dest, text, limit);
    return true;
}

bool validIndex(VstInt32 index) {
    return index >= 0 && index < Glowmarsh::kNumParams;
}

// Chunk values are clamped into 0 to 1; NaN counts as 0.
float clampUnit(float value) {
    if (!(value >= 0.0f)) {
        return 0.0f;
    }
    return value > 1.0f ? 1.0f : value;
}
}  // namespace

Glowmarsh::Glowmarsh(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, 0, kNumParams) {
    canDoSet.insert("plugAsChannelInsert");
    canDoSet.insert("plugAsSend");
    canDoSet.insert("x2in2out");
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(fourCharCode('g', 'l', 'o', 'w'));
    canProcessReplacing(true);
    canDoubleReplacing(true);
    programsAreChunks(true);
    boundedCopy(programName, "Default", kProgramNameLimit);
}

Glowmarsh::~Glowmarsh() = default;

void Glowmarsh::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    glowmarsh::processBlock(engine, inputs, outputs, sampleFrames);
}

void Glowmarsh::processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames) {
    glowmarsh::processBlock(engine, inputs, outputs, sampleFrames);
}

std::atomic<float>* Glowmarsh::parameter(VstInt32 index) {
    switch (index) {
        case 0: return &engine.sustain;
        case 1: return &engine.grain;
        case 2: return &engine.dryWet;
        default: return nullptr;
    }
}

// Stored as given, unclamped: hosts send 0 to 1. An unknown index changes nothing.
void Glowmarsh::setParameter(VstInt32 index, float value) {
    if (std::atomic<float>* field = parameter(index)) {
        field->store(value, std::memory_order_relaxed);
    }
}

float Glowmarsh::getParameter(VstInt32 index) {
    const std::atomic<float>* field = parameter(index);
    return field ? field->load(std::memory_order_relaxed) : 0.0f;
}

void Glowmarsh::setProgramName(char* name) {
    boundedCopy(programName, name, kProgramNameLimit);
}

void Glowmarsh::getProgramName(char* name) {
    boundedCopy(name, programName, kProgramNameLimit);
}

void Glowmarsh::getParameterLabel(VstInt32 index, char* label) {
    if (validIndex(index)) {
        boundedCopy(label, "", kParameterTextLimit);
    }
}

void Glowmarsh::getParameterDisplay(VstInt32 index, char* text) {
    if (validIndex(index)) {
        float2string(getParameter(index), text, kParameterTextLimit);
    }
}

void Glowmarsh::getParameterName(VstInt32 index, char* text) {
    if (validIndex(index)) {
        boundedCopy(text, kParameterNames[index], kParameterTextLimit);
    }
}

// Each call hands out a new block and releases the previous one: the host
// reads a block right after the call, and none outlives the instance.
VstInt32 Glowmarsh::getChunk(void** data, bool /*isPreset*/) {
    if (data == nullptr) {
        return 0;
    }
    std::unique_ptr<float[]> block(new (std::nothrow) float[kNumParams]{});
    if (!block) {
        return 0;  // no chunk; the host's pointer and the previous block stay as they were
    }
    for (VstInt32 i = 0; i < kNumParams; ++i) {
        block[i] = getParameter(i);
    }
    chunkBlock = std::move(block);
    *data = chunkBlock.get();
    return kChunkBytes;
}

// A chunk too short to hold the three values, or none at all, changes nothing.
VstInt32 Glowmarsh::setChunk(void* data, VstInt32 byteSize, bool /*isPreset*/) {
    if (data == nullptr || byteSize < kChunkBytes) {
        return 0;
    }
    for (VstInt32 i = 0; i < kNumParams; ++i) {
        float value;
        std::memcpy(&value, static_cast<const char*>(data) + i * sizeof(float), sizeof value);
        parameter(i)->store(clampUnit(value), std::memory_order_relaxed);
    }
    return 0;
}

// A host that hands no buffer gets no text, and is told so.
bool Glowmarsh::getEffectName(char* name) {
    return copyIdentity(name, "Glowmarsh", kEffectNameLimit);
}

bool Glowmarsh::getVendorString(char* text) {
    return copyIdentity(text, "fernbridge");
}

bool Glowmarsh::getProductString(char* text) {
    return copyIdentity(text, "fernbridge Glowmarsh");
}

VstInt32 Glowmarsh::getVendorVersion() {
    return 1000;
}

VstInt32 Glowmarsh::canDo(char* text) {
    return text != nullptr && canDoSet.count(text) ? 1 : -1;
}

VstInt32 Glowmarsh::getPlugCategory() {
    return 1;
}

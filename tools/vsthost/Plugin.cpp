#include "tools/vsthost/Plugin.h"

#include <cstring>
#include <utility>

#include "host/Opcodes.h"

namespace vsthost {
namespace {

// Plug-ins are asked for texts of at most 64 characters, but many write past
// the limits they were given; the buffer leaves room for that and is read
// only up to its own end.
constexpr std::size_t kTextBufferBytes = 256;

}  // namespace

std::unique_ptr<Plugin> Plugin::load(const std::string& path, std::string& error) {
    std::shared_ptr<const PluginLibrary> library = PluginLibrary::open(path, error);
    if (!library) {
        return nullptr;
    }
    AEffect* effect = library->create(hostCallback);
    if (effect == nullptr) {
        error = path + ": the plug-in's entry point created no instance";
        return nullptr;
    }
    if (effect->magic != kEffectMagic) {
        // Without the magic the record's layout is unknown, so nothing in it
        // can be called, close included: the instance is abandoned.
        error = path + ": the entry point did not return a VST 2.4 plug-in record";
        return nullptr;
    }
    return adopt(effect, std::move(library));
}

std::unique_ptr<Plugin> Plugin::adopt(AEffect* effect, std::shared_ptr<const PluginLibrary> library) {
    return std::unique_ptr<Plugin>(new Plugin(effect, std::move(library)));
}

Plugin::Plugin(AEffect* e, std::shared_ptr<const PluginLibrary> lib) : library(std::move(lib)), effect(e) {
    effect->user = &host;
}

Plugin::~Plugin() {
    close();
}

void Plugin::open() {
    dispatch(effectOpcode::open);
}

void Plugin::setSampleRate(float sampleRateHz) {
    host.sampleRateHz = sampleRateHz;
    dispatch(effectOpcode::setSampleRate, 0, 0, nullptr, sampleRateHz);
}

void Plugin::setBlockSize(VstInt32 blockSizeFrames) {
    host.blockSizeFrames = blockSizeFrames;
    dispatch(effectOpcode::setBlockSize, 0, blockSizeFrames);
}

void Plugin::resume() {
    dispatch(effectOpcode::suspendOrResume, 0, 1);
}

void Plugin::suspend() {
    dispatch(effectOpcode::suspendOrResume, 0, 0);
}

void Plugin::close() {
    if (effect == nullptr) {
        return;
    }
    AEffect* closing = std::exchange(effect, nullptr);
    closing->dispatcher(closing, effectOpcode::close, 0, 0, nullptr, 0.0f);
}

VstIntPtr Plugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (effect == nullptr) {
        return 0;
    }
    if (opcode == effectOpcode::close) {
        close();
        return 1;
    }
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string Plugin::text(VstInt32 opcode, VstInt32 index) {
    char buffer[kTextBufferBytes] = {};
    dispatch(opcode, index, 0, buffer);
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

std::string Plugin::effectName() { return text(effectOpcode::getEffectName); }
std::string Plugin::vendorString() { return text(effectOpcode::getVendorString); }
std::string Plugin::productString() { return text(effectOpcode::getProductString); }
std::string Plugin::programName() { return text(effectOpcode::getProgramName); }
std::string Plugin::parameterName(VstInt32 index) { return text(effectOpcode::getParameterName, index); }
std::string Plugin::parameterLabel(VstInt32 index) { return text(effectOpcode::getParameterLabel, index); }
std::string Plugin::parameterDisplay(VstInt32 index) { return text(effectOpcode::getParameterDisplay, index); }

VstIntPtr Plugin::vendorVersion() { return dispatch(effectOpcode::getVendorVersion); }
VstIntPtr Plugin::vstVersion() { return dispatch(effectOpcode::getVstVersion); }
VstIntPtr Plugin::plugCategory() { return dispatch(effectOpcode::getPlugCategory); }
VstIntPtr Plugin::tailSizeFrames() { return dispatch(effectOpcode::getTailSize); }

VstIntPtr Plugin::canDo(const std::string& capability) {
    std::string copy = capability;  // the plug-in takes a mutable text
    return dispatch(effectOpcode::canDo, 0, 0, copy.data());
}

VstInt32 Plugin::uniqueId() const { return effect ? effect->uniqueID : 0; }
VstInt32 Plugin::version() const { return effect ? effect->version : 0; }
VstInt32 Plugin::flags() const { return effect ? effect->flags : 0; }
VstInt32 Plugin::numInputs() const { return effect ? effect->numInputs : 0; }
VstInt32 Plugin::numOutputs() const { return effect ? effect->numOutputs : 0; }
VstInt32 Plugin::numParams() const { return effect ? effect->numParams : 0; }
VstInt32 Plugin::numPrograms() const { return effect ? effect->numPrograms : 0; }
VstInt32 Plugin::initialDelayFrames() const { return effect ? effect->initialDelay : 0; }

float Plugin::parameter(VstInt32 index) {
    return effect ? effect->getParameter(effect, index) : 0.0f;
}

void Plugin::setParameter(VstInt32 index, float value) {
    if (effect != nullptr) {
        effect->setParameter(effect, index, value);
    }
}

std::vector<std::uint8_t> Plugin::chunk(bool isPreset) {
    void* data = nullptr;
    const VstIntPtr size = dispatch(effectOpcode::getChunk, isPreset ? 1 : 0, 0, &data);
    if (size <= 0 || data == nullptr) {
        return {};
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

VstIntPtr Plugin::setChunk(std::span<const std::uint8_t> bytes, bool isPreset) {
    // The plug-in takes a mutable block; hand it a copy of its own.
    std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
    return dispatch(effectOpcode::setChunk, isPreset ? 1 : 0, static_cast<VstIntPtr>(copy.size()), copy.data());
}

void Plugin::process(float** inputs, float** outputs, VstInt32 frames) {
    if (effect != nullptr && effect->processReplacing != nullptr) {
        effect->processReplacing(effect, inputs, outputs, frames);
    }
}

void Plugin::process(double** inputs, double** outputs, VstInt32 frames) {
    if (effect != nullptr && effect->processDoubleReplacing != nullptr) {
        effect->processDoubleReplacing(effect, inputs, outputs, frames);
    }
}

}  // namespace vsthost

#include "tests/hosttest/HostedEffect.h"

#include <cstring>
#include <stdexcept>

namespace hosttest {

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == 1 ? 2400 : 0;
}

const vsthost::PluginLibrary& glowmarshLibrary() {
    static const std::unique_ptr<vsthost::PluginLibrary> library = [] {
        std::string error;
        auto opened = vsthost::PluginLibrary::open(GLOWMARSH_PLUGIN_PATH, error);
        if (!opened) {
            throw std::runtime_error(error);
        }
        return opened;
    }();
    return *library;
}

HostedEffect::HostedEffect(const vsthost::PluginLibrary& library) : effect(library.create(quietHost)) {
    if (effect == nullptr) {
        throw std::runtime_error("the plug-in made no instance");
    }
    dispatch(0);
}

HostedEffect::~HostedEffect() {
    effect->dispatcher(effect, 1, 0, 0, nullptr, 0.0f);
}

VstIntPtr HostedEffect::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::vector<std::uint32_t> HostedEffect::parameterBits() const {
    std::vector<std::uint32_t> bits(3);
    for (VstInt32 i = 0; i < 3; ++i) {
        const float value = parameter(i);
        std::memcpy(&bits[i], &value, sizeof value);
    }
    return bits;
}

std::vector<unsigned char> HostedEffect::saveChunk() {
    void* data = nullptr;
    const VstIntPtr size = dispatch(23, 0, 0, &data);
    if (size <= 0 || data == nullptr) {
        return {};
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    return {bytes, bytes + size};
}

VstIntPtr HostedEffect::loadChunk(const void* data, VstIntPtr byteSize) {
    return dispatch(24, 0, byteSize, const_cast<void*>(data));
}

void HostedEffect::setSampleRateAndBlockSize(float sampleRateHz, VstInt32 blockFrames) {
    dispatch(10, 0, 0, nullptr, sampleRateHz);
    dispatch(11, 0, blockFrames);
    dispatch(43, 0, blockFrames, nullptr, sampleRateHz);
}

}  // namespace hosttest

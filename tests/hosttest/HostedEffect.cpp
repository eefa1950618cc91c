#include "tests/hosttest/HostedEffect.h"

#include <cstring>
#include <stdexcept>

#include "tools/vsthost/HostCallback.h"

namespace hosttest {

std::shared_ptr<const vsthost::PluginLibrary> glowmarshLibrary() {
    static const std::shared_ptr<const vsthost::PluginLibrary> library = [] {
        std::string error;
        std::shared_ptr<const vsthost::PluginLibrary> opened = vsthost::PluginLibrary::open(GLOWMARSH_PLUGIN_PATH, error);
        if (!opened) {
            throw std::runtime_error(error);
        }
        return opened;
    }();
    return library;
}

HostedEffect::HostedEffect(std::shared_ptr<const vsthost::PluginLibrary> library) {
    AEffect* effect = library->create(vsthost::hostCallback);
    if (effect == nullptr) {
        throw std::runtime_error("the plug-in made no instance");
    }
    plugin = vsthost::Plugin::adopt(effect, std::move(library));
    plugin->open();
}

std::vector<std::uint32_t> HostedEffect::parameterBits() const {
    std::vector<std::uint32_t> bits(3);
    for (VstInt32 i = 0; i < 3; ++i) {
        const float value = parameter(i);
        std::memcpy(&bits[i], &value, sizeof value);
    }
    return bits;
}

void HostedEffect::setSampleRateAndBlockSize(float sampleRateHz, VstInt32 blockFrames) {
    plugin->setSampleRate(sampleRateHz);
    plugin->setBlockSize(blockFrames);
    dispatch(43, 0, blockFrames, nullptr, sampleRateHz);
}

}  // namespace hosttest

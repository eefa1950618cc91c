#include "tests/support/Hosted.h"

#include <cstdlib>
#include <stdexcept>

namespace hosted {

std::shared_ptr<const vsthost::PluginLibrary> library() {
    static const std::shared_ptr<const vsthost::PluginLibrary> opened = [] {
        // Another build of the same plug-in may stand in for the usual one.
        const char* path = std::getenv("GLOWMARSH_TEST_PLUGIN");
        std::string error;
        std::shared_ptr<const vsthost::PluginLibrary> module =
            vsthost::PluginLibrary::open(path != nullptr ? path : GLOWMARSH_PLUGIN_PATH, error);
        if (!module) throw std::runtime_error(error);
        return module;
    }();
    return opened;
}

std::unique_ptr<vsthost::Plugin> create(audioMasterCallback host) {
    AEffect* effect = library()->create(host);
    if (effect == nullptr) return nullptr;
    auto plugin = vsthost::Plugin::adopt(effect, library());
    plugin->open();
    return plugin;
}

}  // namespace hosted

#include "tools/render/PluginLocator.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "tools/render/RenderError.h"

namespace render {
namespace {

constexpr const char* kPluginFile = "Glowmarsh.so";

std::filesystem::path programFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self.parent_path();
}

}  // namespace

std::vector<std::string> pluginCandidates() {
    namespace fs = std::filesystem;
    std::vector<std::string> candidates;
    const fs::path bin = programFolder();
    if (!bin.empty()) {
        candidates.push_back((bin.parent_path() / "lib" / "vst" / kPluginFile).string());
        candidates.push_back((bin.parent_path() / ".vst" / kPluginFile).string());
    }
#ifdef GLOWMARSH_BUILD_TREE_PLUGIN
    candidates.push_back(GLOWMARSH_BUILD_TREE_PLUGIN);
#endif
    if (const char* vstPath = std::getenv("VST_PATH")) {
        std::stringstream folders(vstPath);
        for (std::string folder; std::getline(folders, folder, ':');) {
            if (!folder.empty()) {
                candidates.push_back((fs::path(folder) / kPluginFile).string());
            }
        }
    }
    if (const char* home = std::getenv("HOME")) {
        candidates.push_back((fs::path(home) / ".vst" / kPluginFile).string());
    }
    candidates.push_back(std::string("/usr/local/lib/vst/") + kPluginFile);
    candidates.push_back(std::string("/usr/lib/vst/") + kPluginFile);
    return candidates;
}

std::string locateDefaultPlugin() {
    const std::vector<std::string> candidates = pluginCandidates();
    std::string tried;
    for (const std::string& candidate : candidates) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) {
            return candidate;
        }
        tried += "\n  " + candidate;
    }
    fail(ExitCode::plugin, std::string("cannot find ") + kPluginFile + "; give --plugin PATH. Looked in:" + tried);
}

}  // namespace render

#include "tools/render/StateFile.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "host/Opcodes.h"
#include "tools/render/Fxp.h"
#include "tools/render/RenderError.h"
#include "tools/vsthost/Describe.h"
#include "tools/vsthost/Plugin.h"

namespace render {
namespace {

std::vector<std::uint8_t> readPresetBytes(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        fail(ExitCode::inputFile, path + (fs::exists(path, error) ? ": not a regular file" : ": no such file"));
    }
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > kMaxFxpBytes) {
        fail(ExitCode::inputFile, path + ": too large for a preset");
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        fail(ExitCode::inputFile, path + ": cannot read");
    }
    return bytes;
}

std::string pluginLabel(vsthost::Plugin& plugin) {
    const std::string name = plugin.effectName();
    return vsthost::fourCharText(plugin.uniqueId()) + (name.empty() ? "" : " (" + name + ")");
}

}  // namespace

void loadState(vsthost::Plugin& plugin, const std::string& path) {
    const std::vector<std::uint8_t> bytes = readPresetBytes(path);
    FxpPreset preset;
    std::string why;
    if (!decodeFxp(bytes, preset, why)) {
        fail(ExitCode::inputFile, path + ": not a usable .fxp preset: " + why);
    }
    if (preset.uniqueId != plugin.uniqueId()) {
        fail(ExitCode::inputFile, path + ": the preset belongs to plug-in " + vsthost::fourCharText(preset.uniqueId) +
                                      ", not to " + pluginLabel(plugin) + "; nothing was loaded");
    }
    const auto count = std::min<std::size_t>(preset.parameters.size(), std::size_t(std::max(plugin.numParams(), 0)));
    for (std::size_t i = 0; i < count; ++i) {
        if (!std::isfinite(preset.parameters[i])) {
            fail(ExitCode::inputFile, path + ": parameter " + std::to_string(i) + " (" +
                                          plugin.parameterName(static_cast<VstInt32>(i)) +
                                          ") is not a finite number; nothing was loaded");
        }
    }
    // A plug-in ignores a chunk shorter than its own without saying so.
    const std::size_t ownBytes = preset.isChunk ? plugin.chunk(true).size() : 0;
    if (preset.chunk.size() < ownBytes) {
        fail(ExitCode::inputFile, path + ": the preset's chunk has " + std::to_string(preset.chunk.size()) +
                                      " bytes, the plug-in's own " + std::to_string(ownBytes) +
                                      "; nothing was loaded");
    }
    if (preset.isChunk) {
        plugin.setChunk(preset.chunk, true);
    }
    for (std::size_t i = 0; i < count; ++i) {
        plugin.setParameter(static_cast<VstInt32>(i), preset.parameters[i]);
    }
    // Zero-padded: the plug-in may read up to its own limit.
    char name[kFxpNameBytes + 1] = {};
    preset.programName.copy(name, kFxpNameBytes);
    plugin.dispatch(effectOpcode::setProgramName, 0, 0, name);
}

std::vector<std::uint8_t> presetBytes(vsthost::Plugin& plugin) {
    FxpPreset preset;
    preset.uniqueId = plugin.uniqueId();
    preset.pluginVersion = plugin.version();
    preset.numParams = plugin.numParams();
    preset.programName = plugin.programName();
    preset.isChunk = plugin.hasFlag(effectFlags::programChunks);
    if (preset.isChunk) {
        preset.chunk = plugin.chunk(true);
    } else {
        for (VstInt32 i = 0; i < preset.numParams; ++i) {
            preset.parameters.push_back(plugin.parameter(i));
        }
    }
    return encodeFxp(preset);
}

}  // namespace render

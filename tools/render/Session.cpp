#include "tools/render/Session.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <system_error>

#include "tools/render/AudioFile.h"
#include "tools/render/Info.h"
#include "tools/render/ParameterSettings.h"
#include "tools/render/PendingFile.h"
#include "tools/render/PluginLocator.h"
#include "tools/render/RenderError.h"
#include "tools/render/RenderLoop.h"
#include "tools/render/StateFile.h"
#include "tools/vsthost/Plugin.h"

namespace render {
namespace {

// Largest channel count a plug-in may declare for the renderer to drive it.
constexpr VstInt32 kMaxChannels = 64;

bool samePath(const std::string& a, const std::string& b) {
    std::error_code error;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, error) && !error;
}

// Files this run writes must not be the ones it reads, nor each other.
void checkDistinctFiles(const Options& options) {
    if (samePath(options.inputPath, options.outputPath)) {
        fail(ExitCode::usage, options.outputPath + ": is the input file; refusing to overwrite it");
    }
    for (const std::string* read : {&options.inputPath, &options.loadStatePath}) {
        if (samePath(*read, options.saveStatePath)) {
            fail(ExitCode::usage, "--save-state " + options.saveStatePath + ": is an input file; refusing to overwrite it");
        }
    }
    if (!options.outputPath.empty() && options.outputPath == options.saveStatePath) {
        fail(ExitCode::usage, "--save-state " + options.saveStatePath + ": is also OUTPUT");
    }
}

std::unique_ptr<vsthost::Plugin> loadPlugin(const Options& options) {
    const std::string path = options.pluginPath.empty() ? locateDefaultPlugin() : options.pluginPath;
    std::string error;
    std::unique_ptr<vsthost::Plugin> plugin = vsthost::Plugin::load(path, error);
    if (!plugin) {
        fail(ExitCode::plugin, error);
    }
    return plugin;
}

void checkCanRender(vsthost::Plugin& plugin, const Options& options) {
    const std::string path = plugin.modulePath();
    if (plugin.numOutputs() < 2 || plugin.numInputs() < 1 || plugin.numOutputs() > kMaxChannels ||
        plugin.numInputs() > kMaxChannels) {
        fail(ExitCode::plugin, path + ": not a stereo effect (" + std::to_string(plugin.numInputs()) + " inputs, " +
                                   std::to_string(plugin.numOutputs()) + " outputs)");
    }
    if (options.precision == Precision::double64 && !plugin.hasFlag(effectFlags::canDoubleReplacing)) {
        fail(ExitCode::plugin, "--precision 64: " + path + " does not announce 64-bit processing");
    }
    if (options.precision == Precision::single32 && !plugin.hasFlag(effectFlags::canReplacing)) {
        fail(ExitCode::plugin, path + " does not announce 32-bit replacing processing" +
                                   (plugin.hasFlag(effectFlags::canDoubleReplacing) ? "; try --precision 64" : ""));
    }
}

void showInfo(const Options& options) {
    std::unique_ptr<vsthost::Plugin> plugin = loadPlugin(options);
    plugin->open();
    if (!options.loadStatePath.empty()) {
        loadState(*plugin, options.loadStatePath);
    }
    applySettings(*plugin, options.settings);
    printInfo(*plugin, defaultTailFrames(*plugin), std::cout);
    if (!options.saveStatePath.empty()) {
        const std::vector<std::uint8_t> state = presetBytes(*plugin);
        writeFileAtomically(options.saveStatePath, state.data(), state.size());
    }
    plugin->close();
}

// The frames to render: the input file, or the impulse.
struct Input {
    std::unique_ptr<FrameSource> source;
    int rateHz = 0;
    int format = 0;  // libsndfile format of the file; 0 for the impulse
};

Input openInput(const Options& options) {
    Input input;
    if (options.impulse) {
        input.source = std::make_unique<ImpulseSource>();
        input.rateHz = static_cast<int>(options.impulseRateHz);
    } else {
        auto reader = std::make_unique<AudioReader>(options.inputPath);
        input.rateHz = reader->sampleRateHz();
        input.format = reader->format();
        input.source = std::move(reader);
    }
    return input;
}

// The host sequence up to, not including, resume.
std::unique_ptr<vsthost::Plugin> preparePlugin(const Options& options, int rateHz) {
    std::unique_ptr<vsthost::Plugin> plugin = loadPlugin(options);
    checkCanRender(*plugin, options);
    plugin->open();
    plugin->setSampleRate(static_cast<float>(rateHz));
    plugin->setBlockSize(options.blockFrames);
    if (!options.loadStatePath.empty()) {
        loadState(*plugin, options.loadStatePath);
    }
    applySettings(*plugin, options.settings);
    return plugin;
}

// --tail in frames at the file's rate, or the default, within the longest
// tail --tail accepts.
std::int64_t tailFrames(const Options& options, vsthost::Plugin& plugin, int rateHz) {
    if (options.tailSeconds) {
        return std::llround(*options.tailSeconds * rateHz);
    }
    return std::min<std::int64_t>(defaultTailFrames(plugin), std::llround(kMaxTailSeconds * rateHz));
}

void report(const RenderStats& stats, int format, bool quiet) {
    if (!quiet) {
        std::cout << summaryLine(stats) << std::endl;
    }
    const std::string warning = clipWarning(stats, !isFloatFormat(format));
    if (!warning.empty()) {
        std::cerr << "glowmarsh-render: " << warning << std::endl;
    }
}

void render(const Options& options) {
    Input input = openInput(options);
    const int format = chooseOutputFormat(options.outputPath, options.bits, input.format, input.rateHz);
    std::unique_ptr<vsthost::Plugin> plugin = preparePlugin(options, input.rateHz);

    RenderPlan plan;
    plan.sourceFrames = input.source->frames();
    plan.tailFrames = tailFrames(options, *plugin, input.rateHz);
    plan.blockFrames = options.blockFrames;
    plan.precision = options.precision;

    // Both files are started before anything is rendered, so a folder that
    // cannot take them stops the run before it has written anything.
    PendingFile output(options.outputPath);
    std::optional<PendingFile> stateFile;
    if (!options.saveStatePath.empty()) {
        stateFile.emplace(options.saveStatePath);
    }
    AudioWriter writer(output, format, input.rateHz);
    ProgressBar progress(!options.quiet && isatty(STDERR_FILENO) == 1, plan.sourceFrames + plan.tailFrames);

    // The dither of the effect draws from the process's rand(); a known seed
    // makes the render repeatable.
    std::srand(options.seed);
    plugin->resume();
    RenderStats stats = renderBlocks(*plugin, *input.source, writer, plan, progress);
    plugin->suspend();
    progress.finish();
    stats.sampleRateHz = input.rateHz;

    if (stateFile) {
        const std::vector<std::uint8_t> state = presetBytes(*plugin);
        stateFile->writeAll(state.data(), state.size());
    }
    plugin->close();
    writer.finish();
    output.commit();
    if (stateFile) {
        stateFile->commit();
    }
    report(stats, format, options.quiet);
}

}  // namespace

std::int64_t defaultTailFrames(vsthost::Plugin& plugin) {
    const VstIntPtr reported = plugin.tailSizeFrames();
    return reported > 0 ? reported : kGlowmarshReachFrames;
}

void runSession(const Options& options) {
    checkDistinctFiles(options);
    if (options.info) {
        showInfo(options);
    } else {
        render(options);
    }
}

}  // namespace render

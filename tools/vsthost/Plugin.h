// One plug-in instance driven as a host drives it: the open/close sequence,
// queries answered as strings, parameters, the chunk and both processing
// entries. Shared by glowmarsh-render, the host-shaped tests and the
// benchmarks.
//
// Threads: one thread at a time per Plugin; the instance never sees two
// calls at once from here.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "host/AEffect.h"
#include "tools/vsthost/HostCallback.h"
#include "tools/vsthost/PluginLibrary.h"

namespace vsthost {

class Plugin {
public:
    // Loads the module at path and creates one instance answered by
    // hostCallback. Null, with the reason in error, when the file is not a
    // loadable VST 2.4 plug-in or its entry refuses.
    static std::unique_ptr<Plugin> load(const std::string& path, std::string& error);

    // Drives an instance created some other way (a statically linked effect,
    // or an entry called by hand); the Plugin closes it. library, if given,
    // is kept loaded for as long as the instance lives.
    static std::unique_ptr<Plugin> adopt(AEffect* effect, std::shared_ptr<const PluginLibrary> library = nullptr);

    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    // The host sequence: open, setSampleRate, setBlockSize, resume, process
    // blocks, suspend, close. close ends the instance; later calls are no-ops
    // that answer 0 or empty.
    void open();
    void setSampleRate(float sampleRateHz);
    void setBlockSize(VstInt32 blockSizeFrames);
    void resume();
    void suspend();
    void close();
    bool isClosed() const { return effect == nullptr; }

    // Identity, as the record and the dispatcher tell it.
    std::string effectName();
    std::string vendorString();
    std::string productString();
    VstIntPtr vendorVersion();
    VstIntPtr vstVersion();
    VstIntPtr plugCategory();
    VstInt32 uniqueId() const;
    VstInt32 version() const;
    VstInt32 flags() const;
    bool hasFlag(VstInt32 flag) const { return (flags() & flag) != 0; }
    VstInt32 numInputs() const;
    VstInt32 numOutputs() const;
    VstInt32 numParams() const;
    VstInt32 numPrograms() const;
    VstInt32 initialDelayFrames() const;
    // The plug-in's own tail length in frames; 0 when it does not say.
    VstIntPtr tailSizeFrames();
    // 1 yes, -1 no, 0 does not know.
    VstIntPtr canDo(const std::string& capability);

    // Parameters, normalised 0 to 1, and their texts.
    float parameter(VstInt32 index);
    void setParameter(VstInt32 index, float value);
    std::string parameterName(VstInt32 index);
    std::string parameterLabel(VstInt32 index);
    std::string parameterDisplay(VstInt32 index);
    std::string programName();

    // The state as the plug-in hands it out (copied), and back.
    std::vector<std::uint8_t> chunk(bool isPreset);
    VstIntPtr setChunk(std::span<const std::uint8_t> bytes, bool isPreset);

    // The replacing entries; each array holds numInputs() or numOutputs()
    // channel pointers.
    void process(float** inputs, float** outputs, VstInt32 frames);
    void process(double** inputs, double** outputs, VstInt32 frames);

    // Any other request.
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    // The record; null once closed.
    AEffect* record() const { return effect; }
    const HostContext& hostContext() const { return host; }
    // Where the module came from; empty for an adopted instance without one.
    std::string modulePath() const { return library ? library->path() : std::string(); }

private:
    Plugin(AEffect* effect, std::shared_ptr<const PluginLibrary> library);
    std::string text(VstInt32 opcode, VstInt32 index = 0);

    // Declared first so that it is released last, after the instance.
    std::shared_ptr<const PluginLibrary> library;
    HostContext host;  // the record's `user` points here
    AEffect* effect;
};

}  // namespace vsthost

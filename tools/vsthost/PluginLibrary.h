// Opens a VST 2.4 module and creates instances from it, as a host does.
#pragma once

#include <memory>
#include <string>

#include "host/AEffect.h"

namespace vsthost {

using EntryProc = AEffect* (*)(audioMasterCallback);

class PluginLibrary {
public:
    // Loads the module at path and finds its entry (VSTPluginMain, else main).
    // On failure answers null and says why in error.
    static std::unique_ptr<PluginLibrary> open(const std::string& path, std::string& error);

    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // Calls the entry point; null when the plug-in refuses or fails.
    AEffect* create(audioMasterCallback callback) const { return entry(callback); }

    EntryProc entryPoint() const { return entry; }
    // Finds another exported symbol of the module, or null.
    void* symbol(const char* name) const;
    const std::string& path() const { return modulePath; }

private:
    PluginLibrary(void* handle, EntryProc entry, std::string path);

    void* handle;
    EntryProc entry;
    std::string modulePath;
};

}  // namespace vsthost

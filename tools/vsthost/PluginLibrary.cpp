#include "tools/vsthost/PluginLibrary.h"

#include <dlfcn.h>

#include <utility>

namespace vsthost {

std::unique_ptr<PluginLibrary> PluginLibrary::open(const std::string& path, std::string& error) {
    // RTLD_LOCAL: the module's symbols never resolve anyone else's.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        error = why ? why : "cannot load " + path;
        return nullptr;
    }
    void* entry = dlsym(handle, "VSTPluginMain");
    if (entry == nullptr) {
        entry = dlsym(handle, "main");
    }
    if (entry == nullptr) {
        dlclose(handle);
        error = path + ": not a VST 2.4 plug-in (no VSTPluginMain or main entry point)";
        return nullptr;
    }
    return std::unique_ptr<PluginLibrary>(
        new PluginLibrary(handle, reinterpret_cast<EntryProc>(entry), path));
}

PluginLibrary::PluginLibrary(void* h, EntryProc e, std::string path)
    : handle(h), entry(e), modulePath(std::move(path)) {}

PluginLibrary::~PluginLibrary() {
    dlclose(handle);
}

void* PluginLibrary::symbol(const char* name) const {
    return dlsym(handle, name);
}

}  // namespace vsthost

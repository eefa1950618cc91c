#include "tools/vsthost/PluginLibrary.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <utility>

namespace vsthost {

namespace {

#if defined(_WIN32)
// Module paths are UTF-8 here, UTF-16 to Windows.
std::wstring widened(const std::string& text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string lastErrorText(const std::string& path) {
    char* message = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        GetLastError(), 0, reinterpret_cast<char*>(&message), 0, nullptr);
    std::string text = path + ": " + (length > 0 ? std::string(message, length) : "cannot load");
    LocalFree(message);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

void* openModule(const std::string& path, std::string& error) {
    HMODULE module = LoadLibraryW(widened(path).c_str());
    if (module == nullptr) error = lastErrorText(path);
    return reinterpret_cast<void*>(module);
}

void* findSymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void closeModule(void* handle) {
    FreeLibrary(static_cast<HMODULE>(handle));
}
#else
void* openModule(const std::string& path, std::string& error) {
    // RTLD_LOCAL: the module's symbols never resolve anyone else's.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        error = why ? why : "cannot load " + path;
    }
    return handle;
}

void* findSymbol(void* handle, const char* name) {
    return dlsym(handle, name);
}

void closeModule(void* handle) {
    dlclose(handle);
}
#endif

}  // namespace

std::unique_ptr<PluginLibrary> PluginLibrary::open(const std::string& path, std::string& error) {
    void* handle = openModule(path, error);
    if (handle == nullptr) {
        return nullptr;
    }
    void* entry = findSymbol(handle, "VSTPluginMain");
    if (entry == nullptr) {
        entry = findSymbol(handle, "main");
    }
    if (entry == nullptr) {
        closeModule(handle);
        error = path + ": not a VST 2.4 plug-in (no VSTPluginMain or main entry point)";
        return nullptr;
    }
    return std::unique_ptr<PluginLibrary>(
        new PluginLibrary(handle, reinterpret_cast<EntryProc>(entry), path));
}

PluginLibrary::PluginLibrary(void* h, EntryProc e, std::string path)
    : handle(h), entry(e), modulePath(std::move(path)) {}

PluginLibrary::~PluginLibrary() {
    closeModule(handle);
}

void* PluginLibrary::symbol(const char* name) const {
    return findSymbol(handle, name);
}

}  // namespace vsthost

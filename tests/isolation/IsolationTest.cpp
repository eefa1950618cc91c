// Two plug-in libraries built from the same base classes, loaded into one
// process the ways hosts load them: each instance must run its own library's
// code, whichever library was loaded first and whether the host loads them
// with global or local symbol scope. (That each exports its two entry points
// and nothing else is checked by plugin/CheckExports.cmake.)
#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
// A DLL's symbols are bound when it is linked, and a load has no scope: only
// the order of loading varies.
enum { RTLD_NOW = 0, RTLD_LAZY = 0, RTLD_GLOBAL = 0, RTLD_LOCAL = 0 };
void* dlopen(const char* path, int) { return LoadLibraryA(path); }
void dlclose(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }
const char* dlerror() { return "LoadLibrary failed"; }
#else
#include <dlfcn.h>
#endif

#include <memory>
#include <string>

#include "tools/vsthost/Plugin.h"

namespace {

// What each library's code answers: the record its constructor filled, its
// own operations (inline in the probe, out of line in Glowmarsh) and its
// processing. Every field differs between the two.
struct Identity {
    const char* path;
    VstInt32 uniqueID;
    const char* vendor;
    VstIntPtr vendorVersion;
    const char* ownCapability;  // answered 1; the other library's is answered -1
    bool halvesAndInverts;      // the probe's processing
};

const Identity kGlowmarsh = {GLOWMARSH_PLUGIN_PATH, fourCharCode('g', 'l', 'o', 'w'), "fernbridge", 1000, "x2in2out", false};
const Identity kProbe = {PROBE_PLUGIN_PATH, fourCharCode('p', 'r', 'b', 'e'), "isolation probe", 7, "probe", true};

void expectIdentity(vsthost::Plugin& plugin, const Identity& expected, const Identity& other) {
    EXPECT_EQ(plugin.uniqueId(), expected.uniqueID);
    EXPECT_EQ(plugin.vendorString(), expected.vendor);
    EXPECT_EQ(plugin.vendorVersion(), expected.vendorVersion);
    EXPECT_EQ(plugin.canDo(expected.ownCapability), 1);
    EXPECT_EQ(plugin.canDo(other.ownCapability), -1);
    float in[4] = {0.5f, 0.5f, 0.5f, 0.5f}, outL[4] = {}, outR[4] = {};
    float* inputs[] = {in, in};
    float* outputs[] = {outL, outR};
    plugin.process(inputs, outputs, 4);
    EXPECT_EQ(outL[3] == -0.25f, expected.halvesAndInverts);
}

TEST(Isolation, EachInstanceRunsItsOwnLibrarysCode) {
    struct Load { bool glowmarshFirst; int mode; };
    for (const Load load : {Load{true, RTLD_NOW | RTLD_GLOBAL}, Load{false, RTLD_NOW | RTLD_GLOBAL},
                            Load{true, RTLD_NOW | RTLD_LOCAL}, Load{false, RTLD_LAZY | RTLD_GLOBAL}}) {
        SCOPED_TRACE(testing::Message() << (load.glowmarshFirst ? "Glowmarsh" : "the probe") << " first, mode " << load.mode);
        // The first dlopen of a library fixes its scope; the loader library then finds it loaded.
        void* first = dlopen((load.glowmarshFirst ? kGlowmarsh : kProbe).path, load.mode);
        void* second = dlopen((load.glowmarshFirst ? kProbe : kGlowmarsh).path, load.mode);
        ASSERT_TRUE(first != nullptr && second != nullptr) << dlerror();
        std::string error;
        std::shared_ptr<const vsthost::PluginLibrary> glowmarsh = vsthost::PluginLibrary::open(kGlowmarsh.path, error);
        std::shared_ptr<const vsthost::PluginLibrary> probe = vsthost::PluginLibrary::open(kProbe.path, error);
        ASSERT_TRUE(glowmarsh && probe) << error;
        for (int i = 0; i < 4; ++i) {
            const bool isProbe = i % 2 == 1;
            const auto& library = isProbe ? probe : glowmarsh;
            auto plugin = vsthost::Plugin::adopt(library->create(vsthost::hostCallback), library);
            expectIdentity(*plugin, isProbe ? kProbe : kGlowmarsh, isProbe ? kGlowmarsh : kProbe);
        }
        glowmarsh.reset();
        probe.reset();
        dlclose(second);
        dlclose(first);
    }
}

}  // namespace

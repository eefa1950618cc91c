// Two plug-in libraries built from the same base classes, loaded into one
// process the ways hosts load them: each instance must run its own library's
// code, whichever library was loaded first and whether the host loads them
// with global or local symbol scope.
#include <gtest/gtest.h>

#include <dlfcn.h>


#include "host/AEffect.h"
#include "tools/vsthost/HostCallback.h"

namespace {

struct Library {
    Library(const char* path, int mode) : handle(dlopen(path, mode)) {}
    ~Library() {
        if (handle) {
            dlclose(handle);
        }
    }
    AEffect* create() const {
        auto entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(handle, "VSTPluginMain"));
        return entry ? entry(vsthost::hostCallback) : nullptr;
    }
    void* handle;
};

// What each library's code answers: the record its constructor filled, its
// own operations (inline in the probe, out of line in Glowmarsh) and its
// processing. Every field differs between the two.
struct Identity {
    VstInt32 uniqueID;
    const char* vendor;         // opcode 47
    VstIntPtr vendorVersion;    // opcode 49
    const char* ownCapability;  // answered 1; the other library's is answered -1
    bool halvesAndInverts;      // the probe's processing
};

const Identity kGlowmarsh = {fourCharCode('g', 'l', 'o', 'w'), "fernbridge", 1000, "x2in2out", false};
const Identity kProbe = {fourCharCode('p', 'r', 'b', 'e'), "isolation probe", 7, "probe", true};

void expectIdentity(AEffect* e, const Identity& expected, const Identity& other) {
    ASSERT_NE(e, nullptr);
    char vendor[65] = {};
    e->dispatcher(e, 47, 0, 0, vendor, 0.0f);
    auto canDo = [e](const char* what) { return e->dispatcher(e, 51, 0, 0, const_cast<char*>(what), 0.0f); };
    EXPECT_EQ(e->uniqueID, expected.uniqueID);
    EXPECT_STREQ(vendor, expected.vendor);
    EXPECT_EQ(e->dispatcher(e, 49, 0, 0, nullptr, 0.0f), expected.vendorVersion);
    EXPECT_EQ(canDo(expected.ownCapability), 1);
    EXPECT_EQ(canDo(other.ownCapability), -1);
    float in[4] = {0.5f, 0.5f, 0.5f, 0.5f}, outL[4] = {}, outR[4] = {};
    float* inputs[] = {in, in};
    float* outputs[] = {outL, outR};
    e->processReplacing(e, inputs, outputs, 4);
    EXPECT_EQ(outL[3] == -0.25f, expected.halvesAndInverts);
}

// Loads the two in the given order and mode, then interleaves their instances.
void expectEachRunsItsOwnCode(bool glowmarshFirst, int mode) {
    Library a(glowmarshFirst ? GLOWMARSH_PLUGIN_PATH : PROBE_PLUGIN_PATH, mode);
    Library b(glowmarshFirst ? PROBE_PLUGIN_PATH : GLOWMARSH_PLUGIN_PATH, mode);
    ASSERT_TRUE(a.handle != nullptr && b.handle != nullptr) << dlerror();
    const Library& glowmarsh = glowmarshFirst ? a : b;
    const Library& probe = glowmarshFirst ? b : a;
    AEffect* instances[] = {glowmarsh.create(), probe.create(), glowmarsh.create(), probe.create()};
    for (int i = 0; i < 4; ++i) {
        expectIdentity(instances[i], i % 2 ? kProbe : kGlowmarsh, i % 2 ? kGlowmarsh : kProbe);
    }
    for (AEffect* e : instances) {
        if (e) {
            e->dispatcher(e, 1, 0, 0, nullptr, 0.0f);
        }
    }
}

TEST(Isolation, GlowmarshLoadedFirstWithGlobalScope) { expectEachRunsItsOwnCode(true, RTLD_NOW | RTLD_GLOBAL); }
TEST(Isolation, ProbeLoadedFirstWithGlobalScope) { expectEachRunsItsOwnCode(false, RTLD_NOW | RTLD_GLOBAL); }
TEST(Isolation, GlowmarshLoadedFirstWithLocalScope) { expectEachRunsItsOwnCode(true, RTLD_NOW | RTLD_LOCAL); }
TEST(Isolation, ProbeLoadedFirstLazilyWithGlobalScope) { expectEachRunsItsOwnCode(false, RTLD_LAZY | RTLD_GLOBAL); }

// The two entry points are the only names either library offers the loader.
TEST(Isolation, NothingButTheEntryPointsIsVisibleThroughTheLoader) {
    for (const char* path : {GLOWMARSH_PLUGIN_PATH, PROBE_PLUGIN_PATH}) {
        Library library(path, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library.handle, nullptr) << dlerror();
        EXPECT_NE(dlsym(library.handle, "VSTPluginMain"), nullptr) << path;
        EXPECT_NE(dlsym(library.handle, "main_macho"), nullptr) << path;
        // The factory's name depends on the width of VstIntPtr (long or int).
        const char* factory = sizeof(VstIntPtr) == 8 ? "_Z20createEffectInstancePFlP7AEffectiilPvfE"
                                                     : "_Z20createEffectInstancePFiP7AEffectiiiPvfE";
        for (const char* hidden :
             {factory, "_ZTV9Glowmarsh", "_ZTI9Glowmarsh", "_ZTV11AudioEffect", "_ZN9Glowmarsh15getVendorStringEPc"}) {
            EXPECT_EQ(dlsym(library.handle, hidden), nullptr) << path << " exports " << hidden;
        }
    }
}

}  // namespace

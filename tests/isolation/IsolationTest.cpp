// Two plug-in libraries built from the same base classes, loaded into one
// process the ways hosts load them: each instance must run its own library's
// code, whichever library was loaded first and whether the host loads them
// with global or local symbol scope.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <string>

#include "host/AEffect.h"
#include "tools/vsthost/HostCallback.h"

namespace {

using EntryProc = AEffect* (*)(audioMasterCallback);

struct Library {
    Library(const char* path, int mode) : handle(dlopen(path, mode)) {}
    ~Library() {
        if (handle) {
            dlclose(handle);
        }
    }
    AEffect* create() const {
        auto entry = reinterpret_cast<EntryProc>(dlsym(handle, "VSTPluginMain"));
        return entry ? entry(vsthost::hostCallback) : nullptr;
    }
    void* handle;
};

std::string text(AEffect* e, VstInt32 opcode) {
    char buffer[65] = {};
    e->dispatcher(e, opcode, 0, 0, buffer, 0.0f);
    return buffer;
}

VstIntPtr canDo(AEffect* e, const char* what) {
    return e->dispatcher(e, 51, 0, 0, const_cast<char*>(what), 0.0f);
}

float processedSample(AEffect* e) {
    float inL[4] = {0.5f, 0.5f, 0.5f, 0.5f}, inR[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    float outL[4] = {}, outR[4] = {};
    float* in[] = {inL, inR};
    float* out[] = {outL, outR};
    e->processReplacing(e, in, out, 4);
    return outL[3];
}

// What each library's code answers; every field differs between the two.
struct Identity {
    VstInt32 uniqueID;
    VstInt32 numParams;
    const char* vendor;
    const char* name;
    VstIntPtr vendorVersion;
    const char* ownCapability;    // answered 1
    const char* otherCapability;  // the other library's, answered -1
    float parameter1;
    bool halvesAndInverts;        // the probe's processing
};

const Identity kGlowmarsh = {fourCharCode('g', 'l', 'o', 'w'), 3, "fernbridge", "Glowmarsh", 1000, "x2in2out", "probe",
                             0.7f, false};
const Identity kProbe = {fourCharCode('p', 'r', 'b', 'e'), 1, "isolation probe", "Probe", 7, "probe", "x2in2out", 1.5f,
                         true};

void expectIdentity(AEffect* e, const Identity& expected) {
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->uniqueID, expected.uniqueID);
    EXPECT_EQ(e->numParams, expected.numParams);
    EXPECT_EQ(text(e, 47), expected.vendor);
    EXPECT_EQ(text(e, 45), expected.name);
    EXPECT_EQ(e->dispatcher(e, 49, 0, 0, nullptr, 0.0f), expected.vendorVersion);
    EXPECT_EQ(canDo(e, expected.ownCapability), 1);
    EXPECT_EQ(canDo(e, expected.otherCapability), -1);
    EXPECT_EQ(e->getParameter(e, 1), expected.parameter1);
    EXPECT_EQ(processedSample(e) == -0.25f, expected.halvesAndInverts);
}

void close(AEffect* e) {
    e->dispatcher(e, 1, 0, 0, nullptr, 0.0f);
}

// Loads the two in the given order and mode, then interleaves their instances.
void expectEachRunsItsOwnCode(bool glowmarshFirst, int mode) {
    const char* first = glowmarshFirst ? GLOWMARSH_PLUGIN_PATH : PROBE_PLUGIN_PATH;
    const char* second = glowmarshFirst ? PROBE_PLUGIN_PATH : GLOWMARSH_PLUGIN_PATH;
    Library a(first, mode);
    Library b(second, mode);
    ASSERT_NE(a.handle, nullptr) << dlerror();
    ASSERT_NE(b.handle, nullptr) << dlerror();
    const Library& glowmarshLib = glowmarshFirst ? a : b;
    const Library& probeLib = glowmarshFirst ? b : a;

    AEffect* g1 = glowmarshLib.create();
    AEffect* p1 = probeLib.create();
    AEffect* g2 = glowmarshLib.create();
    AEffect* p2 = probeLib.create();
    for (AEffect* e : {g1, g2}) {
        expectIdentity(e, kGlowmarsh);
    }
    for (AEffect* e : {p1, p2}) {
        expectIdentity(e, kProbe);
    }
    for (AEffect* e : {p1, g1, p2, g2}) {
        if (e) {
            close(e);
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
        for (const char* hidden : {"_Z20createEffectInstancePFlP7AEffectiilPvfE", "_ZTV9Glowmarsh", "_ZTI9Glowmarsh",
                                   "_ZTV11AudioEffect", "_ZN9Glowmarsh15getVendorStringEPc"}) {
            EXPECT_EQ(dlsym(library.handle, hidden), nullptr) << path << " exports " << hidden;
        }
    }
}

}  // namespace

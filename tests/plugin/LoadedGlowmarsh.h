// The built Glowmarsh.so, opened once per test, with the recording host as
// its callback.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "host/AudioEffectX.h"
#include "tests/support/RecordingHost.h"
#include "tools/vsthost/PluginLibrary.h"

class LoadedGlowmarsh : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        library = vsthost::PluginLibrary::open(GLOWMARSH_PLUGIN_PATH, error);
        ASSERT_TRUE(library) << error;
        testhost::RecordingHost::reset();
    }

    // A new instance, and a dispatch through its record.
    AEffect* create() { return library->create(testhost::RecordingHost::callback); }
    static VstIntPtr dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                              void* ptr = nullptr, float opt = 0.0f) {
        return e->dispatcher(e, opcode, index, value, ptr, opt);
    }
    // The instance behind a record, reached through the module's own table.
    static AudioEffectX* objectOf(AEffect* e) {
        return static_cast<AudioEffectX*>(static_cast<AudioEffect*>(e->object));
    }

    std::unique_ptr<vsthost::PluginLibrary> library;
};

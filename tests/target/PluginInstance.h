// One Glowmarsh instance from the built module, made and closed as a host does.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tools/vsthost/PluginLibrary.h"

namespace targetbytes {

inline VstIntPtr versionOnlyHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == 1 ? 2400 : 0;
}

class PluginInstance : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        library = vsthost::PluginLibrary::open(GLOWMARSH_PLUGIN_PATH, error);
        ASSERT_TRUE(library) << error;
        effect = library->create(versionOnlyHost);
        ASSERT_NE(effect, nullptr);
    }
    void TearDown() override {
        if (effect != nullptr) {
            effect->dispatcher(effect, 1, 0, 0, nullptr, 0.0f);
        }
    }

    std::unique_ptr<vsthost::PluginLibrary> library;
    AEffect* effect = nullptr;
};

}  // namespace targetbytes

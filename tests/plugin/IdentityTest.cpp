// Who Glowmarsh says it is, and what it says it can do, as a host asks it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/CanDos.h"
#include "tests/plugin/LoadedGlowmarsh.h"
#include "tests/support/GuardedText.h"

namespace {

using Identity = LoadedGlowmarsh;

TEST_F(Identity, NamesAreBoundedCopiesOf64WritingExactly65Bytes) {
    struct Row {
        VstInt32 opcode;
        const char* text;
    };
    const Row rows[] = {{45, "Glowmarsh"}, {47, "fernbridge"}, {48, "fernbridge Glowmarsh"}};
    AEffect* e = create();
    ASSERT_NE(e, nullptr);
    for (const Row& row : rows) {
        testsupport::GuardedText buffer(65);
        EXPECT_EQ(dispatch(e, row.opcode, 0, 0, buffer.data()), 1) << row.text;
        EXPECT_EQ(buffer.text(), row.text);
        EXPECT_EQ(buffer.fault(), "") << row.text;
    }
    // No buffer: nothing to write into, and the host is told so.
    for (const Row& row : rows) {
        EXPECT_EQ(dispatch(e, row.opcode), 0) << row.text;
    }
    close(e);
}

TEST_F(Identity, CanDoAnswersOneOnlyForItsOwnCapabilitiesExactly) {
    struct Row {
        const char* what;
        const char* text;  // null: no text at all
        VstIntPtr reply;
    };
    const std::string longText(1000, 'p');
    const Row rows[] = {
        {"channel insert", "plugAsChannelInsert", 1},
        {"send", "plugAsSend", 1},
        {"stereo in and out", "x2in2out", 1},
        {"capital first letter", "PlugAsSend", -1},
        {"trailing space", "plugAsSend ", -1},
        {"leading space", " plugAsSend", -1},
        {"prefix only", "plugAs", -1},
        {"trailing newline", "x2in2out\n", -1},
        {"empty text", "", -1},
        {"no text", nullptr, -1},
        {"a host capability", "receiveVstEvents", -1},
        {"MIDI, as resume asks", "receiveVstMidiEvent", -1},
        {"a long text", longText.c_str(), -1},
    };
    AEffect* e = create();
    ASSERT_NE(e, nullptr);
    for (const Row& row : rows) {
        EXPECT_EQ(dispatch(e, 51, 0, 0, const_cast<char*>(row.text)), row.reply) << row.what;
    }
    for (const char* constant :
         {HostCanDos::canDoSendVstEvents, HostCanDos::canDoSendVstMidiEvent, HostCanDos::canDoSendVstTimeInfo,
          HostCanDos::canDoReceiveVstEvents, HostCanDos::canDoReceiveVstMidiEvent,
          HostCanDos::canDoReportConnectionChanges, HostCanDos::canDoAcceptIOChanges, HostCanDos::canDoSizeWindow,
          HostCanDos::canDoOffline, HostCanDos::canDoOpenFileSelector, HostCanDos::canDoCloseFileSelector,
          HostCanDos::canDoStartStopProcess, HostCanDos::canDoShellCategory,
          HostCanDos::canDoSendVstMidiEventFlagIsRealtime, PlugCanDos::canDoReceiveVstTimeInfo,
          PlugCanDos::canDoMidiProgramNames, PlugCanDos::canDoBypass}) {
        EXPECT_EQ(dispatch(e, 51, 0, 0, const_cast<char*>(constant)), -1) << constant;
    }
    close(e);
}

TEST_F(Identity, VersionCategoryAndProgramNameAfterConstruction) {
    AEffect* e = create();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(dispatch(e, 49), 1000);
    EXPECT_EQ(dispatch(e, 35), 1);
    char name[32];
    std::memset(name, 0x7F, sizeof name);
    dispatch(e, 5, 0, 0, name);
    EXPECT_STREQ(name, "Default");
    // Turning the instance into a synth leaves its category: Glowmarsh answers 1 regardless.
    auto* x = static_cast<AudioEffectX*>(objectOf(e));
    x->isSynth(true);
    EXPECT_EQ(e->flags, 0x1130);
    EXPECT_EQ(dispatch(e, 35), 1);
    close(e);
}

}  // namespace

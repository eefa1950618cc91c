// The record's flag bits, the editor's ownership, and the capability texts.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "host/CanDos.h"
#include "host/Opcodes.h"
#include "tests/host/BareEffect.h"

namespace {

using testhost::RecordingHost;

struct FlagRow {
    const char* setter;
    std::function<void(BareEffect&, bool)> set;
    VstInt32 bit;
};

const FlagRow kFlagRows[] = {
    {"hasClip", [](BareEffect& e, bool s) { e.hasClip(s); }, 0x2},
    {"hasVu", [](BareEffect& e, bool s) { e.hasVu(s); }, 0x4},
    {"canMono", [](BareEffect& e, bool s) { e.canMono(s); }, 0x8},
    {"canProcessReplacing", [](BareEffect& e, bool s) { e.canProcessReplacing(s); }, 0x10},
    {"programsAreChunks", [](BareEffect& e, bool s) { e.programsAreChunks(s); }, 0x20},
    {"isSynth", [](BareEffect& e, bool s) { e.isSynth(s); }, 0x100},
    {"noTail", [](BareEffect& e, bool s) { e.noTail(s); }, 0x200},
    {"wantAsyncOperation", [](BareEffect& e, bool s) { e.wantAsyncOperation(s); }, 0x400},
    {"hasExternalBuffer", [](BareEffect& e, bool s) { e.hasExternalBuffer(s); }, 0x800},
    {"canDoubleReplacing", [](BareEffect& e, bool s) { e.canDoubleReplacing(s); }, 0x1000},
};

TEST(Flags, EachSetterSetsAndClearsOnlyItsBitAndCallsNoHost) {
    // Start from every bit set and from none, so a setter that touches a
    // neighbour shows either way.
    for (VstInt32 start : {0, ~0, 0x1030}) {
        for (const FlagRow& row : kFlagRows) {
            RecordingHost::reset();
            BareEffect effect;
            effect.getAeffect()->flags = start;
            row.set(effect, true);
            EXPECT_EQ(effect.flags(), start | row.bit) << row.setter << " from " << start;
            row.set(effect, false);
            EXPECT_EQ(effect.flags(), start & ~row.bit) << row.setter << " from " << start;
            EXPECT_TRUE(RecordingHost::calls.empty()) << row.setter;
        }
    }
}

TEST(Flags, BaseRecordAnnouncesReplacingOnly) {
    BareEffect effect;
    EXPECT_EQ(effect.flags(), 0x10);
    effect.hasVu(true);
    effect.hasVu(false);
    EXPECT_EQ(effect.flags(), 0x10);
}

class CountingEditor : public AEffEditor {
public:
    explicit CountingEditor(int& deaths) : deaths(deaths) {}
    ~CountingEditor() override { ++deaths; }

private:
    int& deaths;
};

TEST(Editor, AttachingSetsBitOneAndTheEffectDeletesIt) {
    int deaths = 0;
    {
        BareEffect effect;
        auto* editor = new CountingEditor(deaths);
        effect.setEditor(editor);
        EXPECT_EQ(effect.flags(), 0x11);
        EXPECT_EQ(effect.getEditor(), editor);
        // No editor interface to forward to: the editor opcodes still answer 0.
        for (VstInt32 opcode : {13, 14, 15, 16, 17, 18, 19, 20, 21, 59, 60, 61}) {
            EXPECT_EQ(effect.dispatcher(opcode, 0, 0, nullptr, 0.0f), 0) << opcode;
        }
        EXPECT_EQ(deaths, 0);
    }
    EXPECT_EQ(deaths, 1);
}

TEST(Editor, DetachingClearsBitOneAndHandsTheEditorBack) {
    int deaths = 0;
    CountingEditor editor(deaths);
    {
        BareEffect effect;
        effect.setEditor(&editor);
        effect.setEditor(nullptr);
        EXPECT_EQ(effect.flags(), 0x10);
        EXPECT_EQ(effect.getEditor(), nullptr);
    }
    EXPECT_EQ(deaths, 0);
}

struct CanDoRow {
    const char* constant;
    const char* value;
    const char* text;
};

const CanDoRow kHostCanDos[] = {
    {"canDoSendVstEvents", HostCanDos::canDoSendVstEvents, "sendVstEvents"},
    {"canDoSendVstMidiEvent", HostCanDos::canDoSendVstMidiEvent, "sendVstMidiEvent"},
    {"canDoSendVstTimeInfo", HostCanDos::canDoSendVstTimeInfo, "sendVstTimeInfo"},
    {"canDoReceiveVstEvents", HostCanDos::canDoReceiveVstEvents, "receiveVstEvents"},
    {"canDoReceiveVstMidiEvent", HostCanDos::canDoReceiveVstMidiEvent, "receiveVstMidiEvent"},
    {"canDoReportConnectionChanges", HostCanDos::canDoReportConnectionChanges, "reportConnectionChanges"},
    {"canDoAcceptIOChanges", HostCanDos::canDoAcceptIOChanges, "acceptIOChanges"},
    {"canDoSizeWindow", HostCanDos::canDoSizeWindow, "sizeWindow"},
    {"canDoOffline", HostCanDos::canDoOffline, "offline"},
    {"canDoOpenFileSelector", HostCanDos::canDoOpenFileSelector, "openFileSelector"},
    {"canDoCloseFileSelector", HostCanDos::canDoCloseFileSelector, "closeFileSelector"},
    {"canDoStartStopProcess", HostCanDos::canDoStartStopProcess, "startStopProcess"},
    {"canDoShellCategory", HostCanDos::canDoShellCategory, "shellCategory"},
    {"canDoSendVstMidiEventFlagIsRealtime", HostCanDos::canDoSendVstMidiEventFlagIsRealtime,
     "sendVstMidiEventFlagIsRealtime"},
};

const CanDoRow kPlugCanDos[] = {
    {"canDoSendVstEvents", PlugCanDos::canDoSendVstEvents, "sendVstEvents"},
    {"canDoSendVstMidiEvent", PlugCanDos::canDoSendVstMidiEvent, "sendVstMidiEvent"},
    {"canDoReceiveVstEvents", PlugCanDos::canDoReceiveVstEvents, "receiveVstEvents"},
    {"canDoReceiveVstMidiEvent", PlugCanDos::canDoReceiveVstMidiEvent, "receiveVstMidiEvent"},
    {"canDoReceiveVstTimeInfo", PlugCanDos::canDoReceiveVstTimeInfo, "receiveVstTimeInfo"},
    {"canDoOffline", PlugCanDos::canDoOffline, "offline"},
    {"canDoMidiProgramNames", PlugCanDos::canDoMidiProgramNames, "midiProgramNames"},
    {"canDoBypass", PlugCanDos::canDoBypass, "bypass"},
};

TEST(CanDos, EveryConstantHoldsItsText) {
    for (const CanDoRow& row : kHostCanDos) {
        EXPECT_STREQ(row.value, row.text) << "HostCanDos::" << row.constant;
    }
    for (const CanDoRow& row : kPlugCanDos) {
        EXPECT_STREQ(row.value, row.text) << "PlugCanDos::" << row.constant;
    }
}

TEST(CanDos, SharedCapabilitiesAreOneText) {
    for (const CanDoRow& plug : kPlugCanDos) {
        for (const CanDoRow& host : kHostCanDos) {
            if (std::strcmp(plug.constant, host.constant) == 0) {
                EXPECT_EQ(plug.value, host.value) << plug.constant << " is two copies of the text";
            }
        }
    }
}

TEST(CanDos, CanHostDoPassesAConstantOnUnchanged) {
    RecordingHost::reset(testhost::always(1));
    BareEffect effect;
    EXPECT_EQ(effect.canHostDo(const_cast<char*>(HostCanDos::canDoOffline)), 1);
    ASSERT_EQ(RecordingHost::calls.size(), 1u);
    EXPECT_EQ(RecordingHost::calls[0].ptr, HostCanDos::canDoOffline);
}

}  // namespace

// The record's flag bits, the editor's ownership, and the capability texts.
#include <gtest/gtest.h>

#include <cstring>

#include "host/CanDos.h"
#include "tests/host/BareEffect.h"

namespace {

using testhost::RecordingHost;

#define SETTER(name, bit) {#name, [](BareEffect& e, bool s) { e.name(s); }, bit}

TEST(Flags, EachSetterSetsAndClearsOnlyItsBitAndCallsNoHost) {
    struct Row { const char* setter; void (*set)(BareEffect&, bool); VstInt32 bit; };
    const Row rows[] = {
        SETTER(hasClip, 0x2), SETTER(hasVu, 0x4), SETTER(canMono, 0x8), SETTER(canProcessReplacing, 0x10),
        SETTER(programsAreChunks, 0x20), SETTER(isSynth, 0x100), SETTER(noTail, 0x200),
        SETTER(wantAsyncOperation, 0x400), SETTER(hasExternalBuffer, 0x800), SETTER(canDoubleReplacing, 0x1000),
    };
    // From no bit, every bit and Glowmarsh's 0x1030 (isSynth makes that 0x1130).
    for (VstInt32 start : {0, ~0, 0x1030}) {
        for (const Row& row : rows) {
            RecordingHost::reset();
            BareEffect effect;
            EXPECT_EQ(effect.flags(), 0x10) << "the base record announces replacing only";
            effect.getAeffect()->flags = start;
            row.set(effect, true);
            EXPECT_EQ(effect.flags(), start | row.bit) << row.setter << " from " << start;
            row.set(effect, false);
            EXPECT_EQ(effect.flags(), start & ~row.bit) << row.setter << " from " << start;
            EXPECT_TRUE(RecordingHost::calls.empty()) << row.setter;
        }
    }
}

class CountingEditor : public AEffEditor {
public:
    explicit CountingEditor(int& deaths) : deaths(deaths) {}
    ~CountingEditor() override { ++deaths; }
    int& deaths;
};

TEST(Flags, AnAttachedEditorSetsBitOneAndDiesWithTheEffect) {
    int deaths = 0;
    CountingEditor kept(deaths);
    {
        BareEffect effect;
        effect.setEditor(&kept);
        effect.setEditor(nullptr);
        EXPECT_EQ(effect.flags(), 0x10) << "detaching clears the bit";
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
    EXPECT_EQ(deaths, 1) << "the attached editor, and only it, is deleted with the effect";
}

TEST(CanDos, EveryConstantHoldsItsTextAndSharedOnesAreOneText) {
    struct Row { const char* host; const char* plug; const char* text; };  // a constant may be null
    using namespace HostCanDos;
    namespace plug = PlugCanDos;
    const Row rows[] = {
        {canDoSendVstEvents, plug::canDoSendVstEvents, "sendVstEvents"},
        {canDoSendVstMidiEvent, plug::canDoSendVstMidiEvent, "sendVstMidiEvent"},
        {canDoReceiveVstEvents, plug::canDoReceiveVstEvents, "receiveVstEvents"},
        {canDoReceiveVstMidiEvent, plug::canDoReceiveVstMidiEvent, "receiveVstMidiEvent"},
        {canDoOffline, plug::canDoOffline, "offline"}, {canDoSendVstTimeInfo, nullptr, "sendVstTimeInfo"},
        {canDoReportConnectionChanges, nullptr, "reportConnectionChanges"},
        {canDoAcceptIOChanges, nullptr, "acceptIOChanges"}, {canDoSizeWindow, nullptr, "sizeWindow"},
        {canDoOpenFileSelector, nullptr, "openFileSelector"}, {canDoCloseFileSelector, nullptr, "closeFileSelector"},
        {canDoStartStopProcess, nullptr, "startStopProcess"}, {canDoShellCategory, nullptr, "shellCategory"},
        {canDoSendVstMidiEventFlagIsRealtime, nullptr, "sendVstMidiEventFlagIsRealtime"},
        {nullptr, plug::canDoReceiveVstTimeInfo, "receiveVstTimeInfo"},
        {nullptr, plug::canDoMidiProgramNames, "midiProgramNames"}, {nullptr, plug::canDoBypass, "bypass"},
    };
    for (const Row& row : rows) {
        for (const char* constant : {row.host, row.plug}) {
            if (constant != nullptr) {
                EXPECT_STREQ(constant, row.text);
            }
        }
        if (row.host != nullptr && row.plug != nullptr) {
            EXPECT_EQ(row.host, row.plug) << row.text << " is two copies of the text";
        }
    }
}

}  // namespace

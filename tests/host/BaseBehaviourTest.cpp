// What the base classes answer when the effect replaces nothing, and what
// those answers change: the defaults every host meets on an effect that does
// not override an operation.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "host/Opcodes.h"
#include "tests/host/BareEffect.h"

namespace {

using testhost::RecordingHost;

struct Default {
    const char* what;
    VstInt32 opcode;
    VstIntPtr reply;
};

// Sent with index 5, value 4096, a text buffer and opt 0.25.
const Default kDefaults[] = {
    {"open", 0, 0}, {"close, called directly", 1, 0}, {"getProgram", 3, 0}, {"setProgramName", 4, 0},
    {"getProgramName", 5, 0}, {"getParameterLabel", 6, 0}, {"getParameterDisplay", 7, 0},
    {"getParameterName", 8, 0}, {"getVu is 0.0", 9, 0}, {"setSampleRate", 10, 0}, {"setBlockSize", 11, 0},
    {"resume", 12, 0}, {"identify: 'NvEf'", 22, 0x4E764566}, {"getChunk: no chunk", 23, 0},
    {"setChunk", 24, 0}, {"processEvents", 25, 0}, {"canParameterBeAutomated: every index", 26, 1},
    {"string2parameter", 27, 0}, {"getNumCategories", 28, 1}, {"getProgramNameIndexed", 29, 0},
    {"copyProgram", 30, 0}, {"inputConnected", 31, 1}, {"outputConnected", 32, 1},
    {"getInputProperties", 33, 0}, {"getOutputProperties", 34, 0}, {"getPlugCategory: not a synth", 35, 0},
    {"reportCurrentPosition", 36, 0}, {"reportDestinationBuffer: null", 37, 0}, {"offlineNotify", 38, 0},
    {"offlinePrepare", 39, 0}, {"offlineRun", 40, 0}, {"processVariableIo", 41, 0},
    {"setBlockSizeAndSampleRate", 43, 1}, {"setBypass", 44, 0}, {"getEffectName", 45, 0},
    {"getErrorText", 46, 0}, {"getVendorString", 47, 0}, {"getProductString", 48, 0},
    {"getVendorVersion", 49, 0}, {"vendorSpecific", 50, 0}, {"canDo: base knows nothing", 51, 0},
    {"getGetTailSize", 52, 0}, {"fxIdle", 53, 0}, {"getIcon: null", 54, 0}, {"setViewPosition", 55, 0},
    {"getParameterProperties", 56, 0}, {"keysRequired: no, so the opcode says 1", 57, 1},
    {"getVstVersion", 58, 2400}, {"getMidiProgramName", 62, 0}, {"getCurrentMidiProgram: none", 63, -1},
    {"getMidiProgramCategory", 64, 0}, {"hasMidiProgramsChanged", 65, 0}, {"getMidiKeyName", 66, 0},
    {"beginSetProgram", 67, 0}, {"endSetProgram", 68, 0}, {"getNextShellPlugin", 70, 0},
    {"startProcess", 71, 0}, {"stopProcess", 72, 0}, {"setTotalSampleToProcess: echo", 73, 4096},
    {"setPanLaw", 74, 0}, {"beginLoadBank", 75, 0}, {"beginLoadProgram", 76, 0},
    {"setProcessPrecision: not stored", 77, 0}, {"getNumMidiInputChannels", 78, 0},
    {"getNumMidiOutputChannels", 79, 0},
};

TEST(BaseBehaviour, EveryOpcodeAnswersItsDefaultAndNeverCallsTheHost) {
    for (const Default& row : kDefaults) {
        RecordingHost::reset();
        BareEffect effect;
        char text[128] = {};
        EXPECT_EQ(effect.dispatcher(row.opcode, 5, 4096, text, 0.25f), row.reply) << row.what;
        EXPECT_TRUE(RecordingHost::calls.empty()) << row.what;
    }
}

TEST(BaseBehaviour, TextOperationsWriteEmptyStrings) {
    for (VstInt32 opcode : {5, 6, 7, 8}) {
        BareEffect effect;
        char text[16];
        std::memset(text, 'x', sizeof text);
        effect.dispatcher(opcode, 0, 0, text, 0.0f);
        EXPECT_EQ(text[0], '\0') << "opcode " << opcode;
        EXPECT_EQ(text[1], 'x') << "opcode " << opcode << " wrote past the empty string";
    }
}

TEST(BaseBehaviour, SampleRateAndBlockSizeFollowTheHost) {
    BareEffect effect;
    EXPECT_EQ(effect.getSampleRate(), 44100.0f);
    EXPECT_EQ(effect.getBlockSize(), 1024);
    effect.dispatcher(effectOpcode::setSampleRate, 0, 0, nullptr, 96000.0f);
    effect.dispatcher(effectOpcode::setBlockSize, 0, 64, nullptr, 0.0f);
    EXPECT_EQ(effect.getSampleRate(), 96000.0f);
    EXPECT_EQ(effect.getBlockSize(), 64);
    EXPECT_EQ(effect.dispatcher(effectOpcode::setBlockSizeAndSampleRate, 0, 512, nullptr, 48000.0f), 1);
    EXPECT_EQ(effect.getSampleRate(), 48000.0f);
    EXPECT_EQ(effect.getBlockSize(), 512);
}

TEST(BaseBehaviour, ProgramRuleWithNoPrograms) {
    BareEffect effect;
    effect.dispatcher(effectOpcode::setProgram, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(effect.dispatcher(effectOpcode::getProgram, 0, 0, nullptr, 0.0f), 0);
    effect.dispatcher(effectOpcode::setProgram, 0, 5, nullptr, 0.0f);
    EXPECT_EQ(effect.dispatcher(effectOpcode::getProgram, 0, 0, nullptr, 0.0f), 0);
    effect.dispatcher(effectOpcode::setProgram, 0, -1, nullptr, 0.0f);
    EXPECT_EQ(effect.dispatcher(effectOpcode::getProgram, 0, 0, nullptr, 0.0f), -1);
}

TEST(BaseBehaviour, SpeakerArrangementOpcodes) {
    BareEffect effect;
    VstSpeakerArrangement dummy{};
    VstSpeakerArrangement* input = &dummy;
    VstSpeakerArrangement* output = &dummy;
    EXPECT_EQ(effect.dispatcher(effectOpcode::getSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&input),
                                &output, 0.0f),
              0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
    // Null addresses are refused rather than written through.
    EXPECT_EQ(effect.dispatcher(effectOpcode::getSpeakerArrangement, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(effect.dispatcher(effectOpcode::setSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&dummy),
                                &dummy, 0.0f),
              0);
}

TEST(BaseBehaviour, TotalSampleEchoKeepsEvery32BitValue) {
    BareEffect effect;
    for (VstInt32 v : {0, 4096, -1, INT_MAX, INT_MIN}) {
        EXPECT_EQ(effect.dispatcher(effectOpcode::setTotalSampleToProcess, 0, v, nullptr, 0.0f), v);
    }
}

TEST(BaseBehaviour, PlugCategoryFollowsTheSynthFlag) {
    BareEffect effect;
    effect.isSynth(true);
    EXPECT_EQ(effect.dispatcher(effectOpcode::getPlugCategory, 0, 0, nullptr, 0.0f), 2);
    effect.isSynth(false);
    EXPECT_EQ(effect.dispatcher(effectOpcode::getPlugCategory, 0, 0, nullptr, 0.0f), 0);
}

// The meter level reaches the host as a 16-bit-scaled integer, truncated.
class Meter : public BareEffect {
public:
    float level = 0.0f;
    float getVu() override { return level; }
};

TEST(BaseBehaviour, MeterLevelIsScaledAndTruncated) {
    struct Row {
        const char* what;
        float level;
        VstIntPtr reply;
    };
    const Row rows[] = {
        {"full scale", 1.0f, 32767},
        {"half: 16383.5 truncates down", 0.5f, 16383},
        {"negative half truncates toward zero", -0.5f, -16383},
        {"smallest step below 1", 0.99999994f, 32766},
        {"NaN gives nothing", std::numeric_limits<float>::quiet_NaN(), 0},
        {"beyond 32 bits saturates", 1e10f, INT_MAX},
        {"below 32 bits saturates", -1e10f, INT_MIN},
    };
    for (const Row& row : rows) {
        Meter effect;
        effect.level = row.level;
        EXPECT_EQ(effect.dispatcher(effectOpcode::getVu, 0, 0, nullptr, 0.0f), row.reply) << row.what;
    }
}

// Resuming asks the host for events only for a synth or an effect that can
// receive MIDI events, by asking its own canDo.
class Listener : public BareEffect {
public:
    VstInt32 midiAnswer = 0;
    std::vector<std::string> asked;
    VstInt32 canDo(char* text) override {
        asked.emplace_back(text);
        return asked.back() == "receiveVstMidiEvent" ? midiAnswer : 1;
    }
};

TEST(BaseBehaviour, ResumeAsksForEventsOnlyWhenTheEffectWantsThem) {
    struct Row {
        const char* what;
        bool synth;
        VstInt32 midiAnswer;
        bool wantsEvents;
        bool asksCanDo;
    };
    const Row rows[] = {
        {"plain effect, canDo 0", false, 0, false, true},
        {"plain effect, canDo -1", false, -1, false, true},
        {"canDo 1 for MIDI", false, 1, true, true},
        {"canDo 2 is not exactly 1", false, 2, false, true},
        {"a synth asks without consulting canDo", true, -1, true, false},
    };
    for (const Row& row : rows) {
        RecordingHost::reset();
        Listener effect;
        effect.midiAnswer = row.midiAnswer;
        effect.isSynth(row.synth);
        EXPECT_EQ(effect.dispatcher(effectOpcode::suspendOrResume, 0, 1, nullptr, 0.0f), 0) << row.what;
        EXPECT_EQ(effect.asked.size(), row.asksCanDo ? 1u : 0u) << row.what;
        if (row.wantsEvents) {
            ASSERT_EQ(RecordingHost::calls.size(), 1u) << row.what;
            EXPECT_EQ(RecordingHost::calls[0].opcode, hostOpcode::wantEvents) << row.what;
            EXPECT_EQ(RecordingHost::calls[0].value, 1) << row.what;
        } else {
            EXPECT_TRUE(RecordingHost::calls.empty()) << row.what;
        }
        RecordingHost::calls.clear();
        effect.dispatcher(effectOpcode::suspendOrResume, 0, 0, nullptr, 0.0f);
        EXPECT_TRUE(RecordingHost::calls.empty()) << row.what << ": suspend must call nothing";
    }
}

}  // namespace

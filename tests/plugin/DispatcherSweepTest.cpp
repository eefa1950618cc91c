// Every opcode, and a few outside the tables, through the dispatcher entry of
// the loaded module: the answer Glowmarsh gives, what it changes, and that it
// never calls back into the host while answering.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/plugin/LoadedGlowmarsh.h"
#include "tests/support/PointerWidth.h"

namespace {

using testhost::RecordingHost;

// Buffers a row may hand over; fresh for each row.
struct Scratch {
    char text[256];
    void* chunk = nullptr;
    VstSpeakerArrangement arrangement{};
    VstSpeakerArrangement* input = &arrangement;
    VstSpeakerArrangement* output = &arrangement;
};

enum class Ptr { None, Text, ChunkAddress, Arrangement, OutputAddress };

struct SweepRow {
    VstInt32 opcode;
    const char* what;
    VstInt32 index;
    VstIntPtr value;  // for Arrangement rows: replaced by the input address
    Ptr ptr;
    float opt;
    VstIntPtr reply;
    std::function<void(AudioEffect&, Scratch&)> check;  // optional
};

void* pointerFor(Ptr kind, Scratch& s) {
    switch (kind) {
        case Ptr::None: return nullptr;
        case Ptr::Text: return s.text;
        case Ptr::ChunkAddress: return &s.chunk;
        case Ptr::Arrangement: return &s.arrangement;
        case Ptr::OutputAddress: return &s.output;
    }
    return nullptr;
}

VstIntPtr valueFor(const SweepRow& row, Scratch& s) {
    if (row.ptr == Ptr::Arrangement) {
        return reinterpret_cast<VstIntPtr>(&s.arrangement);
    }
    if (row.ptr == Ptr::OutputAddress) {
        return reinterpret_cast<VstIntPtr>(&s.input);
    }
    return row.value;
}

auto textIs(const char* expected) {
    return [expected](AudioEffect&, Scratch& s) { EXPECT_STREQ(s.text, expected); };
}

const SweepRow kSweep[] = {
    {0, "open", 0, 0, Ptr::None, 0, 0, {}},
    {2, "setProgram 0: not below 0 programs", 0, 0, Ptr::None, 0, 0,
     [](AudioEffect& e, Scratch&) { EXPECT_EQ(e.getProgram(), 0); }},
    {3, "getProgram", 0, 0, Ptr::None, 0, 0, {}},
    {4, "setProgramName", 0, 0, Ptr::Text, 0, 0, {}},
    {5, "getProgramName", 0, 0, Ptr::Text, 0, 0, textIs("Default")},
    {6, "getParameterLabel", 0, 0, Ptr::Text, 0, 0, {}},
    {7, "getParameterDisplay", 0, 0, Ptr::Text, 0, 0, {}},
    {8, "getParameterName", 0, 0, Ptr::Text, 0, 0, {}},
    {9, "getVu", 0, 0, Ptr::None, 0, 0, {}},
    {10, "setSampleRate", 0, 0, Ptr::None, 48000.0f, 0,
     [](AudioEffect& e, Scratch&) { EXPECT_EQ(e.getSampleRate(), 48000.0f); }},
    {11, "setBlockSize", 0, 256, Ptr::None, 0, 0,
     [](AudioEffect& e, Scratch&) { EXPECT_EQ(e.getBlockSize(), 256); }},
    {12, "suspend", 0, 0, Ptr::None, 0, 0, {}},
    {12, "resume", 0, 7, Ptr::None, 0, 0, {}},
    {13, "editor: get rect", 0, 0, Ptr::ChunkAddress, 0, 0, {}},
    {14, "editor: open", 0, 0, Ptr::None, 0, 0, {}},
    {15, "editor: close", 0, 0, Ptr::None, 0, 0, {}},
    {16, "editor: draw", 0, 0, Ptr::None, 0, 0, {}},
    {17, "editor: mouse", 0, 0, Ptr::None, 0, 0, {}},
    {18, "editor: key", 0, 0, Ptr::None, 0, 0, {}},
    {19, "editor: idle", 0, 0, Ptr::None, 0, 0, {}},
    {20, "editor: top", 0, 0, Ptr::None, 0, 0, {}},
    {21, "editor: sleep", 0, 0, Ptr::None, 0, 0, {}},
    {22, "identify: 'NvEf' whatever the arguments", 9, 9, Ptr::Text, 9.0f, 0x4E764566, {}},
    {23, "getChunk: 12 bytes", 0, 0, Ptr::ChunkAddress, 0, 12,
     [](AudioEffect&, Scratch& s) { EXPECT_NE(s.chunk, nullptr); }},
    {24, "setChunk", 0, 12, Ptr::Text, 0, 0, {}},
    {25, "processEvents", 0, 0, Ptr::None, 0, 0, {}},
    {26, "canParameterBeAutomated, any index", 77, 0, Ptr::None, 0, 1, {}},
    {27, "string2parameter", 0, 0, Ptr::Text, 0, 0, {}},
    {28, "getNumCategories", 0, 0, Ptr::None, 0, 1, {}},
    {29, "getProgramNameIndexed", 0, 0, Ptr::Text, 0, 0, {}},
    {30, "copyProgram", 0, 0, Ptr::None, 0, 0, {}},
    {31, "inputConnected", 0, 1, Ptr::None, 0, 1, {}},
    {32, "outputConnected", 0, 1, Ptr::None, 0, 1, {}},
    {33, "getInputProperties", 0, 0, Ptr::Text, 0, 0, {}},
    {34, "getOutputProperties", 0, 0, Ptr::Text, 0, 0, {}},
    {35, "getPlugCategory: an effect", 0, 0, Ptr::None, 0, 1, {}},
    {36, "reportCurrentPosition", 0, 0, Ptr::None, 0, 0, {}},
    {37, "reportDestinationBuffer", 0, 0, Ptr::None, 0, 0, {}},
    {38, "offlineNotify", 0, 0, Ptr::None, 0, 0, {}},
    {39, "offlinePrepare", 0, 0, Ptr::None, 0, 0, {}},
    {40, "offlineRun", 0, 0, Ptr::None, 0, 0, {}},
    {41, "processVariableIo", 0, 0, Ptr::None, 0, 0, {}},
    {42, "setSpeakerArrangement: refused, untouched", 0, 0, Ptr::Arrangement, 0, 0,
     [](AudioEffect&, Scratch& s) {
         const VstSpeakerArrangement zero{};
         EXPECT_EQ(std::memcmp(&s.arrangement, &zero, sizeof zero), 0);
     }},
    {43, "setBlockSizeAndSampleRate", 0, 512, Ptr::None, 48000.0f, 1,
     [](AudioEffect& e, Scratch&) {
         EXPECT_EQ(e.getSampleRate(), 48000.0f);
         EXPECT_EQ(e.getBlockSize(), 512);
     }},
    {44, "setBypass", 0, 1, Ptr::None, 0, 0, {}},
    {45, "getEffectName", 0, 0, Ptr::Text, 0, 1, textIs("Glowmarsh")},
    {46, "getErrorText", 0, 0, Ptr::Text, 0, 0, {}},
    {47, "getVendorString", 0, 0, Ptr::Text, 0, 1, textIs("fernbridge")},
    {48, "getProductString", 0, 0, Ptr::Text, 0, 1, textIs("fernbridge Glowmarsh")},
    {49, "getVendorVersion", 0, 0, Ptr::None, 0, 1000, {}},
    {50, "vendorSpecific", 1, 2, Ptr::Text, 3.0f, 0, {}},
    {51, "canDo an unknown text", 0, 0, Ptr::Text, 0, -1, {}},
    {52, "getGetTailSize", 0, 0, Ptr::None, 0, 0, {}},
    {53, "fxIdle", 0, 0, Ptr::None, 0, 0, {}},
    {54, "getIcon", 0, 0, Ptr::None, 0, 0, {}},
    {55, "setViewPosition", 10, 20, Ptr::None, 0, 0, {}},
    {56, "getParameterProperties", 0, 0, Ptr::Text, 0, 0, {}},
    {57, "keysRequired: inverted, so 1", 0, 0, Ptr::None, 0, 1, {}},
    {58, "getVstVersion", 0, 0, Ptr::None, 0, 2400, {}},
    {59, "editor: key down", 0, 0, Ptr::None, 0, 0, {}},
    {60, "editor: key up", 0, 0, Ptr::None, 0, 0, {}},
    {61, "editor: knob mode", 0, 0, Ptr::None, 0, 0, {}},
    {62, "getMidiProgramName", 0, 0, Ptr::Text, 0, 0, {}},
    {63, "getCurrentMidiProgram: none", 0, 0, Ptr::Text, 0, -1, {}},
    {64, "getMidiProgramCategory", 0, 0, Ptr::Text, 0, 0, {}},
    {65, "hasMidiProgramsChanged", 0, 0, Ptr::None, 0, 0, {}},
    {66, "getMidiKeyName", 0, 0, Ptr::Text, 0, 0, {}},
    {67, "beginSetProgram", 0, 0, Ptr::None, 0, 0, {}},
    {68, "endSetProgram", 0, 0, Ptr::None, 0, 0, {}},
    {69, "getSpeakerArrangement: nulls both host pointers", 0, 0, Ptr::OutputAddress, 0, 0,
     [](AudioEffect&, Scratch& s) {
         EXPECT_EQ(s.input, nullptr);
         EXPECT_EQ(s.output, nullptr);
     }},
    {70, "getNextShellPlugin", 0, 0, Ptr::Text, 0, 0, {}},
    {71, "startProcess", 0, 0, Ptr::None, 0, 0, {}},
    {72, "stopProcess", 0, 0, Ptr::None, 0, 0, {}},
    {73, "setTotalSampleToProcess: echo", 0, 4096, Ptr::None, 0, 4096, {}},
    {74, "setPanLaw", 0, 1, Ptr::None, 0.5f, 0, {}},
    {75, "beginLoadBank", 0, 0, Ptr::Text, 0, 0, {}},
    {76, "beginLoadProgram", 0, 0, Ptr::Text, 0, 0, {}},
    {77, "setProcessPrecision: answered 0, not stored", 0, 1, Ptr::None, 0, 0, {}},
    {78, "getNumMidiInputChannels", 0, 0, Ptr::None, 0, 0, {}},
    {79, "getNumMidiOutputChannels", 0, 0, Ptr::None, 0, 0, {}},
    {-1, "below the tables", 0, 0, Ptr::Text, 0, 0, {}},
    {80, "just past the tables", 0, 0, Ptr::Text, 0, 0, {}},
    {1000, "far past the tables", 0, 0, Ptr::Text, 0, 0, {}},
    {INT_MIN, "most negative opcode", 0, 0, Ptr::Text, 0, 0, {}},
    {INT_MAX, "largest opcode", 0, 0, Ptr::Text, 0, 0, {}},
};

using DispatcherSweep = LoadedGlowmarsh;

TEST_F(DispatcherSweep, EveryOpcodeAnswersAndCallsNoHost) {
    for (const SweepRow& row : kSweep) {
        SCOPED_TRACE(testing::Message() << "opcode " << row.opcode << " (" << row.what << ")");
        AEffect* e = create();
        ASSERT_NE(e, nullptr);
        RecordingHost::calls.clear();
        Scratch scratch;
        std::memset(scratch.text, 0, sizeof scratch.text);
        EXPECT_EQ(dispatch(e, row.opcode, row.index, valueFor(row, scratch), pointerFor(row.ptr, scratch), row.opt),
                  row.reply);
        if (row.check) {
            row.check(*objectOf(e), scratch);
        }
        EXPECT_TRUE(RecordingHost::calls.empty());
        EXPECT_EQ(close(e), 1);
        EXPECT_TRUE(RecordingHost::calls.empty()) << "closing called the host";
    }
}

TEST_F(DispatcherSweep, EveryOpcodeOfBothTablesIsSwept) {
    std::vector<bool> seen(80, false);
    for (const SweepRow& row : kSweep) {
        if (row.opcode >= 0 && row.opcode < 80) {
            seen[static_cast<std::size_t>(row.opcode)] = true;
        }
    }
    seen[1] = true;  // close: every row ends with it
    for (VstInt32 opcode = 0; opcode < 80; ++opcode) {
        EXPECT_TRUE(seen[static_cast<std::size_t>(opcode)]) << "opcode " << opcode << " has no row";
    }
}

TEST_F(DispatcherSweep, CloseOnTheDispatcherItselfAnswersZeroButTheRecordAnswersOne) {
    AEffect* e = create();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(objectOf(e)->dispatcher(1, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(close(e), 1);
}

TEST_F(DispatcherSweep, ProgramRuleWithNoPrograms) {
    struct Row {
        const char* what;
        VstIntPtr value;
        VstIntPtr program;
    };
    std::vector<Row> rows = {
        {"0 is not below 0 programs", 0, 0},
        {"1 is not below 0 programs", 1, 0},
        {"-1 is below: stored", -1, -1},
        {"most negative 32-bit value is stored", INT_MIN, INT_MIN},
    };
    if (pointerwidth::kWideIntPtr) {
        rows.push_back({"beyond 32 bits is ignored", pointerwidth::intPtr(std::int64_t{INT_MIN} - 1), 0});
    }
    for (const Row& row : rows) {
        AEffect* e = create();
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(dispatch(e, 2, 0, row.value), 0) << row.what;
        EXPECT_EQ(dispatch(e, 3), row.program) << row.what;
        close(e);
    }
}

TEST_F(DispatcherSweep, SampleRateAndBlockSizeStartAtTheirDefaults) {
    AEffect* e = create();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(objectOf(e)->getSampleRate(), 44100.0f);
    EXPECT_EQ(objectOf(e)->getBlockSize(), 1024);
    close(e);
}

}  // namespace

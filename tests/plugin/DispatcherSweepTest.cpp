// Every opcode, and a few outside the tables, through the dispatcher entry of
// the loaded module: the answer Glowmarsh gives, what it changes, and that it
// never calls back into the host while answering or closing. Opcodes without
// a row answer 0 to (index 0, value 0, an empty text, opt 0).
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <map>
#include <string>
#include <tuple>

#include "host/CanDos.h"
#include "tests/plugin/LoadedGlowmarsh.h"
#include "tests/support/GuardedText.h"

namespace {

using testhost::RecordingHost;

// What a row may hand over; fresh for each row. The text is empty, in a
// 65-byte buffer between guard bytes.
struct Scratch {
    Scratch() { text.data()[0] = '\0'; }
    testsupport::GuardedText text{65};
    void* chunk = nullptr;
    VstSpeakerArrangement arrangement{};
    VstSpeakerArrangement* input = &arrangement;
    VstSpeakerArrangement* output = &arrangement;
};

// ptr: the text; null; the chunk address; the arrangement, also as value (42);
// the output arrangement's address with the input's as value (69).
enum class Ptr { Text, None, ChunkAddress, Arrangement, Addresses };

// After each row the instance's program, rate and block size must be the given
// ones (so no other opcode changes them), and the text the given one.
struct SweepRow {
    VstInt32 opcode;
    const char* what;
    VstIntPtr reply;
    VstInt32 index = 0;
    VstIntPtr value = 0;
    Ptr ptr = Ptr::Text;
    float opt = 0.0f;
    const char* text = "";  // a name (reply 1) is a bounded copy writing exactly 65 bytes
    VstInt32 program = 0;
    float sampleRate = 44100.0f;
    VstInt32 blockSize = 1024;
};

const SweepRow kRows[] = {
    {2, "setProgram 0: not below 0 programs", 0, 0, 0},
    {2, "setProgram -1: below 0 programs", 0, 0, -1, Ptr::None, 0, "", -1},
    {5, "getProgramName", 0, 0, 0, Ptr::Text, 0, "Default"},
    {7, "getParameterDisplay 0", 0, 0, 0, Ptr::Text, 0, "1.000000"},
    {8, "getParameterName 0", 0, 0, 0, Ptr::Text, 0, "Sustain"},
    {10, "setSampleRate", 0, 0, 0, Ptr::None, 48000.0f, "", 0, 48000.0f},
    {11, "setBlockSize", 0, 0, 256, Ptr::None, 0, "", 0, 44100.0f, 256},
    {12, "resume", 0, 0, 7},
    {22, "identify: 'NvEf' whatever the arguments", 0x4E764566, 9, 9, Ptr::Text, 9.0f},
    {23, "getChunk: 12 bytes", 12, 0, 0, Ptr::ChunkAddress},
    {26, "canParameterBeAutomated, any index", 1, 77},
    {28, "getNumCategories", 1},
    {31, "inputConnected", 1, 0, 1},
    {32, "outputConnected", 1, 0, 1},
    {35, "getPlugCategory: an effect", 1},
    {42, "setSpeakerArrangement: refused, untouched", 0, 0, 0, Ptr::Arrangement},
    {43, "setBlockSizeAndSampleRate", 1, 0, 512, Ptr::None, 48000.0f, "", 0, 48000.0f, 512},
    {45, "getEffectName", 1, 0, 0, Ptr::Text, 0, "Glowmarsh"},
    {47, "getVendorString", 1, 0, 0, Ptr::Text, 0, "fernbridge"},
    {48, "getProductString", 1, 0, 0, Ptr::Text, 0, "fernbridge Glowmarsh"},
    {45, "getEffectName without a buffer", 0, 0, 0, Ptr::None},
    {47, "getVendorString without a buffer", 0, 0, 0, Ptr::None},
    {48, "getProductString without a buffer", 0, 0, 0, Ptr::None},
    {49, "getVendorVersion", 1000},
    {51, "canDo of an empty text", -1},
    {57, "keysRequired: inverted, so 1", 1},
    {58, "getVstVersion", 2400},
    {63, "getCurrentMidiProgram: none", -1},
    {69, "getSpeakerArrangement: nulls both host pointers", 0, 0, 0, Ptr::Addresses},
    {69, "getSpeakerArrangement: null addresses are not written through", 0, 0, 0, Ptr::None},
    {73, "setTotalSampleToProcess: echo", 4096, 0, 4096},
    {73, "setTotalSampleToProcess: echo of a negative value", -5, 0, -5},
};

void* pointerFor(Ptr kind, Scratch& s) {
    switch (kind) {
        case Ptr::Text: return s.text.data();
        case Ptr::None: return nullptr;
        case Ptr::ChunkAddress: return &s.chunk;
        case Ptr::Arrangement: return &s.arrangement;
        case Ptr::Addresses: return &s.output;
    }
    return nullptr;
}

VstIntPtr valueFor(const SweepRow& row, Scratch& s) {
    switch (row.ptr) {
        case Ptr::Arrangement: return reinterpret_cast<VstIntPtr>(&s.arrangement);
        case Ptr::Addresses: return reinterpret_cast<VstIntPtr>(&s.input);
        default: return row.value;
    }
}

using DispatcherSweep = LoadedGlowmarsh;

TEST_F(DispatcherSweep, EveryOpcodeAnswersAndCallsNoHost) {
    std::multimap<VstInt32, SweepRow> rows;
    for (const SweepRow& row : kRows) {
        rows.emplace(row.opcode, row);
    }
    for (VstInt32 opcode = -1; opcode <= 80; ++opcode) {
        if (opcode != 1 && rows.count(opcode) == 0) {
            rows.emplace(opcode, SweepRow{opcode, "answers 0", 0});  // close ends every row
        }
    }
    for (VstInt32 opcode : {1000, INT_MIN, INT_MAX}) {
        rows.emplace(opcode, SweepRow{opcode, "outside the tables", 0});
    }
    for (const auto& [opcode, row] : rows) {
        SCOPED_TRACE(testing::Message() << "opcode " << opcode << " (" << row.what << ")");
        AEffect* e = create();
        ASSERT_NE(e, nullptr);
        RecordingHost::calls.clear();
        Scratch scratch;
        EXPECT_EQ(dispatch(e, opcode, row.index, valueFor(row, scratch), pointerFor(row.ptr, scratch), row.opt),
                  row.reply);
        AudioEffectX& object = *objectOf(e);
        EXPECT_EQ(std::make_tuple(object.getProgram(), object.getSampleRate(), object.getBlockSize()),
                  std::make_tuple(row.program, row.sampleRate, row.blockSize));
        EXPECT_EQ(scratch.text.text(), row.text);
        if (row.reply == 1 && *row.text) {
            EXPECT_EQ(scratch.text.fault(), "");
        }
        EXPECT_EQ(scratch.chunk != nullptr, opcode == 23) << "the chunk's address";
        const VstSpeakerArrangement zero{};
        EXPECT_EQ(std::memcmp(&scratch.arrangement, &zero, sizeof zero), 0) << "the host's arrangement";
        EXPECT_EQ(scratch.input == nullptr && scratch.output == nullptr, row.ptr == Ptr::Addresses);
        if (opcode == 35) {
            object.isSynth(true);
            EXPECT_EQ(e->flags, 0x1130);
            EXPECT_EQ(dispatch(e, 35), 1) << "a synth flag does not change Glowmarsh's category";
        }
        EXPECT_EQ(dispatch(e, 1), 1);
        EXPECT_TRUE(RecordingHost::calls.empty());
    }
}

TEST_F(DispatcherSweep, CanDoAnswersOneOnlyForItsOwnCapabilitiesExactly) {
    const std::string longText(1000, 'p');
    struct Row { const char* what; const char* text; VstIntPtr reply; };  // text may be null
    const Row rows[] = {
        {"channel insert", "plugAsChannelInsert", 1}, {"send", "plugAsSend", 1}, {"stereo", "x2in2out", 1},
        {"capital first letter", "PlugAsSend", -1}, {"trailing space", "plugAsSend ", -1},
        {"leading space", " plugAsSend", -1}, {"prefix only", "plugAs", -1}, {"trailing newline", "x2in2out\n", -1},
        {"no text", nullptr, -1}, {"a long text", longText.c_str(), -1},
        {"MIDI, as resume asks", PlugCanDos::canDoReceiveVstMidiEvent, -1}, {"bypass", PlugCanDos::canDoBypass, -1},
    };
    AEffect* e = create();
    ASSERT_NE(e, nullptr);
    for (const Row& row : rows) {
        EXPECT_EQ(dispatch(e, 51, 0, 0, const_cast<char*>(row.text)), row.reply) << row.what;
    }
    dispatch(e, 1);
}

}  // namespace

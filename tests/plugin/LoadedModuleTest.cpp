// Glowmarsh.so as a host sees it: the entry points, and every opcode (and a
// few outside the tables) through the record's dispatcher, with the answer
// Glowmarsh gives, what it changes, and that it never calls back into the
// host while answering or closing. The record's field values and offsets are
// checked byte by byte in target/RecordBytesTest.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "host/AudioEffectX.h"
#include "host/CanDos.h"
#include "tests/hosttest/HostedEffect.h"
#include "tests/support/GuardedText.h"
#include "tests/support/RecordingHost.h"

namespace {

using testhost::RecordingHost;

AEffect* create(vsthost::EntryProc entry = hosttest::glowmarshLibrary()->entryPoint()) {
    return entry(RecordingHost::callback);
}
VstIntPtr dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f) {
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}
// The instance behind a record, reached through the module's own table.
AudioEffectX& objectOf(AEffect* e) {
    return *static_cast<AudioEffectX*>(static_cast<AudioEffect*>(e->object));
}

TEST(Entry, OneVersionQueryWithNullArgumentsAndOnlyAnAnswerOfZeroRefuses) {
    for (VstIntPtr answer : {VstIntPtr{0}, VstIntPtr{1}, VstIntPtr{-1}, VstIntPtr{2400}}) {
        RecordingHost::reset(testhost::always(answer));
        AEffect* e = create();
        EXPECT_EQ(e != nullptr, answer != 0) << "version " << answer;
        ASSERT_EQ(RecordingHost::calls.size(), 1u) << "version " << answer;
        const testhost::HostCall& c = RecordingHost::calls[0];
        EXPECT_EQ(std::make_tuple(c.effect, c.opcode, c.index, c.value, c.ptr, c.opt),
                  std::make_tuple(nullptr, 1, 0, 0, nullptr, 0.0f));
        if (e != nullptr) {
            EXPECT_EQ(objectOf(e).getAeffect(), e);
            EXPECT_EQ(dispatch(e, 1), 1) << "close through the record";
        }
    }
}

// main_macho's record equals VSTPluginMain's but for its object; the two
// instances share nothing; the accumulating entry leaves outputs as they were.
TEST(Entry, MainMachoGivesAnIndependentInstanceAndAccumulatingProcessTouchesNothing) {
    RecordingHost::reset();
    auto macho = reinterpret_cast<vsthost::EntryProc>(hosttest::glowmarshLibrary()->symbol("main_macho"));
    ASSERT_NE(macho, nullptr);
    AEffect* a = create();
    AEffect* b = create(macho);
    ASSERT_TRUE(a != nullptr && b != nullptr);
    EXPECT_NE(a->object, b->object);
    AEffect copy = *b;
    copy.object = a->object;
    EXPECT_EQ(std::memcmp(&copy, a, sizeof copy), 0);
    a->setParameter(a, 2, 0.75f);
    EXPECT_EQ(a->getParameter(a, 2), 0.75f);
    EXPECT_EQ(b->getParameter(b, 2), 0.2f);
    std::vector<float> in(64, 0.5f), outL(64, 3.0f), outR(64, 4.0f);
    float* inputs[] = {in.data(), in.data()};
    float* outputs[] = {outL.data(), outR.data()};
    a->process(a, inputs, outputs, 64);
    EXPECT_EQ(outL, std::vector<float>(64, 3.0f));
    EXPECT_EQ(outR, std::vector<float>(64, 4.0f));
    EXPECT_EQ(dispatch(a, 1), 1);
    EXPECT_EQ(dispatch(b, 1), 1);
}

// What a row hands over; fresh for each row. The text is empty, in a 65-byte
// buffer between guard bytes.
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

std::pair<VstIntPtr, void*> arguments(Ptr kind, VstIntPtr value, Scratch& s) {
    switch (kind) {
        case Ptr::Text: return {value, s.text.data()};
        case Ptr::None: return {value, nullptr};
        case Ptr::ChunkAddress: return {value, &s.chunk};
        case Ptr::Arrangement: return {reinterpret_cast<VstIntPtr>(&s.arrangement), &s.arrangement};
        case Ptr::Addresses: return {reinterpret_cast<VstIntPtr>(&s.input), &s.output};
    }
    return {};
}

// After each row the instance's program, rate and block size must be the given
// ones (so no other opcode changes them), and the text the given one. Opcodes
// without a row answer 0 to (index 0, value 0, an empty text, opt 0), opcode 2
// included: program 0 is not below 0 programs.
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

TEST(DispatcherSweep, EveryOpcodeAnswersAndCallsNoHost) {
    std::multimap<VstInt32, SweepRow> rows;
    for (const SweepRow& row : kRows) {
        rows.emplace(row.opcode, row);
    }
    for (VstInt32 opcode : {-1, 80, 1000, INT_MIN, INT_MAX}) {
        rows.emplace(opcode, SweepRow{opcode, "outside the tables", 0});
    }
    for (VstInt32 opcode = 0; opcode < 80; ++opcode) {
        if (opcode != 1 && rows.count(opcode) == 0) {
            rows.emplace(opcode, SweepRow{opcode, "answers 0", 0});  // close ends every row
        }
    }
    RecordingHost::reset();
    for (const auto& [opcode, row] : rows) {
        SCOPED_TRACE(testing::Message() << "opcode " << opcode << " (" << row.what << ")");
        AEffect* e = create();
        ASSERT_NE(e, nullptr);
        RecordingHost::calls.clear();
        Scratch scratch;
        const auto [value, ptr] = arguments(row.ptr, row.value, scratch);
        EXPECT_EQ(dispatch(e, opcode, row.index, value, ptr, row.opt), row.reply);
        AudioEffectX& object = objectOf(e);
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
        EXPECT_EQ(dispatch(e, 1), 1);
        EXPECT_TRUE(RecordingHost::calls.empty());
    }
}

TEST(DispatcherSweep, CanDoAnswersOneOnlyForItsOwnCapabilitiesExactly) {
    const std::string longText(1000, 'p');
    struct Row { const char* what; const char* text; VstIntPtr reply; };  // text may be null
    const Row rows[] = {
        {"channel insert", "plugAsChannelInsert", 1}, {"send", "plugAsSend", 1}, {"stereo", "x2in2out", 1},
        {"capital first letter", "PlugAsSend", -1}, {"trailing space", "plugAsSend ", -1},
        {"leading space", " plugAsSend", -1}, {"prefix only", "plugAs", -1}, {"trailing newline", "x2in2out\n", -1},
        {"no text", nullptr, -1}, {"a long text", longText.c_str(), -1},
        {"MIDI, as resume asks", PlugCanDos::canDoReceiveVstMidiEvent, -1}, {"bypass", PlugCanDos::canDoBypass, -1},
    };
    RecordingHost::reset();
    AEffect* e = create();
    ASSERT_NE(e, nullptr);
    for (const Row& row : rows) {
        EXPECT_EQ(dispatch(e, 51, 0, 0, const_cast<char*>(row.text)), row.reply) << row.what;
    }
    dispatch(e, 1);
}

}  // namespace

// Glowmarsh.so as a host sees it, loaded through tools/vsthost: the entry
// points, every opcode through the record's dispatcher with the answer, the
// text and the state change each gives, and the chunk. The record's bytes and
// the output bits of both processing entries are in target/.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "host/AudioEffectX.h"
#include "tests/support/Hosted.h"
#include "tests/support/RecordingHost.h"

namespace {

using testhost::RecordingHost;

// The instance behind a record, reached through the module's own table of
// virtual operations.
AudioEffectX& objectOf(AEffect* e) {
    return *static_cast<AudioEffectX*>(static_cast<AudioEffect*>(e->object));
}

TEST(Entry, OneVersionQueryAndTwoEntryPointsGivingIndependentInstances) {
    for (VstIntPtr answer : {VstIntPtr{0}, VstIntPtr{1}, VstIntPtr{-1}, VstIntPtr{2400}}) {
        RecordingHost::reset(testhost::always(answer));
        AEffect* e = hosted::library()->create(RecordingHost::callback);
        EXPECT_EQ(e != nullptr, answer != 0) << "version " << answer;
        ASSERT_EQ(RecordingHost::calls.size(), 1u) << "version " << answer;
        const testhost::HostCall& c = RecordingHost::calls[0];
        EXPECT_EQ(std::make_tuple(c.effect, c.opcode, c.index, c.value, c.ptr, c.opt),
                  std::make_tuple(nullptr, 1, 0, 0, nullptr, 0.0f));
        if (e != nullptr) {
            EXPECT_EQ(objectOf(e).getAeffect(), e);
            EXPECT_EQ(e->dispatcher(e, 1, 0, 0, nullptr, 0.0f), 1);
        }
    }
    // The second entry point (main_macho; a DLL's is main) gives a record equal
    // to VSTPluginMain's but for its object, the two instances share nothing,
    // and the accumulating entry writes nothing.
#if defined(_WIN32)
    auto second = reinterpret_cast<vsthost::EntryProc>(hosted::library()->symbol("main"));
#else
    auto second = reinterpret_cast<vsthost::EntryProc>(hosted::library()->symbol("main_macho"));
#endif
    ASSERT_NE(second, nullptr);
    RecordingHost::reset();
    AEffect *a = hosted::library()->create(RecordingHost::callback), *b = second(RecordingHost::callback);
    AEffect copy = *b;
    copy.object = a->object;
    EXPECT_TRUE(a->object != b->object && std::memcmp(&copy, a, sizeof copy) == 0);
    a->setParameter(a, 2, 0.75f);
    EXPECT_EQ(std::tuple(a->getParameter(a, 2), b->getParameter(b, 2)), std::tuple(0.75f, 0.2f));
    float in[4] = {0.5f, 0.5f, 0.5f, 0.5f}, out[4] = {3.0f, 3.0f, 3.0f, 3.0f};
    float *inputs[] = {in, in}, *outputs[] = {out, out};
    a->process(a, inputs, outputs, 4);
    EXPECT_EQ(std::vector<float>(out, out + 4), std::vector<float>(4, 3.0f));
    EXPECT_EQ(a->dispatcher(a, 1, 0, 0, nullptr, 0.0f) + b->dispatcher(b, 1, 0, 0, nullptr, 0.0f), 2);
}

// Every opcode from -1 to 80 (close aside) and a few far outside, each on a
// fresh instance with index 1, value 5, opt 48000 and a text buffer (or the
// chunk address, or arrangements where the opcode takes them). What each
// answers and writes is Glowmarsh's, so an opcode routed to a neighbour or an
// argument taken from the wrong place fails its row; no opcode calls the host.
TEST(Dispatcher, EveryOpcodeAnswersWritesAndChangesWhatItShould) {
    constexpr VstIntPtr kValue = 5;
    struct Expect { VstIntPtr answer = 0; const char* text = ""; std::size_t written = 0; };  // bytes of the text buffer
    const std::map<VstInt32, Expect> expected = {
        {5, {0, "Default", 25}}, {6, {0, "", 9}}, {7, {0, "0.699999", 9}}, {8, {0, "Grain", 9}}, {22, {0x4E764566}},
        {23, {12}}, {26, {1}}, {28, {1}}, {31, {1}}, {32, {1}}, {35, {1}}, {43, {1}}, {45, {1, "Glowmarsh", 33}},
        {47, {1, "fernbridge", 65}}, {48, {1, "fernbridge Glowmarsh", 65}}, {49, {1000}}, {51, {-1}}, {57, {1}},
        {58, {2400}}, {63, {-1}}, {73, {kValue}}};
    std::vector<VstInt32> opcodes = {1000, INT_MIN, INT_MAX};
    for (VstInt32 opcode = -1; opcode <= 80; ++opcode) opcodes.push_back(opcode);
    RecordingHost::reset();
    for (VstInt32 opcode : opcodes) {
        if (opcode == 1) continue;  // close: every row ends with it
        SCOPED_TRACE(testing::Message() << "opcode " << opcode);
        AEffect* e = hosted::library()->create(RecordingHost::callback);
        ASSERT_NE(e, nullptr);
        RecordingHost::calls.clear();
        unsigned char text[80];
        std::memset(text, 0xFF, sizeof text);
        text[0] = 0;
        void* chunk = nullptr;
        VstSpeakerArrangement arrangement{}, *input = &arrangement, *output = &arrangement;
        VstIntPtr value = kValue;
        void* ptr = text;
        if (opcode == 23) ptr = &chunk;
        if (opcode == 42) value = reinterpret_cast<VstIntPtr>(&arrangement), ptr = &arrangement;
        if (opcode == 69) value = reinterpret_cast<VstIntPtr>(&input), ptr = &output;
        const Expect want = expected.contains(opcode) ? expected.at(opcode) : Expect{};
        EXPECT_EQ(e->dispatcher(e, opcode, 1, value, ptr, 48000.0f), want.answer);
        EXPECT_STREQ(reinterpret_cast<char*>(text), want.text);
        std::size_t i = std::strlen(want.text);
        while (i < sizeof text && text[i] == (i < std::max<std::size_t>(want.written, 1) ? 0 : 0xFF)) ++i;
        EXPECT_EQ(i, sizeof text) << "text byte " << i << " is not zero up to byte " << want.written << " and untouched after";
        const bool rate = opcode == 10 || opcode == 43, size = opcode == 11 || opcode == 43;
        AudioEffectX& object = objectOf(e);
        EXPECT_EQ(std::tuple(object.getProgram(), object.getSampleRate(), object.getBlockSize()),
                  std::tuple(0, rate ? 48000.0f : 44100.0f, size ? VstInt32{kValue} : 1024));
        EXPECT_EQ(std::tuple(e->getParameter(e, 0), e->getParameter(e, 1), e->getParameter(e, 2)),
                  std::tuple(1.0f, 0.7f, 0.2f));
        EXPECT_EQ(chunk != nullptr, opcode == 23);
        EXPECT_EQ(input == nullptr && output == nullptr, opcode == 69);
        const VstSpeakerArrangement untouched{};
        EXPECT_EQ(std::memcmp(&arrangement, &untouched, sizeof untouched), 0) << "the host's arrangement";
        EXPECT_EQ(e->dispatcher(e, 1, 0, 0, nullptr, 0.0f), 1);
        EXPECT_TRUE(RecordingHost::calls.empty());
    }
}

// Program numbers below the (zero) program count, the program name's limit,
// and canDo's exact match.
TEST(Dispatcher, ProgramNameAndCapabilities) {
    auto plugin = hosted::create();
    plugin->dispatch(2, 0, -1);
    EXPECT_EQ(plugin->dispatch(3), -1);
    char name[] = "abcdefghijklmnopqrstuvwxyz0123";
    plugin->dispatch(4, 0, 0, name);
    EXPECT_EQ(plugin->programName(), "abcdefghijklmnopqrstuvwx");
    const std::pair<const char*, VstIntPtr> rows[] = {
        {"plugAsChannelInsert", 1}, {"plugAsSend", 1}, {"x2in2out", 1}, {"PlugAsSend", -1}, {"plugAsSend ", -1},
        {"x2in2out\n", -1}, {"", -1}, {"receiveVstMidiEvent", -1}};
    for (const auto& [text, answer] : rows) EXPECT_EQ(plugin->canDo(text), answer) << "\"" << text << "\"";
}

std::vector<std::uint32_t> parameterBits(vsthost::Plugin& plugin) {
    std::vector<std::uint32_t> bits;
    for (VstInt32 i = 0; i < 3; ++i) bits.push_back(std::bit_cast<std::uint32_t>(plugin.parameter(i)));
    return bits;
}

// Saved state loads into another instance and saves again byte for byte;
// values outside 0..1 are clamped (NaN to 0); a chunk without twelve bytes
// changes nothing. Each chunk lies in a heap block of exactly its size, so
// under AddressSanitizer a read past it stops the test, and LeakSanitizer
// reports a chunk block an instance leaves behind.
TEST(Chunk, RoundTripClampingAndShortChunks) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> rows[] = {{0.125f, 0.99999994f, 1e-30f}, {0.0f, 1.0f, -0.0f}, {-0.5f, 1.5f, nan}};
    for (const auto& values : rows) {
        auto first = hosted::create(), second = hosted::create();
        const auto given = std::bit_cast<std::array<std::uint8_t, 12>>(std::array<float, 3>{values[0], values[1], values[2]});
        EXPECT_EQ(first->setChunk(given, false), 0);
        const std::vector<std::uint8_t> saved = first->chunk(false);
        EXPECT_EQ(second->setChunk(saved, true), 0);
        EXPECT_EQ(second->chunk(true), saved);
        for (VstInt32 i = 0; i < 3; ++i) {
            const float v = values[i], want = v >= 0.0f ? std::fmin(v, 1.0f) : 0.0f;
            EXPECT_EQ(std::bit_cast<std::uint32_t>(second->parameter(i)), std::bit_cast<std::uint32_t>(want)) << v;
        }
    }
    for (int bytes = -1; bytes < 12; ++bytes) {
        auto plugin = hosted::create();
        plugin->setParameter(0, 0.125f);
        const auto before = parameterBits(*plugin);
        std::unique_ptr<std::uint8_t[]> block(bytes < 0 ? nullptr : new std::uint8_t[bytes]);
        if (block) std::memset(block.get(), 0x3E, bytes);  // 0.18 in every value, were it read
        EXPECT_EQ(plugin->dispatch(24, 0, bytes < 0 ? 12 : bytes, block.get()), 0) << bytes << " bytes";
        EXPECT_EQ(parameterBits(*plugin), before) << bytes << " bytes (-1: null, claiming 12)";
        EXPECT_EQ(plugin->dispatch(23, 0, 0, nullptr), 0) << "no place for the chunk's address";
    }
}

}  // namespace

// Every call the effect makes to its host: the host opcode, where each
// argument goes, what the effect makes of the answer, and what it gives
// without a host at all.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "host/Opcodes.h"
#include "tests/host/BareEffect.h"
#include "tests/support/PointerWidth.h"

namespace {

using testhost::always;
using testhost::RecordingHost;

enum class Reduce {
    None,        // nothing is returned
    Answer,      // the answer, narrowed to 32 bits
    Whole,       // the answer, at full width
    Address,     // the answer's bits as a pointer
    YesNo,       // 1 for any non-zero answer
    ExactlyOne,  // 1 only for an answer of 1
    Inverted,    // 1 only for an answer of 0
    Version,     // the answer narrowed, but 1 for 0
};

VstIntPtr reduce(Reduce how, VstIntPtr answer) {
    switch (how) {
        case Reduce::None: return 0;
        case Reduce::Answer: return static_cast<VstInt32>(answer);
        case Reduce::Whole:
        case Reduce::Address: return answer;
        case Reduce::YesNo: return answer != 0;
        case Reduce::ExactlyOne: return answer == 1;
        case Reduce::Inverted: return answer == 0;
        case Reduce::Version: return static_cast<VstInt32>(answer) != 0 ? static_cast<VstInt32>(answer) : 1;
    }
    return -999;
}

template <typename T>
T* fake(std::uintptr_t bits) {
    return reinterpret_cast<T*>(bits);
}

VstIntPtr bitsOf(const void* p) {
    return reinterpret_cast<VstIntPtr>(p);
}

char kText[] = "sizeWindow";

struct HostCallRow {
    const char* what;
    std::function<VstIntPtr(BareEffect&)> call;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    const void* ptr;
    float opt;
    Reduce reduce;
    VstIntPtr withoutHost;
};

const HostCallRow kRows[] = {
    {"setParameterAutomated", [](BareEffect& e) { e.setParameterAutomated(2, 0.5f); return 0; }, 0, 2, 0, nullptr, 0.5f, Reduce::None, 0},
    {"getMasterVersion", [](BareEffect& e) { return e.getMasterVersion(); }, 1, 0, 0, nullptr, 0, Reduce::Version, 1},
    {"getCurrentUniqueId", [](BareEffect& e) { return e.getCurrentUniqueId(); }, 2, 0, 0, nullptr, 0, Reduce::Answer, 0},
    {"masterIdle", [](BareEffect& e) { e.masterIdle(); return 0; }, 3, 0, 0, nullptr, 0, Reduce::None, 0},
    {"isInputConnected", [](BareEffect& e) { return e.isInputConnected(3); }, 4, 3, 0, nullptr, 0, Reduce::Inverted, 1},
    {"isOutputConnected", [](BareEffect& e) { return e.isOutputConnected(1); }, 4, 1, 1, nullptr, 0, Reduce::Inverted, 1},
    {"wantEvents", [](BareEffect& e) { e.wantEvents(5); return 0; }, 6, 0, 5, nullptr, 0, Reduce::None, 0},
    {"getTimeInfo", [](BareEffect& e) { return bitsOf(e.getTimeInfo(0x30)); }, 7, 0, 0x30, nullptr, 0, Reduce::Address, 0},
    {"sendVstEventsToHost", [](BareEffect& e) { return e.sendVstEventsToHost(fake<VstEvents>(0x100)); }, 8, 0, 0, fake<void>(0x100), 0, Reduce::ExactlyOne, 0},
    {"tempoAt", [](BareEffect& e) { return e.tempoAt(44100); }, 10, 0, 44100, nullptr, 0, Reduce::Answer, 0},
    {"getNumAutomatableParameters", [](BareEffect& e) { return e.getNumAutomatableParameters(); }, 11, 0, 0, nullptr, 0, Reduce::Answer, 0},
    {"getParameterQuantization", [](BareEffect& e) { return e.getParameterQuantization(); }, 12, 0, 0, nullptr, 0, Reduce::Answer, 0},
    {"ioChanged", [](BareEffect& e) { return e.ioChanged(); }, 13, 0, 0, nullptr, 0, Reduce::YesNo, 0},
    {"needIdle", [](BareEffect& e) { return e.needIdle(); }, 14, 0, 0, nullptr, 0, Reduce::YesNo, 0},
    {"sizeWindow: width in index, height in value", [](BareEffect& e) { return e.sizeWindow(640, 480); }, 15, 640, 480, nullptr, 0, Reduce::YesNo, 0},
    {"getInputLatency", [](BareEffect& e) { return e.getInputLatency(); }, 18, 0, 0, nullptr, 0, Reduce::Answer, 0},
    {"getOutputLatency", [](BareEffect& e) { return e.getOutputLatency(); }, 19, 0, 0, nullptr, 0, Reduce::Answer, 0},
    {"getPreviousPlug: number not passed", [](BareEffect& e) { return bitsOf(e.getPreviousPlug(3)); }, 20, 0, 0, nullptr, 0, Reduce::Address, 0},
    {"getNextPlug: number not passed", [](BareEffect& e) { return bitsOf(e.getNextPlug(4)); }, 21, 0, 0, nullptr, 0, Reduce::Address, 0},
    {"willProcessReplacing", [](BareEffect& e) { return e.willProcessReplacing(); }, 22, 0, 0, nullptr, 0, Reduce::Answer, 0},
    {"getCurrentProcessLevel", [](BareEffect& e) { return e.getCurrentProcessLevel(); }, 23, 0, 0, nullptr, 0, Reduce::Answer, 0},
    {"getAutomationState", [](BareEffect& e) { return e.getAutomationState(); }, 24, 0, 0, nullptr, 0, Reduce::Answer, 0},
    {"offlineStart: new count in index, count in value", [](BareEffect& e) { return e.offlineStart(fake<VstAudioFile>(0x200), 3, 4); }, 25, 4, 3, fake<void>(0x200), 0, Reduce::YesNo, 0},
    {"offlineRead from source", [](BareEffect& e) { return e.offlineRead(fake<VstOfflineTask>(0x300), 7, true); }, 26, 1, 7, fake<void>(0x300), 0, Reduce::YesNo, 0},
    {"offlineRead from destination", [](BareEffect& e) { return e.offlineRead(fake<VstOfflineTask>(0x300), 7, false); }, 26, 0, 7, fake<void>(0x300), 0, Reduce::YesNo, 0},
    {"offlineWrite", [](BareEffect& e) { return e.offlineWrite(fake<VstOfflineTask>(0x300), 7); }, 27, 0, 7, fake<void>(0x300), 0, Reduce::YesNo, 0},
    {"offlineGetCurrentPass", [](BareEffect& e) { return e.offlineGetCurrentPass(); }, 28, 0, 0, nullptr, 0, Reduce::YesNo, 0},
    {"offlineGetCurrentMetaPass", [](BareEffect& e) { return e.offlineGetCurrentMetaPass(); }, 29, 0, 0, nullptr, 0, Reduce::YesNo, 0},
    {"setOutputSamplerate", [](BareEffect& e) { e.setOutputSamplerate(48000.0f); return 0; }, 30, 0, 0, nullptr, 48000.0f, Reduce::None, 0},
    {"getOutputSpeakerArrangement", [](BareEffect& e) { return bitsOf(e.getOutputSpeakerArrangement()); }, 31, 0, 0, nullptr, 0, Reduce::Address, 0},
    {"getHostVendorString", [](BareEffect& e) { return e.getHostVendorString(kText); }, 32, 0, 0, kText, 0, Reduce::YesNo, 0},
    {"getHostProductString", [](BareEffect& e) { return e.getHostProductString(kText); }, 33, 0, 0, kText, 0, Reduce::YesNo, 0},
    {"getHostVendorVersion", [](BareEffect& e) { return e.getHostVendorVersion(); }, 34, 0, 0, nullptr, 0, Reduce::Answer, 0},
    {"hostVendorSpecific", [](BareEffect& e) { return e.hostVendorSpecific(-7, 9, kText, 0.125f); }, 35, -7, 9, kText, 0.125f, Reduce::Whole, 0},
    {"canHostDo: text passed unchanged", [](BareEffect& e) { return e.canHostDo(kText); }, 37, 0, 0, kText, 0, Reduce::YesNo, 0},
    {"getHostLanguage", [](BareEffect& e) { return e.getHostLanguage(); }, 38, 0, 0, nullptr, 0, Reduce::Answer, 0},
    {"openWindow", [](BareEffect& e) { return bitsOf(e.openWindow(fake<VstWindow>(0x400))); }, 39, 0, 0, fake<void>(0x400), 0, Reduce::Address, 0},
    {"closeWindow", [](BareEffect& e) { return e.closeWindow(fake<VstWindow>(0x400)); }, 40, 0, 0, fake<void>(0x400), 0, Reduce::YesNo, 0},
    {"getDirectory", [](BareEffect& e) { return bitsOf(e.getDirectory()); }, 41, 0, 0, nullptr, 0, Reduce::Address, 0},
    {"updateDisplay", [](BareEffect& e) { return e.updateDisplay(); }, 42, 0, 0, nullptr, 0, Reduce::YesNo, 0},
    {"beginEdit", [](BareEffect& e) { return e.beginEdit(2); }, 43, 2, 0, nullptr, 0, Reduce::YesNo, 0},
    {"endEdit", [](BareEffect& e) { return e.endEdit(2); }, 44, 2, 0, nullptr, 0, Reduce::YesNo, 0},
    {"openFileSelector", [](BareEffect& e) { return e.openFileSelector(fake<VstFileSelect>(0x500)); }, 45, 0, 0, fake<void>(0x500), 0, Reduce::YesNo, 0},
    {"closeFileSelector", [](BareEffect& e) { return e.closeFileSelector(fake<VstFileSelect>(0x500)); }, 46, 0, 0, fake<void>(0x500), 0, Reduce::YesNo, 0},
    {"getChunkFile", [](BareEffect& e) { return e.getChunkFile(kText); }, 48, 0, 0, kText, 0, Reduce::YesNo, 0},
    {"getInputSpeakerArrangement", [](BareEffect& e) { return bitsOf(e.getInputSpeakerArrangement()); }, 49, 0, 0, nullptr, 0, Reduce::Address, 0},
};

// 0 and 2 as the usual host answers, 1 and -1 for the exact-value reductions,
// and, where answers are wider than 32 bits, one whose low half is 5.
const std::vector<VstIntPtr> kAnswers = [] {
    std::vector<VstIntPtr> answers = {0, 1, 2, -1};
    if (pointerwidth::kWideIntPtr) {
        answers.push_back(pointerwidth::intPtr((std::int64_t{1} << 32) + 5));
    }
    return answers;
}();

TEST(HostCalls, EachCallPlacesItsArgumentsAndReducesTheAnswer) {
    for (const HostCallRow& row : kRows) {
        for (VstIntPtr answer : kAnswers) {
            SCOPED_TRACE(testing::Message() << row.what << ", host answers " << answer);
            RecordingHost::reset(always(answer));
            BareEffect effect;
            const VstIntPtr result = row.call(effect);
            ASSERT_EQ(RecordingHost::calls.size(), 1u);
            const testhost::HostCall& c = RecordingHost::calls[0];
            EXPECT_EQ(c.effect, effect.getAeffect());
            EXPECT_EQ(c.opcode, row.opcode);
            EXPECT_EQ(c.index, row.index);
            EXPECT_EQ(c.value, row.value);
            EXPECT_EQ(c.ptr, row.ptr);
            EXPECT_EQ(c.opt, row.opt);
            EXPECT_EQ(result, reduce(row.reduce, answer));
        }
    }
}

TEST(HostCalls, WithoutAHostEachCallGivesItsFixedValue) {
    for (const HostCallRow& row : kRows) {
        BareEffect effect(nullptr);
        EXPECT_EQ(row.call(effect), row.withoutHost) << row.what;
    }
}

TEST(HostCalls, NullSelectorsAndPathsAreRefusedWithoutAsking) {
    RecordingHost::reset(always(1));
    BareEffect effect;
    EXPECT_EQ(effect.openFileSelector(nullptr), 0);
    EXPECT_EQ(effect.closeFileSelector(nullptr), 0);
    EXPECT_EQ(effect.getChunkFile(nullptr), 0);
    EXPECT_TRUE(RecordingHost::calls.empty());
}

TEST(HostCalls, SampleRateFromTheHost) {
    struct Row {
        const char* what;
        VstIntPtr answer;
        float stored;
    };
    const Row rows[] = {
        {"96000 is stored", 96000, 96000.0f},
        {"0 leaves it", 0, 44100.0f},
        {"-1 leaves it", -1, 44100.0f},
        {"1 is a rate", 1, 1.0f},
        {"2^24 + 1 rounds to the nearest float", (1 << 24) + 1, 16777216.0f},
        {"2^24 + 3 rounds to the nearest float", (1 << 24) + 3, 16777220.0f},
    };
    for (const Row& row : rows) {
        RecordingHost::reset(always(row.answer));
        BareEffect effect;
        EXPECT_EQ(effect.updateSampleRate(), row.stored) << row.what;
        EXPECT_EQ(effect.getSampleRate(), row.stored) << row.what;
        ASSERT_EQ(RecordingHost::calls.size(), 1u);
        EXPECT_EQ(RecordingHost::calls[0].opcode, hostOpcode::getSampleRate);
    }
    BareEffect alone(nullptr);
    alone.setSampleRate(22050.0f);
    EXPECT_EQ(alone.updateSampleRate(), 22050.0f);
}

TEST(HostCalls, BlockSizeFromTheHost) {
    struct Row {
        const char* what;
        VstIntPtr answer;
        VstInt32 stored;
    };
    std::vector<Row> rows = {
        {"512 is stored", 512, 512},
        {"0 leaves it", 0, 1024},
        {"-64 leaves it", -64, 1024},
        {"largest 32-bit size is stored", INT32_MAX, INT32_MAX},
    };
    if (pointerwidth::kWideIntPtr) {
        rows.push_back({"beyond 32 bits is no block size", pointerwidth::intPtr(std::int64_t{INT32_MAX} + 1), 1024});
    }
    for (const Row& row : rows) {
        RecordingHost::reset(always(row.answer));
        BareEffect effect;
        EXPECT_EQ(effect.updateBlockSize(), row.stored) << row.what;
        EXPECT_EQ(effect.getBlockSize(), row.stored) << row.what;
        ASSERT_EQ(RecordingHost::calls.size(), 1u);
        EXPECT_EQ(RecordingHost::calls[0].opcode, hostOpcode::getBlockSize);
    }
    BareEffect alone(nullptr);
    EXPECT_EQ(alone.updateBlockSize(), 1024);
}

// The host hears of an automated change only after the effect holds it.
class Automated : public BareEffect {
public:
    using BareEffect::BareEffect;
    VstInt32 lastIndex = -1;
    float lastValue = -1.0f;
    void setParameter(VstInt32 index, float value) override {
        lastIndex = index;
        lastValue = value;
    }
};

Automated* automatedUnderTest = nullptr;
bool heldBeforeHostHeard = false;

TEST(HostCalls, AutomationSetsTheParameterBeforeTellingTheHost) {
    Automated effect;
    automatedUnderTest = &effect;
    RecordingHost::reset([](const testhost::HostCall& c) {
        heldBeforeHostHeard = c.opcode == hostOpcode::automate && automatedUnderTest->lastIndex == 2 &&
                              automatedUnderTest->lastValue == 0.5f;
        return VstIntPtr{0};
    });
    effect.setParameterAutomated(2, 0.5f);
    EXPECT_TRUE(heldBeforeHostHeard);

    Automated alone(nullptr);
    alone.setParameterAutomated(1, 0.25f);
    EXPECT_EQ(alone.lastIndex, 1);
    EXPECT_EQ(alone.lastValue, 0.25f);
}

}  // namespace

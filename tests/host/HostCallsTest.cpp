// Every call the base classes make to the host: the host opcode, where each
// argument goes, what the effect makes of the answer, and what it gives
// without a host at all. Each argument of a row has its own value, so a
// swapped argument or a call under a neighbouring opcode fails its row.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <tuple>
#include <type_traits>
#include <vector>

#include "host/AudioEffectX.h"
#include "tests/support/RecordingHost.h"

namespace {

using testhost::RecordingHost;

// The base classes' behaviour, nothing more.
struct BareEffect : AudioEffectX {
    explicit BareEffect(audioMasterCallback host = RecordingHost::callback) : AudioEffectX(host, 0, 0) {}
    void processReplacing(float**, float**, VstInt32) override {}
};

// What a call makes of the host's answer: nothing; the answer narrowed to 32
// bits; the answer at full width (or its bits as an address); 1 for any
// non-zero answer; 1 only for 1; 1 only for 0; the answer narrowed, but 1 for
// 0 (the version); a positive answer as the nearest float, else the rate held
// (44100); a positive answer that fits 32 bits, else the block size held (1024).
enum Reduce { None, Answer, Whole, YesNo, ExactlyOne, Inverted, Version, Rate, Block };

// The result for a host answer; without a host, each call gives what an answer of 0 would.
VstIntPtr reduce(Reduce how, VstIntPtr answer) {
    const auto narrow = static_cast<VstInt32>(answer);
    switch (how) {
        case None: return 0;
        case Answer: return narrow;
        case Whole: return answer;
        case YesNo: return answer != 0;
        case ExactlyOne: return answer == 1;
        case Inverted: return answer == 0;
        case Version: return narrow != 0 ? narrow : 1;
        case Rate: return answer > 0 ? static_cast<VstIntPtr>(static_cast<float>(answer)) : 44100;
        case Block: return answer > 0 && answer <= INT32_MAX ? answer : 1024;
    }
    return -999;
}

// A call's result as the boundary's integer: addresses by their bits, nothing as 0.
template <typename Call>
VstIntPtr resultOf(Call call) {
    using Result = decltype(call());
    if constexpr (std::is_void_v<Result>) return call(), VstIntPtr{0};
    else if constexpr (std::is_pointer_v<Result>) return reinterpret_cast<VstIntPtr>(call());
    else return static_cast<VstIntPtr>(call());
}

#define CALL(expr) [](BareEffect& e) { return resultOf([&] { return e.expr; }); }

template <typename T = void>
T* fake() { return reinterpret_cast<T*>(std::uintptr_t{0x100}); }
char kText[] = "sizeWindow";
constexpr VstInt32 kNoCall = -1;  // a null selector or path is refused without asking

struct Row {
    std::function<VstIntPtr(BareEffect&)> call;
    VstInt32 opcode;
    Reduce reduce;
    VstInt32 index = 0;
    VstIntPtr value = 0;
    const void* ptr = nullptr;
    float opt = 0.0f;
};

const Row kRows[] = {
    {CALL(setParameterAutomated(2, 0.5f)), 0, None, 2, 0, nullptr, 0.5f}, {CALL(getMasterVersion()), 1, Version},
    {CALL(getCurrentUniqueId()), 2, Answer}, {CALL(masterIdle()), 3, None},
    {CALL(isInputConnected(3)), 4, Inverted, 3}, {CALL(isOutputConnected(1)), 4, Inverted, 1, 1},
    {CALL(wantEvents(5)), 6, None, 0, 5}, {CALL(getTimeInfo(0x30)), 7, Whole, 0, 0x30},
    {CALL(sendVstEventsToHost(fake<VstEvents>())), 8, ExactlyOne, 0, 0, fake()},
    {CALL(tempoAt(44100)), 10, Answer, 0, 44100}, {CALL(getNumAutomatableParameters()), 11, Answer},
    {CALL(getParameterQuantization()), 12, Answer}, {CALL(ioChanged()), 13, YesNo}, {CALL(needIdle()), 14, YesNo},
    {CALL(sizeWindow(640, 480)), 15, YesNo, 640, 480}, {CALL(updateSampleRate()), 16, Rate},
    {CALL(updateBlockSize()), 17, Block}, {CALL(getInputLatency()), 18, Answer},
    {CALL(getOutputLatency()), 19, Answer}, {CALL(getPreviousPlug(3)), 20, Whole}, {CALL(getNextPlug(4)), 21, Whole},
    {CALL(willProcessReplacing()), 22, Answer}, {CALL(getCurrentProcessLevel()), 23, Answer},
    {CALL(getAutomationState()), 24, Answer},
    {CALL(offlineStart(fake<VstAudioFile>(), 3, 4)), 25, YesNo, 4, 3, fake()},
    {CALL(offlineRead(fake<VstOfflineTask>(), 7, true)), 26, YesNo, 1, 7, fake()},
    {CALL(offlineWrite(fake<VstOfflineTask>(), 7)), 27, YesNo, 0, 7, fake()},
    {CALL(offlineGetCurrentPass()), 28, YesNo}, {CALL(offlineGetCurrentMetaPass()), 29, YesNo},
    {CALL(setOutputSamplerate(48000.0f)), 30, None, 0, 0, nullptr, 48000.0f},
    {CALL(getOutputSpeakerArrangement()), 31, Whole}, {CALL(getHostVendorString(kText)), 32, YesNo, 0, 0, kText},
    {CALL(getHostProductString(kText)), 33, YesNo, 0, 0, kText}, {CALL(getHostVendorVersion()), 34, Answer},
    {CALL(hostVendorSpecific(-7, 9, kText, 0.125f)), 35, Whole, -7, 9, kText, 0.125f},
    {CALL(canHostDo(kText)), 37, YesNo, 0, 0, kText}, {CALL(getHostLanguage()), 38, Answer},
    {CALL(openWindow(fake<VstWindow>())), 39, Whole, 0, 0, fake()},
    {CALL(closeWindow(fake<VstWindow>())), 40, YesNo, 0, 0, fake()}, {CALL(getDirectory()), 41, Whole},
    {CALL(updateDisplay()), 42, YesNo}, {CALL(beginEdit(2)), 43, YesNo, 2}, {CALL(endEdit(1)), 44, YesNo, 1},
    {CALL(openFileSelector(fake<VstFileSelect>())), 45, YesNo, 0, 0, fake()},
    {CALL(closeFileSelector(fake<VstFileSelect>())), 46, YesNo, 0, 0, fake()},
    {CALL(getChunkFile(kText)), 48, YesNo, 0, 0, kText}, {CALL(getInputSpeakerArrangement()), 49, Whole},
    {CALL(openFileSelector(nullptr)), kNoCall, None}, {CALL(closeFileSelector(nullptr)), kNoCall, None},
    {CALL(getChunkFile(nullptr)), kNoCall, None},
};

TEST(HostCalls, EachCallPlacesItsArgumentsAndReducesTheAnswer) {
    // 0 and 2 as the usual answers, 1 and -1 for the exact reductions, rates
    // that only round to nearest gives right, and one whose low 32 bits are 5.
    std::vector<VstIntPtr> answers = {0, 1, 2, -1, 96000, (1 << 24) + 1, (1 << 24) + 3};
    if (sizeof(VstIntPtr) > 4) answers.push_back(static_cast<VstIntPtr>((std::int64_t{1} << 32) + 5));
    for (std::size_t r = 0; r < std::size(kRows); ++r) {
        const Row& row = kRows[r];
        for (VstIntPtr answer : answers) {
            SCOPED_TRACE(testing::Message() << "row " << r << " (host opcode " << row.opcode << "), answer " << answer);
            RecordingHost::reset(testhost::always(answer));
            BareEffect effect;
            EXPECT_EQ(row.call(effect), reduce(row.reduce, answer));
            EXPECT_EQ(VstIntPtr(effect.getSampleRate()), row.reduce == Rate ? reduce(Rate, answer) : 44100);
            EXPECT_EQ(effect.getBlockSize(), row.reduce == Block ? reduce(Block, answer) : 1024);
            ASSERT_EQ(RecordingHost::calls.size(), row.opcode == kNoCall ? 0u : 1u);
            if (row.opcode != kNoCall) {
                const testhost::HostCall& c = RecordingHost::calls[0];
                EXPECT_EQ(std::make_tuple(c.effect, c.opcode, c.index, c.value, c.ptr, c.opt),
                          std::make_tuple(effect.getAeffect(), row.opcode, row.index, row.value, row.ptr, row.opt));
            }
        }
        BareEffect alone(nullptr);
        EXPECT_EQ(row.call(alone), reduce(row.reduce, 0)) << "row " << r << " without a host";
    }
}

}  // namespace

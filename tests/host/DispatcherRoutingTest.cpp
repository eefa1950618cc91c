// Every opcode reaches its own operation with its arguments in the right
// places, and the operation's answer goes back to the host as stated. A spy
// effect replaces every operation an opcode can reach and records the call.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "host/AudioEffectX.h"
#include "host/Opcodes.h"
#include "tests/support/PointerWidth.h"

namespace {

struct Call {
    Call(std::string n, std::vector<VstIntPtr> i = {}, std::vector<const void*> p = {}, float r = 0.0f)
        : name(std::move(n)), ints(std::move(i)), ptrs(std::move(p)), real(r) {}

    std::string name;
    std::vector<VstIntPtr> ints;   // integer and boolean arguments, in order
    std::vector<const void*> ptrs; // pointer arguments, in order
    float real = 0.0f;             // the float argument, if any

    bool operator==(const Call&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Call& c) {
    os << c.name << "(";
    for (VstIntPtr i : c.ints) os << i << ",";
    for (const void* p : c.ptrs) os << p << ",";
    return os << c.real << ")";
}

class Spy : public AudioEffectX {
public:
    explicit Spy(VstInt32 programs) : AudioEffectX(nullptr, programs, 0) {}

    std::vector<Call> calls;
    VstIntPtr answer = 0;  // what every operation answers

    void processReplacing(float**, float**, VstInt32) override {}

private:
    VstIntPtr note(const char* name, std::vector<VstIntPtr> ints = {}, std::vector<const void*> ptrs = {},
                   float real = 0.0f) {
        calls.push_back({name, std::move(ints), std::move(ptrs), real});
        return answer;
    }
    VstInt32 note32(const char* name, std::vector<VstIntPtr> ints = {}, std::vector<const void*> ptrs = {},
                    float real = 0.0f) {
        return static_cast<VstInt32>(note(name, std::move(ints), std::move(ptrs), real));
    }
    bool noteBool(const char* name, std::vector<VstIntPtr> ints = {}, std::vector<const void*> ptrs = {},
                  float real = 0.0f) {
        return note(name, std::move(ints), std::move(ptrs), real) != 0;
    }

public:
    // AudioEffect, opcodes 0 to 24.
    void open() override { note("open"); }
    void close() override { note("close"); }
    void suspend() override { note("suspend"); }
    void resume() override { note("resume"); }
    void setProgram(VstInt32 p) override { note("setProgram", {p}); }
    VstInt32 getProgram() override { return note32("getProgram"); }
    void setProgramName(char* t) override { note("setProgramName", {}, {t}); }
    void getProgramName(char* t) override { note("getProgramName", {}, {t}); }
    void getParameterLabel(VstInt32 i, char* t) override { note("getParameterLabel", {i}, {t}); }
    void getParameterDisplay(VstInt32 i, char* t) override { note("getParameterDisplay", {i}, {t}); }
    void getParameterName(VstInt32 i, char* t) override { note("getParameterName", {i}, {t}); }
    float getVu() override { return static_cast<float>(note("getVu")); }
    void setSampleRate(float r) override { note("setSampleRate", {}, {}, r); }
    void setBlockSize(VstInt32 n) override { note("setBlockSize", {n}); }
    VstInt32 getChunk(void** d, bool p) override { return note32("getChunk", {p}, {d}); }
    VstInt32 setChunk(void* d, VstInt32 n, bool p) override { return note32("setChunk", {n, p}, {d}); }

    // AudioEffectX, opcodes 25 to 79.
    VstInt32 processEvents(VstEvents* e) override { return note32("processEvents", {}, {e}); }
    bool canParameterBeAutomated(VstInt32 i) override { return noteBool("canParameterBeAutomated", {i}); }
    bool string2parameter(VstInt32 i, char* t) override { return noteBool("string2parameter", {i}, {t}); }
    VstInt32 getNumCategories() override { return note32("getNumCategories"); }
    bool getProgramNameIndexed(VstInt32 c, VstInt32 i, char* t) override {
        return noteBool("getProgramNameIndexed", {c, i}, {t});
    }
    bool copyProgram(VstInt32 i) override { return noteBool("copyProgram", {i}); }
    void inputConnected(VstInt32 i, bool s) override { note("inputConnected", {i, s}); }
    void outputConnected(VstInt32 i, bool s) override { note("outputConnected", {i, s}); }
    bool getInputProperties(VstInt32 i, VstPinProperties* p) override {
        return noteBool("getInputProperties", {i}, {p});
    }
    bool getOutputProperties(VstInt32 i, VstPinProperties* p) override {
        return noteBool("getOutputProperties", {i}, {p});
    }
    VstInt32 getPlugCategory() override { return note32("getPlugCategory"); }
    VstInt32 reportCurrentPosition() override { return note32("reportCurrentPosition"); }
    float* reportDestinationBuffer() override {
        return reinterpret_cast<float*>(note("reportDestinationBuffer"));
    }
    bool offlineNotify(VstAudioFile* f, VstInt32 n, bool s) override {
        return noteBool("offlineNotify", {n, s}, {f});
    }
    bool offlinePrepare(VstOfflineTask* t, VstInt32 n) override { return noteBool("offlinePrepare", {n}, {t}); }
    bool offlineRun(VstOfflineTask* t, VstInt32 n) override { return noteBool("offlineRun", {n}, {t}); }
    bool processVariableIo(VstVariableIo* v) override { return noteBool("processVariableIo", {}, {v}); }
    bool setSpeakerArrangement(VstSpeakerArrangement* in, VstSpeakerArrangement* out) override {
        return noteBool("setSpeakerArrangement", {}, {in, out});
    }
    void setBlockSizeAndSampleRate(VstInt32 n, float r) override { note("setBlockSizeAndSampleRate", {n}, {}, r); }
    bool setBypass(bool b) override { return noteBool("setBypass", {b}); }
    bool getEffectName(char* t) override { return noteBool("getEffectName", {}, {t}); }
    bool getErrorText(char* t) override { return noteBool("getErrorText", {}, {t}); }
    bool getVendorString(char* t) override { return noteBool("getVendorString", {}, {t}); }
    bool getProductString(char* t) override { return noteBool("getProductString", {}, {t}); }
    VstInt32 getVendorVersion() override { return note32("getVendorVersion"); }
    VstIntPtr vendorSpecific(VstInt32 a, VstIntPtr b, void* p, float f) override {
        return note("vendorSpecific", {a, b}, {p}, f);
    }
    VstInt32 canDo(char* t) override { return note32("canDo", {}, {t}); }
    VstInt32 getGetTailSize() override { return note32("getGetTailSize"); }
    VstInt32 fxIdle() override { return note32("fxIdle"); }
    void* getIcon() override { return reinterpret_cast<void*>(note("getIcon")); }
    bool setViewPosition(VstInt32 x, VstInt32 y) override { return noteBool("setViewPosition", {x, y}); }
    bool getParameterProperties(VstInt32 i, VstParameterProperties* p) override {
        return noteBool("getParameterProperties", {i}, {p});
    }
    bool keysRequired() override { return noteBool("keysRequired"); }
    VstInt32 getVstVersion() override { return note32("getVstVersion"); }
    VstInt32 getMidiProgramName(VstInt32 c, MidiProgramName* n) override {
        return note32("getMidiProgramName", {c}, {n});
    }
    VstInt32 getCurrentMidiProgram(VstInt32 c, MidiProgramName* n) override {
        return note32("getCurrentMidiProgram", {c}, {n});
    }
    VstInt32 getMidiProgramCategory(VstInt32 c, MidiProgramCategory* n) override {
        return note32("getMidiProgramCategory", {c}, {n});
    }
    bool hasMidiProgramsChanged(VstInt32 c) override { return noteBool("hasMidiProgramsChanged", {c}); }
    bool getMidiKeyName(VstInt32 c, MidiKeyName* k) override { return noteBool("getMidiKeyName", {c}, {k}); }
    bool beginSetProgram() override { return noteBool("beginSetProgram"); }
    bool endSetProgram() override { return noteBool("endSetProgram"); }
    bool getSpeakerArrangement(VstSpeakerArrangement** in, VstSpeakerArrangement** out) override {
        return noteBool("getSpeakerArrangement", {}, {in, out});
    }
    VstInt32 getNextShellPlugin(char* t) override { return note32("getNextShellPlugin", {}, {t}); }
    VstInt32 startProcess() override { return note32("startProcess"); }
    VstInt32 stopProcess() override { return note32("stopProcess"); }
    VstInt32 setTotalSampleToProcess(VstInt32 n) override { return note32("setTotalSampleToProcess", {n}); }
    bool setPanLaw(VstInt32 t, float v) override { return noteBool("setPanLaw", {t}, {}, v); }
    VstInt32 beginLoadBank(VstPatchChunkInfo* p) override { return note32("beginLoadBank", {}, {p}); }
    VstInt32 beginLoadProgram(VstPatchChunkInfo* p) override { return note32("beginLoadProgram", {}, {p}); }
    bool setProcessPrecision(VstInt32 p) override { return noteBool("setProcessPrecision", {p}); }
    VstInt32 getNumMidiInputChannels() override { return note32("getNumMidiInputChannels"); }
    VstInt32 getNumMidiOutputChannels() override { return note32("getNumMidiOutputChannels"); }
};

// What the dispatcher makes of the operation's answer.
enum class Reply {
    Answer,    // the answer itself (32-bit results narrowed, addresses whole)
    YesNo,     // a boolean operation: 1 or 0
    Inverted,  // 57: 1 when the operation says no
    Vu,        // 9: the answer times 32767, truncated
    Fixed0,    // 0 whatever the operation did
    Fixed1,    // 1 whatever the operation did
};

// The arguments every row sends: distinct, so a swap shows.
constexpr VstInt32 kIndex = 11;
constexpr VstIntPtr kValue = 22;
constexpr float kOpt = 0.375f;
char kText[80];
const void* const kPtr = kText;

struct Route {
    VstInt32 opcode;
    Call expected;
    Reply reply;
};

const void* valueAsAddress() {
    return reinterpret_cast<const void*>(kValue);
}

const std::vector<Route> kRoutes = {
    {0, {"open"}, Reply::Fixed0},
    {1, {"close"}, Reply::Fixed0},
    {3, {"getProgram"}, Reply::Answer},
    {4, {"setProgramName", {}, {kPtr}}, Reply::Fixed0},
    {5, {"getProgramName", {}, {kPtr}}, Reply::Fixed0},
    {6, {"getParameterLabel", {kIndex}, {kPtr}}, Reply::Fixed0},
    {7, {"getParameterDisplay", {kIndex}, {kPtr}}, Reply::Fixed0},
    {8, {"getParameterName", {kIndex}, {kPtr}}, Reply::Fixed0},
    {9, {"getVu"}, Reply::Vu},
    {10, {"setSampleRate", {}, {}, kOpt}, Reply::Fixed0},
    {11, {"setBlockSize", {kValue}}, Reply::Fixed0},
    {12, {"resume"}, Reply::Fixed0},
    {23, {"getChunk", {1}, {kPtr}}, Reply::Answer},
    {24, {"setChunk", {kValue, 1}, {kPtr}}, Reply::Answer},
    {25, {"processEvents", {}, {kPtr}}, Reply::Answer},
    {26, {"canParameterBeAutomated", {kIndex}}, Reply::YesNo},
    {27, {"string2parameter", {kIndex}, {kPtr}}, Reply::YesNo},
    {28, {"getNumCategories"}, Reply::Answer},
    {29, {"getProgramNameIndexed", {kValue, kIndex}, {kPtr}}, Reply::YesNo},
    {30, {"copyProgram", {kIndex}}, Reply::YesNo},
    {31, {"inputConnected", {kIndex, 1}}, Reply::Fixed1},
    {32, {"outputConnected", {kIndex, 1}}, Reply::Fixed1},
    {33, {"getInputProperties", {kIndex}, {kPtr}}, Reply::YesNo},
    {34, {"getOutputProperties", {kIndex}, {kPtr}}, Reply::YesNo},
    {35, {"getPlugCategory"}, Reply::Answer},
    {36, {"reportCurrentPosition"}, Reply::Answer},
    {37, {"reportDestinationBuffer"}, Reply::Answer},
    {38, {"offlineNotify", {kValue, 1}, {kPtr}}, Reply::YesNo},
    {39, {"offlinePrepare", {kValue}, {kPtr}}, Reply::YesNo},
    {40, {"offlineRun", {kValue}, {kPtr}}, Reply::YesNo},
    {41, {"processVariableIo", {}, {kPtr}}, Reply::YesNo},
    {42, {"setSpeakerArrangement", {}, {valueAsAddress(), kPtr}}, Reply::YesNo},
    {43, {"setBlockSizeAndSampleRate", {kValue}, {}, kOpt}, Reply::Fixed1},
    {44, {"setBypass", {1}}, Reply::YesNo},
    {45, {"getEffectName", {}, {kPtr}}, Reply::YesNo},
    {46, {"getErrorText", {}, {kPtr}}, Reply::YesNo},
    {47, {"getVendorString", {}, {kPtr}}, Reply::YesNo},
    {48, {"getProductString", {}, {kPtr}}, Reply::YesNo},
    {49, {"getVendorVersion"}, Reply::Answer},
    {50, {"vendorSpecific", {kIndex, kValue}, {kPtr}, kOpt}, Reply::Answer},
    {51, {"canDo", {}, {kPtr}}, Reply::Answer},
    {52, {"getGetTailSize"}, Reply::Answer},
    {53, {"fxIdle"}, Reply::Answer},
    {54, {"getIcon"}, Reply::Answer},
    {55, {"setViewPosition", {kIndex, kValue}}, Reply::YesNo},
    {56, {"getParameterProperties", {kIndex}, {kPtr}}, Reply::YesNo},
    {57, {"keysRequired"}, Reply::Inverted},
    {58, {"getVstVersion"}, Reply::Answer},
    {62, {"getMidiProgramName", {kIndex}, {kPtr}}, Reply::Answer},
    {63, {"getCurrentMidiProgram", {kIndex}, {kPtr}}, Reply::Answer},
    {64, {"getMidiProgramCategory", {kIndex}, {kPtr}}, Reply::Answer},
    {65, {"hasMidiProgramsChanged", {kIndex}}, Reply::YesNo},
    {66, {"getMidiKeyName", {kIndex}, {kPtr}}, Reply::YesNo},
    {67, {"beginSetProgram"}, Reply::YesNo},
    {68, {"endSetProgram"}, Reply::YesNo},
    {69, {"getSpeakerArrangement", {}, {valueAsAddress(), kPtr}}, Reply::YesNo},
    {70, {"getNextShellPlugin", {}, {kPtr}}, Reply::Answer},
    {71, {"startProcess"}, Reply::Answer},
    {72, {"stopProcess"}, Reply::Answer},
    {73, {"setTotalSampleToProcess", {kValue}}, Reply::Answer},
    {74, {"setPanLaw", {kValue}, {}, kOpt}, Reply::YesNo},
    {75, {"beginLoadBank", {}, {kPtr}}, Reply::Answer},
    {76, {"beginLoadProgram", {}, {kPtr}}, Reply::Answer},
    {77, {"setProcessPrecision", {kValue}}, Reply::YesNo},
    {78, {"getNumMidiInputChannels"}, Reply::Answer},
    {79, {"getNumMidiOutputChannels"}, Reply::Answer},
};

VstIntPtr expectedReply(Reply reply, VstIntPtr answer) {
    switch (reply) {
        case Reply::Answer: return answer;
        case Reply::YesNo: return answer != 0 ? 1 : 0;
        case Reply::Inverted: return answer != 0 ? 0 : 1;
        case Reply::Vu: return static_cast<VstIntPtr>(static_cast<double>(static_cast<float>(answer)) * 32767.0);
        case Reply::Fixed0: return 0;
        case Reply::Fixed1: return 1;
    }
    return -999;
}

TEST(DispatcherRouting, EachOpcodeCallsItsOperationWithItsArgumentsAndAnswers) {
    for (VstIntPtr answer : {VstIntPtr{0}, VstIntPtr{1}, VstIntPtr{-5}, VstIntPtr{40000}}) {
        for (const Route& route : kRoutes) {
            Spy spy(0);
            spy.answer = answer;
            const VstIntPtr result = spy.dispatcher(route.opcode, kIndex, kValue, kText, kOpt);
            SCOPED_TRACE(testing::Message() << "opcode " << route.opcode << ", operation answers " << answer);
            ASSERT_EQ(spy.calls.size(), 1u);
            EXPECT_EQ(spy.calls[0], route.expected);
            EXPECT_EQ(result, expectedReply(route.reply, answer));
        }
    }
}

TEST(DispatcherRouting, OpcodesWithoutAnOperationCallNothing) {
    struct Row {
        const char* what;
        VstInt32 opcode;
        VstIntPtr reply;
    };
    const Row rows[] = {
        {"editor: get rect", 13, 0}, {"editor: open", 14, 0},        {"editor: close", 15, 0},
        {"editor: draw", 16, 0},     {"editor: mouse", 17, 0},       {"editor: key", 18, 0},
        {"editor: idle", 19, 0},     {"editor: top", 20, 0},         {"editor: sleep", 21, 0},
        {"identify", 22, 0x4E764566}, {"editor: key down", 59, 0},   {"editor: key up", 60, 0},
        {"editor: knob mode", 61, 0}, {"just past the table", 80, 0}, {"far past", 1000, 0},
        {"negative", -1, 0},         {"most negative", INT_MIN, 0},  {"largest", INT_MAX, 0},
    };
    for (const Row& row : rows) {
        Spy spy(0);
        spy.answer = 7;
        EXPECT_EQ(spy.dispatcher(row.opcode, kIndex, kValue, kText, kOpt), row.reply) << row.what;
        EXPECT_TRUE(spy.calls.empty()) << row.what;
    }
}

TEST(DispatcherRouting, SuspendOrResumeFollowsValue) {
    struct Row {
        VstIntPtr value;
        const char* expected;
    };
    std::vector<Row> rows = {{0, "suspend"}, {7, "resume"}, {-1, "resume"}};
    if (pointerwidth::kWideIntPtr) {
        rows.push_back({pointerwidth::intPtr(std::int64_t{1} << 40), "resume"});
    }
    for (const Row& row : rows) {
        Spy spy(0);
        EXPECT_EQ(spy.dispatcher(effectOpcode::suspendOrResume, 0, row.value, nullptr, 0.0f), 0);
        ASSERT_EQ(spy.calls.size(), 1u);
        EXPECT_EQ(spy.calls[0].name, row.expected) << "value " << row.value;
    }
}

TEST(DispatcherRouting, SetProgramOnlyBelowProgramCountSigned) {
    struct Row {
        const char* what;
        VstInt32 programs;
        VstIntPtr value;
        bool called;
    };
    std::vector<Row> rows = {
        {"no programs: 0 is refused", 0, 0, false},
        {"no programs: -1 gets through", 0, -1, true},
        {"no programs: most negative 32-bit gets through", 0, INT_MIN, true},
        {"three programs: last one", 3, 2, true},
        {"three programs: one past the end", 3, 3, false},
    };
    if (pointerwidth::kWideIntPtr) {
        rows.push_back({"no programs: beyond 32 bits is no program number", 0,
                        pointerwidth::intPtr(std::int64_t{INT_MIN} - 1), false});
        rows.push_back({"three programs: 2^32 + 1 is not program 1", 3,
                        pointerwidth::intPtr((std::int64_t{1} << 32) + 1), false});
    }
    for (const Row& row : rows) {
        Spy spy(row.programs);
        EXPECT_EQ(spy.dispatcher(effectOpcode::setProgram, 0, row.value, nullptr, 0.0f), 0) << row.what;
        if (row.called) {
            ASSERT_EQ(spy.calls.size(), 1u) << row.what;
            EXPECT_EQ(spy.calls[0], (Call{"setProgram", {row.value}})) << row.what;
        } else {
            EXPECT_TRUE(spy.calls.empty()) << row.what;
        }
    }
}

TEST(DispatcherRouting, BooleansOfIndexAndValueAreOneForAnyNonZero) {
    Spy spy(0);
    spy.dispatcher(effectOpcode::getChunk, -3, 0, kText, 0.0f);
    // Low 32 bits zero where the value is wider; the top bit alone where it is not.
    spy.dispatcher(effectOpcode::setBypass, 0,
                   pointerwidth::intPtr(pointerwidth::kWideIntPtr ? std::int64_t{1} << 40 : std::int64_t{INT_MIN}),
                   nullptr, 0.0f);
    spy.dispatcher(effectOpcode::inputConnected, 0, 0, nullptr, 0.0f);
    ASSERT_EQ(spy.calls.size(), 3u);
    EXPECT_EQ(spy.calls[0].ints, (std::vector<VstIntPtr>{1}));
    EXPECT_EQ(spy.calls[1].ints, (std::vector<VstIntPtr>{1}));
    EXPECT_EQ(spy.calls[2].ints, (std::vector<VstIntPtr>{0, 0}));
}

}  // namespace

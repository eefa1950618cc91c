// Every opcode reaches its own operation with its arguments in the right
// places, and the operation's answer goes back to the host as stated. A spy
// effect replaces every operation an opcode can reach and writes each call
// down as text: "name(arguments)", T for the text buffer, V for the value
// read as an address.
#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "host/Opcodes.h"
#include "tests/host/BareEffect.h"
#include "tests/support/PointerWidth.h"

namespace {

using pointerwidth::intPtr;
using testhost::RecordingHost;

// The arguments every routing row sends: distinct, so a swap shows.
constexpr VstInt32 kIndex = 11;
constexpr VstIntPtr kValue = 22;
constexpr float kOpt = 0.375f;
char kText[80];

// What an operation answers, in whatever type the operation returns.
struct Answer {
    VstIntPtr value;
    template <typename T>
    operator T() const {
        if constexpr (std::is_pointer_v<T>) return reinterpret_cast<T>(value);
        else return static_cast<T>(value);
    }
};

template <typename T>
void describe(std::ostream& text, T arg) {
    if constexpr (std::is_pointer_v<T>) {
        const void* p = arg;
        text << (p == kText ? "T" : p == reinterpret_cast<const void*>(kValue) ? "V" : p ? "?" : "0");
    } else {
        text << std::boolalpha << arg;
    }
}

#define NOTE(...) note(__func__ __VA_OPT__(, ) __VA_ARGS__)
#define SPY0(R, f) R f() override { return static_cast<R>(NOTE()); }
#define SPY1(R, f, A) R f(A a) override { return static_cast<R>(NOTE(a)); }
#define SPY2(R, f, A, B) R f(A a, B b) override { return static_cast<R>(NOTE(a, b)); }
#define SPY3(R, f, A, B, C) R f(A a, B b, C c) override { return static_cast<R>(NOTE(a, b, c)); }

class Spy : public AudioEffectX {
public:
    explicit Spy(VstInt32 programs = 0) : AudioEffectX(nullptr, programs, 0) {}

    std::vector<std::string> calls;  // every operation reached, as text
    VstIntPtr answer = 0;            // what every operation answers
    float vu = 0.0f;                 // what getVu answers

    template <typename... Args>
    Answer note(const char* name, Args... args) {
        std::ostringstream call;
        call << name << '(';
        [[maybe_unused]] const char* separator = "";
        ((call << separator, describe(call, args), separator = ","), ...);
        call << ')';
        calls.push_back(call.str());
        return {answer};
    }

    void processReplacing(float**, float**, VstInt32) override {}
    float getVu() override { return NOTE(), vu; }
    VstIntPtr vendorSpecific(VstInt32 a, VstIntPtr b, void* p, float f) override { return NOTE(a, b, p, f); }
    SPY0(void, open) SPY0(void, close) SPY0(void, suspend) SPY0(void, resume) SPY1(void, setProgram, VstInt32)
    SPY0(VstInt32, getProgram) SPY1(void, setProgramName, char*) SPY1(void, getProgramName, char*)
    SPY2(void, getParameterLabel, VstInt32, char*) SPY2(void, getParameterDisplay, VstInt32, char*)
    SPY2(void, getParameterName, VstInt32, char*) SPY1(void, setSampleRate, float) SPY1(void, setBlockSize, VstInt32)
    SPY2(VstInt32, getChunk, void**, bool) SPY3(VstInt32, setChunk, void*, VstInt32, bool)
    SPY1(VstInt32, processEvents, VstEvents*) SPY1(bool, canParameterBeAutomated, VstInt32)
    SPY2(bool, string2parameter, VstInt32, char*) SPY0(VstInt32, getNumCategories)
    SPY3(bool, getProgramNameIndexed, VstInt32, VstInt32, char*) SPY1(bool, copyProgram, VstInt32)
    SPY2(void, inputConnected, VstInt32, bool) SPY2(void, outputConnected, VstInt32, bool)
    SPY2(bool, getInputProperties, VstInt32, VstPinProperties*) SPY0(VstInt32, getPlugCategory)
    SPY2(bool, getOutputProperties, VstInt32, VstPinProperties*) SPY0(VstInt32, reportCurrentPosition)
    SPY0(float*, reportDestinationBuffer) SPY3(bool, offlineNotify, VstAudioFile*, VstInt32, bool)
    SPY2(bool, offlinePrepare, VstOfflineTask*, VstInt32) SPY2(bool, offlineRun, VstOfflineTask*, VstInt32)
    SPY1(bool, processVariableIo, VstVariableIo*) SPY2(void, setBlockSizeAndSampleRate, VstInt32, float)
    SPY2(bool, setSpeakerArrangement, VstSpeakerArrangement*, VstSpeakerArrangement*)
    SPY2(bool, getSpeakerArrangement, VstSpeakerArrangement**, VstSpeakerArrangement**)
    SPY1(bool, setBypass, bool) SPY1(bool, getEffectName, char*) SPY1(bool, getErrorText, char*)
    SPY1(bool, getVendorString, char*) SPY1(bool, getProductString, char*) SPY0(VstInt32, getVendorVersion)
    SPY1(VstInt32, canDo, char*) SPY0(VstInt32, getGetTailSize) SPY0(VstInt32, fxIdle) SPY0(void*, getIcon)
    SPY2(bool, setViewPosition, VstInt32, VstInt32) SPY0(bool, keysRequired) SPY0(VstInt32, getVstVersion)
    SPY2(bool, getParameterProperties, VstInt32, VstParameterProperties*)
    SPY2(VstInt32, getMidiProgramName, VstInt32, MidiProgramName*)
    SPY2(VstInt32, getCurrentMidiProgram, VstInt32, MidiProgramName*) SPY1(bool, hasMidiProgramsChanged, VstInt32)
    SPY2(VstInt32, getMidiProgramCategory, VstInt32, MidiProgramCategory*) SPY0(bool, beginSetProgram)
    SPY2(bool, getMidiKeyName, VstInt32, MidiKeyName*) SPY0(bool, endSetProgram) SPY0(VstInt32, startProcess)
    SPY1(VstInt32, getNextShellPlugin, char*) SPY0(VstInt32, stopProcess) SPY1(bool, setProcessPrecision, VstInt32)
    SPY1(VstInt32, setTotalSampleToProcess, VstInt32) SPY2(bool, setPanLaw, VstInt32, float)
    SPY1(VstInt32, beginLoadBank, VstPatchChunkInfo*) SPY1(VstInt32, beginLoadProgram, VstPatchChunkInfo*)
    SPY0(VstInt32, getNumMidiInputChannels) SPY0(VstInt32, getNumMidiOutputChannels)
};

// What the dispatcher makes of the operation's answer.
enum class Reply { Answer, YesNo, Inverted, Fixed };
using enum Reply;

struct Route {
    VstInt32 opcode;
    const char* call;  // empty: no operation may be reached
    Reply reply;
    VstIntPtr fixed = 0;
};

// Opcode 2 reaches nothing: 22 is not below 0 programs.
const Route kRoutes[] = {
    {0, "open()", Fixed}, {1, "close()", Fixed}, {2, "", Fixed}, {3, "getProgram()", Answer},
    {4, "setProgramName(T)", Fixed}, {5, "getProgramName(T)", Fixed}, {6, "getParameterLabel(11,T)", Fixed},
    {7, "getParameterDisplay(11,T)", Fixed}, {8, "getParameterName(11,T)", Fixed}, {9, "getVu()", Fixed},
    {10, "setSampleRate(0.375)", Fixed}, {11, "setBlockSize(22)", Fixed}, {12, "resume()", Fixed},
    {13, "", Fixed}, {14, "", Fixed}, {15, "", Fixed}, {16, "", Fixed}, {17, "", Fixed}, {18, "", Fixed},
    {19, "", Fixed}, {20, "", Fixed}, {21, "", Fixed}, {22, "", Fixed, 0x4E764566},
    {23, "getChunk(T,true)", Answer}, {24, "setChunk(T,22,true)", Answer}, {25, "processEvents(T)", Answer},
    {26, "canParameterBeAutomated(11)", YesNo}, {27, "string2parameter(11,T)", YesNo},
    {28, "getNumCategories()", Answer}, {29, "getProgramNameIndexed(22,11,T)", YesNo},
    {30, "copyProgram(11)", YesNo}, {31, "inputConnected(11,true)", Fixed, 1},
    {32, "outputConnected(11,true)", Fixed, 1}, {33, "getInputProperties(11,T)", YesNo},
    {34, "getOutputProperties(11,T)", YesNo}, {35, "getPlugCategory()", Answer},
    {36, "reportCurrentPosition()", Answer}, {37, "reportDestinationBuffer()", Answer},
    {38, "offlineNotify(T,22,true)", YesNo}, {39, "offlinePrepare(T,22)", YesNo}, {40, "offlineRun(T,22)", YesNo},
    {41, "processVariableIo(T)", YesNo}, {42, "setSpeakerArrangement(V,T)", YesNo},
    {43, "setBlockSizeAndSampleRate(22,0.375)", Fixed, 1}, {44, "setBypass(true)", YesNo},
    {45, "getEffectName(T)", YesNo}, {46, "getErrorText(T)", YesNo}, {47, "getVendorString(T)", YesNo},
    {48, "getProductString(T)", YesNo}, {49, "getVendorVersion()", Answer},
    {50, "vendorSpecific(11,22,T,0.375)", Answer}, {51, "canDo(T)", Answer}, {52, "getGetTailSize()", Answer},
    {53, "fxIdle()", Answer}, {54, "getIcon()", Answer}, {55, "setViewPosition(11,22)", YesNo},
    {56, "getParameterProperties(11,T)", YesNo}, {57, "keysRequired()", Inverted}, {58, "getVstVersion()", Answer},
    {59, "", Fixed}, {60, "", Fixed}, {61, "", Fixed}, {62, "getMidiProgramName(11,T)", Answer},
    {63, "getCurrentMidiProgram(11,T)", Answer}, {64, "getMidiProgramCategory(11,T)", Answer},
    {65, "hasMidiProgramsChanged(11)", YesNo}, {66, "getMidiKeyName(11,T)", YesNo},
    {67, "beginSetProgram()", YesNo}, {68, "endSetProgram()", YesNo}, {69, "getSpeakerArrangement(V,T)", YesNo},
    {70, "getNextShellPlugin(T)", Answer}, {71, "startProcess()", Answer}, {72, "stopProcess()", Answer},
    {73, "setTotalSampleToProcess(22)", Answer}, {74, "setPanLaw(22,0.375)", YesNo},
    {75, "beginLoadBank(T)", Answer}, {76, "beginLoadProgram(T)", Answer}, {77, "setProcessPrecision(22)", YesNo},
    {78, "getNumMidiInputChannels()", Answer}, {79, "getNumMidiOutputChannels()", Answer},
    {80, "", Fixed}, {1000, "", Fixed}, {-1, "", Fixed}, {INT_MIN, "", Fixed}, {INT_MAX, "", Fixed},
};

std::vector<std::string> callsOf(const char* call) {
    return *call ? std::vector<std::string>{call} : std::vector<std::string>{};
}

TEST(DispatcherRouting, EachOpcodeCallsItsOperationWithItsArgumentsAndAnswers) {
    for (VstIntPtr answer : {VstIntPtr{0}, VstIntPtr{1}, VstIntPtr{-5}, VstIntPtr{40000}}) {
        for (const Route& route : kRoutes) {
            SCOPED_TRACE(testing::Message() << "opcode " << route.opcode << ", operation answers " << answer);
            Spy spy;
            spy.answer = answer;
            const VstIntPtr result = spy.dispatcher(route.opcode, kIndex, kValue, kText, kOpt);
            EXPECT_EQ(spy.calls, callsOf(route.call));
            switch (route.reply) {
                case Answer: EXPECT_EQ(result, answer); break;
                case YesNo: EXPECT_EQ(result, answer != 0 ? 1 : 0); break;
                case Inverted: EXPECT_EQ(result, answer != 0 ? 0 : 1); break;
                case Fixed: EXPECT_EQ(result, route.fixed); break;
            }
        }
    }
}

// Where the value decides whether and how an operation is reached.
TEST(DispatcherRouting, ValueRules) {
    struct Row { const char* what; VstInt32 programs, opcode, index; VstIntPtr value; const char* call; };
    std::vector<Row> rows = {
        {"value 0 suspends", 0, 12, 0, 0, "suspend()"},
        {"any other value resumes", 0, 12, 0, -1, "resume()"},
        {"no programs: 0 is refused", 0, 2, 0, 0, ""},
        {"no programs: -1 gets through", 0, 2, 0, -1, "setProgram(-1)"},
        {"no programs: most negative gets through", 0, 2, 0, INT_MIN, "setProgram(-2147483648)"},
        {"three programs: the last one", 3, 2, 0, 2, "setProgram(2)"},
        {"three programs: one past the end", 3, 2, 0, 3, ""},
        {"bool of index -3 is true", 0, 23, -3, 0, "getChunk(T,true)"},
        {"bool of value 0 is false", 0, 31, 0, 0, "inputConnected(0,false)"},
        // Low 32 bits zero where the value is wider; the top bit alone where it is not.
        {"bool of a value whose low bits are zero", 0, 44, 0,
         intPtr(pointerwidth::kWideIntPtr ? std::int64_t{1} << 40 : INT_MIN), "setBypass(true)"},
    };
    if (pointerwidth::kWideIntPtr) {
        rows.push_back({"low 32 bits zero resumes", 0, 12, 0, intPtr(std::int64_t{1} << 40), "resume()"});
        rows.push_back({"beyond 32 bits is no program number", 0, 2, 0, intPtr(std::int64_t{INT_MIN} - 1), ""});
        rows.push_back({"2^32 + 1 is not program 1", 3, 2, 0, intPtr((std::int64_t{1} << 32) + 1), ""});
    }
    for (const Row& row : rows) {
        Spy spy(row.programs);
        spy.dispatcher(row.opcode, row.index, row.value, kText, 0.0f);
        EXPECT_EQ(spy.calls, callsOf(row.call)) << row.what;
    }
}

// The meter level reaches the host as a 16-bit-scaled integer, truncated.
TEST(DispatcherRouting, MeterLevelIsScaledAndTruncated) {
    struct Row { const char* what; float level; VstIntPtr reply; };
    const Row rows[] = {
        {"full scale", 1.0f, 32767}, {"half: 16383.5 truncates down", 0.5f, 16383},
        {"negative half truncates toward zero", -0.5f, -16383}, {"smallest step below 1", 0.99999994f, 32766},
        {"NaN gives nothing", std::numeric_limits<float>::quiet_NaN(), 0},
        {"beyond 32 bits saturates", 1e10f, INT_MAX}, {"below 32 bits saturates", -1e10f, INT_MIN},
    };
    for (const Row& row : rows) {
        Spy spy;
        spy.vu = row.level;
        EXPECT_EQ(spy.dispatcher(effectOpcode::getVu, 0, 0, nullptr, 0.0f), row.reply) << row.what;
    }
}

// Resuming asks the host for events (wantEvents(1)) only for a synth, or for
// an effect whose own canDo answers exactly 1 to "receiveVstMidiEvent".
class Listener : public BareEffect {
public:
    VstInt32 midiAnswer = 0;  // what canDo answers to "receiveVstMidiEvent"
    int asked = 0;            // canDo calls
    VstInt32 canDo(char* text) override {
        return ++asked, std::string(text) == "receiveVstMidiEvent" ? midiAnswer : 1;
    }
};

TEST(DispatcherRouting, ResumeAsksForEventsOnlyWhenTheEffectWantsThem) {
    struct Row { const char* what; bool synth; VstInt32 midiAnswer; bool asksHost; int canDoCalls; };
    const Row rows[] = {
        {"plain effect, canDo 0", false, 0, false, 1}, {"plain effect, canDo -1", false, -1, false, 1},
        {"canDo 1 for MIDI", false, 1, true, 1}, {"canDo 2 is not exactly 1", false, 2, false, 1},
        {"a synth asks without consulting canDo", true, -1, true, 0},
    };
    for (const Row& row : rows) {
        RecordingHost::reset();
        Listener effect;
        effect.midiAnswer = row.midiAnswer;
        effect.isSynth(row.synth);
        effect.dispatcher(effectOpcode::suspendOrResume, 0, 0, nullptr, 0.0f);
        EXPECT_TRUE(RecordingHost::calls.empty()) << row.what << ": suspend must call nothing";
        EXPECT_EQ(effect.dispatcher(effectOpcode::suspendOrResume, 0, 1, nullptr, 0.0f), 0);
        EXPECT_EQ(effect.asked, row.canDoCalls) << row.what;
        const bool askedHost = RecordingHost::calls.size() == 1 && RecordingHost::calls[0].opcode == hostOpcode::wantEvents &&
                               RecordingHost::calls[0].value == 1;
        EXPECT_TRUE(askedHost == row.asksHost && RecordingHost::calls.size() <= 1) << row.what;
    }
}

}  // namespace

// The table of virtual operations is part of the boundary: an effect built
// against another copy of these headers must find every operation in its slot.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "effect/Glowmarsh.h"

namespace {

// Under the Itanium C++ ABI a pointer to a virtual member holds 1 + the
// slot's byte offset in the table; any other pointer to member is even.
template <typename MemberFunction>
long slotOf(MemberFunction f) {
    struct {
        std::uintptr_t ptr;
        std::ptrdiff_t adj;
    } rep;
    static_assert(sizeof f == sizeof rep);
    std::memcpy(&rep, &f, sizeof rep);
    return (rep.ptr & 1) ? static_cast<long>((rep.ptr - 1) / sizeof(void*)) : -1;
}

struct GlowmarshPlusOne : Glowmarsh {
    using Glowmarsh::Glowmarsh;
    virtual void probe() {}
};

#define S(name) {#name, slotOf(&AudioEffectX::name)}

// AudioEffect's operations, then AudioEffectX's, after the destructor's two
// slots. AudioEffectX's dispatcher and resume must stay in AudioEffect's slots.
const std::vector<std::pair<const char*, long>> kSlots = {
    S(dispatcher), S(open), S(close), S(suspend), S(resume), S(setSampleRate), S(setBlockSize),
    S(processReplacing), S(processDoubleReplacing), S(setParameter), S(getParameter), S(setParameterAutomated),
    S(getProgram), S(setProgram), S(setProgramName), S(getProgramName), S(getParameterLabel),
    S(getParameterDisplay), S(getParameterName), S(getChunk), S(setChunk), S(setUniqueID), S(setNumInputs),
    S(setNumOutputs), S(canProcessReplacing), S(canDoubleReplacing), S(programsAreChunks), S(setInitialDelay),
    S(getEditor), S(getAeffect), S(getSampleRate), S(getBlockSize), S(getMasterVersion), S(getCurrentUniqueId),
    S(masterIdle), S(dB2string), S(Hz2string), S(ms2string), S(float2string), S(int2string), S(process), S(getVu),
    S(hasVu), S(hasClip), S(canMono), S(setRealtimeQualities), S(setOfflineQualities), S(isInputConnected),
    S(isOutputConnected),
    // AudioEffectX
    S(canParameterBeAutomated), S(string2parameter), S(getParameterProperties), S(beginEdit), S(endEdit),
    S(getProgramNameIndexed), S(beginSetProgram), S(endSetProgram), S(beginLoadBank), S(beginLoadProgram),
    S(ioChanged), S(updateSampleRate), S(updateBlockSize), S(getInputLatency), S(getOutputLatency),
    S(getInputProperties), S(getOutputProperties), S(setSpeakerArrangement), S(getSpeakerArrangement),
    S(setBypass), S(setPanLaw), S(setProcessPrecision), S(getNumMidiInputChannels), S(getNumMidiOutputChannels),
    S(getTimeInfo), S(getCurrentProcessLevel), S(getAutomationState), S(processEvents), S(startProcess),
    S(stopProcess), S(processVariableIo), S(setTotalSampleToProcess), S(getHostVendorString),
    S(getHostProductString), S(getHostVendorVersion), S(hostVendorSpecific), S(canHostDo), S(getHostLanguage),
    S(isSynth), S(noTail), S(getGetTailSize), S(getDirectory), S(getEffectName), S(getVendorString),
    S(getProductString), S(getVendorVersion), S(vendorSpecific), S(canDo), S(getVstVersion), S(getPlugCategory),
    S(getMidiProgramName), S(getCurrentMidiProgram), S(getMidiProgramCategory), S(hasMidiProgramsChanged),
    S(getMidiKeyName), S(updateDisplay), S(sizeWindow), S(openFileSelector), S(closeFileSelector),
    S(getNextShellPlugin), S(allocateArrangement), S(deallocateArrangement), S(copySpeaker), S(matchArrangement),
    S(offlineRead), S(offlineWrite), S(offlineStart), S(offlineGetCurrentPass), S(offlineGetCurrentMetaPass),
    S(offlineNotify), S(offlinePrepare), S(offlineRun), S(offlineGetNumPasses), S(offlineGetNumMetaPasses),
    S(wantEvents), S(tempoAt), S(getNumAutomatableParameters), S(getParameterQuantization), S(getNumCategories),
    S(copyProgram), S(needIdle), S(getPreviousPlug), S(getNextPlug), S(inputConnected), S(outputConnected),
    S(willProcessReplacing), S(wantAsyncOperation), S(hasExternalBuffer), S(reportCurrentPosition),
    S(reportDestinationBuffer), S(setOutputSamplerate), S(getInputSpeakerArrangement),
    S(getOutputSpeakerArrangement), S(openWindow), S(closeWindow), S(setBlockSizeAndSampleRate), S(getErrorText),
    S(getIcon), S(setViewPosition), S(fxIdle), S(keysRequired), S(getChunkFile),
};

TEST(VirtualSlots, BothClassesInDeclaredOrderAndGlowmarshAppendsNone) {
    for (std::size_t i = 0; i < kSlots.size(); ++i) {
        EXPECT_EQ(kSlots[i].second, static_cast<long>(2 + i)) << kSlots[i].first;
    }
    // A class deriving from Glowmarsh puts its first new operation right after getChunkFile.
    EXPECT_EQ(slotOf(&GlowmarshPlusOne::probe), static_cast<long>(2 + kSlots.size()));
}

}  // namespace

// The table of virtual operations is part of the boundary: an effect built
// against these headers and one built against another copy must agree on
// every slot.
#include <gtest/gtest.h>

#include <vector>

#include "tests/host/BareEffect.h"
#include "tests/host/SlotOf.h"

namespace {

struct Slot {
    const char* name;
    long slot;
};

#define SLOT(Class, name) Slot{#name, slotOf(&Class::name)}

// The destructor's two forms take slots 0 and 1; everything follows in order.
const std::vector<Slot> kAudioEffectSlots = {
    SLOT(AudioEffect, dispatcher), SLOT(AudioEffect, open), SLOT(AudioEffect, close),
    SLOT(AudioEffect, suspend), SLOT(AudioEffect, resume), SLOT(AudioEffect, setSampleRate),
    SLOT(AudioEffect, setBlockSize), SLOT(AudioEffect, processReplacing), SLOT(AudioEffect, processDoubleReplacing),
    SLOT(AudioEffect, setParameter), SLOT(AudioEffect, getParameter), SLOT(AudioEffect, setParameterAutomated),
    SLOT(AudioEffect, getProgram), SLOT(AudioEffect, setProgram), SLOT(AudioEffect, setProgramName),
    SLOT(AudioEffect, getProgramName), SLOT(AudioEffect, getParameterLabel), SLOT(AudioEffect, getParameterDisplay),
    SLOT(AudioEffect, getParameterName), SLOT(AudioEffect, getChunk), SLOT(AudioEffect, setChunk),
    SLOT(AudioEffect, setUniqueID), SLOT(AudioEffect, setNumInputs), SLOT(AudioEffect, setNumOutputs),
    SLOT(AudioEffect, canProcessReplacing), SLOT(AudioEffect, canDoubleReplacing),
    SLOT(AudioEffect, programsAreChunks), SLOT(AudioEffect, setInitialDelay), SLOT(AudioEffect, getEditor),
    SLOT(AudioEffect, getAeffect), SLOT(AudioEffect, getSampleRate), SLOT(AudioEffect, getBlockSize),
    SLOT(AudioEffect, getMasterVersion), SLOT(AudioEffect, getCurrentUniqueId), SLOT(AudioEffect, masterIdle),
    SLOT(AudioEffect, dB2string), SLOT(AudioEffect, Hz2string), SLOT(AudioEffect, ms2string),
    SLOT(AudioEffect, float2string), SLOT(AudioEffect, int2string), SLOT(AudioEffect, process),
    SLOT(AudioEffect, getVu), SLOT(AudioEffect, hasVu), SLOT(AudioEffect, hasClip), SLOT(AudioEffect, canMono),
    SLOT(AudioEffect, setRealtimeQualities), SLOT(AudioEffect, setOfflineQualities),
    SLOT(AudioEffect, isInputConnected), SLOT(AudioEffect, isOutputConnected),
};

// Appended after the last AudioEffect slot.
const std::vector<Slot> kAudioEffectXSlots = {
    SLOT(AudioEffectX, canParameterBeAutomated), SLOT(AudioEffectX, string2parameter),
    SLOT(AudioEffectX, getParameterProperties), SLOT(AudioEffectX, beginEdit), SLOT(AudioEffectX, endEdit),
    SLOT(AudioEffectX, getProgramNameIndexed), SLOT(AudioEffectX, beginSetProgram),
    SLOT(AudioEffectX, endSetProgram), SLOT(AudioEffectX, beginLoadBank), SLOT(AudioEffectX, beginLoadProgram),
    SLOT(AudioEffectX, ioChanged), SLOT(AudioEffectX, updateSampleRate), SLOT(AudioEffectX, updateBlockSize),
    SLOT(AudioEffectX, getInputLatency), SLOT(AudioEffectX, getOutputLatency),
    SLOT(AudioEffectX, getInputProperties), SLOT(AudioEffectX, getOutputProperties),
    SLOT(AudioEffectX, setSpeakerArrangement), SLOT(AudioEffectX, getSpeakerArrangement),
    SLOT(AudioEffectX, setBypass), SLOT(AudioEffectX, setPanLaw), SLOT(AudioEffectX, setProcessPrecision),
    SLOT(AudioEffectX, getNumMidiInputChannels), SLOT(AudioEffectX, getNumMidiOutputChannels),
    SLOT(AudioEffectX, getTimeInfo), SLOT(AudioEffectX, getCurrentProcessLevel),
    SLOT(AudioEffectX, getAutomationState), SLOT(AudioEffectX, processEvents), SLOT(AudioEffectX, startProcess),
    SLOT(AudioEffectX, stopProcess), SLOT(AudioEffectX, processVariableIo),
    SLOT(AudioEffectX, setTotalSampleToProcess), SLOT(AudioEffectX, getHostVendorString),
    SLOT(AudioEffectX, getHostProductString), SLOT(AudioEffectX, getHostVendorVersion),
    SLOT(AudioEffectX, hostVendorSpecific), SLOT(AudioEffectX, canHostDo), SLOT(AudioEffectX, getHostLanguage),
    SLOT(AudioEffectX, isSynth), SLOT(AudioEffectX, noTail), SLOT(AudioEffectX, getGetTailSize),
    SLOT(AudioEffectX, getDirectory), SLOT(AudioEffectX, getEffectName), SLOT(AudioEffectX, getVendorString),
    SLOT(AudioEffectX, getProductString), SLOT(AudioEffectX, getVendorVersion), SLOT(AudioEffectX, vendorSpecific),
    SLOT(AudioEffectX, canDo), SLOT(AudioEffectX, getVstVersion), SLOT(AudioEffectX, getPlugCategory),
    SLOT(AudioEffectX, getMidiProgramName), SLOT(AudioEffectX, getCurrentMidiProgram),
    SLOT(AudioEffectX, getMidiProgramCategory), SLOT(AudioEffectX, hasMidiProgramsChanged),
    SLOT(AudioEffectX, getMidiKeyName), SLOT(AudioEffectX, updateDisplay), SLOT(AudioEffectX, sizeWindow),
    SLOT(AudioEffectX, openFileSelector), SLOT(AudioEffectX, closeFileSelector),
    SLOT(AudioEffectX, getNextShellPlugin), SLOT(AudioEffectX, allocateArrangement),
    SLOT(AudioEffectX, deallocateArrangement), SLOT(AudioEffectX, copySpeaker),
    SLOT(AudioEffectX, matchArrangement), SLOT(AudioEffectX, offlineRead), SLOT(AudioEffectX, offlineWrite),
    SLOT(AudioEffectX, offlineStart), SLOT(AudioEffectX, offlineGetCurrentPass),
    SLOT(AudioEffectX, offlineGetCurrentMetaPass), SLOT(AudioEffectX, offlineNotify),
    SLOT(AudioEffectX, offlinePrepare), SLOT(AudioEffectX, offlineRun), SLOT(AudioEffectX, offlineGetNumPasses),
    SLOT(AudioEffectX, offlineGetNumMetaPasses), SLOT(AudioEffectX, wantEvents), SLOT(AudioEffectX, tempoAt),
    SLOT(AudioEffectX, getNumAutomatableParameters), SLOT(AudioEffectX, getParameterQuantization),
    SLOT(AudioEffectX, getNumCategories), SLOT(AudioEffectX, copyProgram), SLOT(AudioEffectX, needIdle),
    SLOT(AudioEffectX, getPreviousPlug), SLOT(AudioEffectX, getNextPlug), SLOT(AudioEffectX, inputConnected),
    SLOT(AudioEffectX, outputConnected), SLOT(AudioEffectX, willProcessReplacing),
    SLOT(AudioEffectX, wantAsyncOperation), SLOT(AudioEffectX, hasExternalBuffer),
    SLOT(AudioEffectX, reportCurrentPosition), SLOT(AudioEffectX, reportDestinationBuffer),
    SLOT(AudioEffectX, setOutputSamplerate), SLOT(AudioEffectX, getInputSpeakerArrangement),
    SLOT(AudioEffectX, getOutputSpeakerArrangement), SLOT(AudioEffectX, openWindow),
    SLOT(AudioEffectX, closeWindow), SLOT(AudioEffectX, setBlockSizeAndSampleRate),
    SLOT(AudioEffectX, getErrorText), SLOT(AudioEffectX, getIcon), SLOT(AudioEffectX, setViewPosition),
    SLOT(AudioEffectX, fxIdle), SLOT(AudioEffectX, keysRequired), SLOT(AudioEffectX, getChunkFile),
};

// A class that adds one virtual operation: it lands right after the last slot
// of its base, which proves the base declares nothing after that slot.
struct OneMore : BareEffect {
    virtual void probe() {}
};

TEST(VirtualSlots, AudioEffectOperationsFollowTheDestructorInOrder) {
    for (std::size_t i = 0; i < kAudioEffectSlots.size(); ++i) {
        EXPECT_EQ(kAudioEffectSlots[i].slot, static_cast<long>(2 + i)) << kAudioEffectSlots[i].name;
    }
}

TEST(VirtualSlots, AudioEffectXAppendsItsOperationsInOrder) {
    const long first = kAudioEffectSlots.back().slot + 1;
    for (std::size_t i = 0; i < kAudioEffectXSlots.size(); ++i) {
        EXPECT_EQ(kAudioEffectXSlots[i].slot, first + static_cast<long>(i)) << kAudioEffectXSlots[i].name;
    }
    EXPECT_EQ(slotOf(&OneMore::probe), kAudioEffectXSlots.back().slot + 1)
        << "AudioEffectX declares a virtual operation after getChunkFile";
}

TEST(VirtualSlots, AudioEffectXReplacesDispatcherAndResumeInTheirSlots) {
    EXPECT_EQ(slotOf(&AudioEffectX::dispatcher), slotOf(&AudioEffect::dispatcher));
    EXPECT_EQ(slotOf(&AudioEffectX::resume), slotOf(&AudioEffect::resume));
}

}  // namespace

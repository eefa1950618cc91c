// Everything the effect asks or tells its host. Each call goes through
// callHost, which answers 0 without a callback; the fixed values a caller
// gets without a host follow from that, except where noted.
#include <cstdint>

#include "host/AudioEffectX.h"
#include "host/Opcodes.h"

namespace {
VstInt32 yesOrNo(VstIntPtr answer) {
    return answer != 0 ? 1 : 0;
}

template <typename T>
T* asAddress(VstIntPtr answer) {
    return reinterpret_cast<T*>(answer);
}
}  // namespace

// --- AudioEffect ------------------------------------------------------------

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    // The effect holds the new value before the host hears of it.
    setParameter(index, value);
    callHost(hostOpcode::automate, index, 0, nullptr, value);
}

// A host that gives no version is taken to be a version-1 host.
VstInt32 AudioEffect::getMasterVersion() {
    const auto version = static_cast<VstInt32>(callHost(hostOpcode::version));
    return version != 0 ? version : 1;
}

VstInt32 AudioEffect::getCurrentUniqueId() {
    return static_cast<VstInt32>(callHost(hostOpcode::currentId));
}

void AudioEffect::masterIdle() {
    callHost(hostOpcode::idle);
}

// The host answers 0 for a connected pin; no host means connected.
VstInt32 AudioEffect::isInputConnected(VstInt32 input) {
    return callHost(hostOpcode::pinConnected, input, 0) == 0 ? 1 : 0;
}

VstInt32 AudioEffect::isOutputConnected(VstInt32 output) {
    return callHost(hostOpcode::pinConnected, output, 1) == 0 ? 1 : 0;
}

// --- AudioEffectX -------------------------------------------------------------

void AudioEffectX::wantEvents(VstInt32 filter) {
    callHost(hostOpcode::wantEvents, 0, filter);
}

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
    return asAddress<VstTimeInfo>(callHost(hostOpcode::getTime, 0, filter));
}

VstInt32 AudioEffectX::sendVstEventsToHost(VstEvents* events) {
    return callHost(hostOpcode::processEvents, 0, 0, events) == 1 ? 1 : 0;
}

VstInt32 AudioEffectX::tempoAt(VstInt32 samplePosition) {
    return static_cast<VstInt32>(callHost(hostOpcode::tempoAt, 0, samplePosition));
}

VstInt32 AudioEffectX::getNumAutomatableParameters() {
    return static_cast<VstInt32>(callHost(hostOpcode::getNumAutomatableParameters));
}

VstInt32 AudioEffectX::getParameterQuantization() {
    return static_cast<VstInt32>(callHost(hostOpcode::getParameterQuantization));
}

VstInt32 AudioEffectX::ioChanged() {
    return yesOrNo(callHost(hostOpcode::ioChanged));
}

VstInt32 AudioEffectX::needIdle() {
    return yesOrNo(callHost(hostOpcode::needIdle));
}

VstInt32 AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
    return yesOrNo(callHost(hostOpcode::sizeWindow, width, height));
}

float AudioEffectX::updateSampleRate() {
    const VstIntPtr answer = callHost(hostOpcode::getSampleRate);
    if (answer > 0) {
        sampleRate = static_cast<float>(answer);
    }
    return sampleRate;
}

VstInt32 AudioEffectX::updateBlockSize() {
    // Only an answer that is a block size replaces the one we have.
    const VstIntPtr answer = callHost(hostOpcode::getBlockSize);
    if (answer > 0 && answer <= INT32_MAX) {
        blockSize = static_cast<VstInt32>(answer);
    }
    return blockSize;
}

VstInt32 AudioEffectX::getInputLatency() {
    return static_cast<VstInt32>(callHost(hostOpcode::getInputLatency));
}

VstInt32 AudioEffectX::getOutputLatency() {
    return static_cast<VstInt32>(callHost(hostOpcode::getOutputLatency));
}

// The pin number is not passed: the host answers for the chain as it sees it.
AEffect* AudioEffectX::getPreviousPlug(VstInt32 /*input*/) {
    return asAddress<AEffect>(callHost(hostOpcode::getPreviousPlug));
}

AEffect* AudioEffectX::getNextPlug(VstInt32 /*output*/) {
    return asAddress<AEffect>(callHost(hostOpcode::getNextPlug));
}

VstInt32 AudioEffectX::willProcessReplacing() {
    return static_cast<VstInt32>(callHost(hostOpcode::willReplaceOrAccumulate));
}

VstInt32 AudioEffectX::getCurrentProcessLevel() {
    return static_cast<VstInt32>(callHost(hostOpcode::getCurrentProcessLevel));
}

VstInt32 AudioEffectX::getAutomationState() {
    return static_cast<VstInt32>(callHost(hostOpcode::getAutomationState));
}

VstInt32 AudioEffectX::offlineStart(VstAudioFile* files, VstInt32 numAudioFiles, VstInt32 numNewAudioFiles) {
    return yesOrNo(callHost(hostOpcode::offlineStart, numNewAudioFiles, numAudioFiles, files));
}

VstInt32 AudioEffectX::offlineRead(VstOfflineTask* task, VstOfflineOption option, bool readSource) {
    return yesOrNo(callHost(hostOpcode::offlineRead, readSource ? 1 : 0, option, task));
}

VstInt32 AudioEffectX::offlineWrite(VstOfflineTask* task, VstOfflineOption option) {
    return yesOrNo(callHost(hostOpcode::offlineWrite, 0, option, task));
}

VstInt32 AudioEffectX::offlineGetCurrentPass() {
    return yesOrNo(callHost(hostOpcode::offlineGetCurrentPass));
}

VstInt32 AudioEffectX::offlineGetCurrentMetaPass() {
    return yesOrNo(callHost(hostOpcode::offlineGetCurrentMetaPass));
}

void AudioEffectX::setOutputSamplerate(float rate) {
    callHost(hostOpcode::setOutputSampleRate, 0, 0, nullptr, rate);
}

VstSpeakerArrangement* AudioEffectX::getOutputSpeakerArrangement() {
    return asAddress<VstSpeakerArrangement>(callHost(hostOpcode::getOutputSpeakerArrangement));
}

VstSpeakerArrangement* AudioEffectX::getInputSpeakerArrangement() {
    return asAddress<VstSpeakerArrangement>(callHost(hostOpcode::getInputSpeakerArrangement));
}

VstInt32 AudioEffectX::getHostVendorString(char* text) {
    return yesOrNo(callHost(hostOpcode::getVendorString, 0, 0, text));
}

VstInt32 AudioEffectX::getHostProductString(char* text) {
    return yesOrNo(callHost(hostOpcode::getProductString, 0, 0, text));
}

VstInt32 AudioEffectX::getHostVendorVersion() {
    return static_cast<VstInt32>(callHost(hostOpcode::getVendorVersion));
}

VstIntPtr AudioEffectX::hostVendorSpecific(VstInt32 arg1, VstIntPtr arg2, void* ptrArg, float floatArg) {
    return callHost(hostOpcode::vendorSpecific, arg1, arg2, ptrArg, floatArg);
}

// Passed on as given: the host decides what it understands.
VstInt32 AudioEffectX::canHostDo(char* text) {
    return yesOrNo(callHost(hostOpcode::canDo, 0, 0, text));
}

VstInt32 AudioEffectX::getHostLanguage() {
    return static_cast<VstInt32>(callHost(hostOpcode::getLanguage));
}

void* AudioEffectX::openWindow(VstWindow* window) {
    return asAddress<void>(callHost(hostOpcode::openWindow, 0, 0, window));
}

VstInt32 AudioEffectX::closeWindow(VstWindow* window) {
    return yesOrNo(callHost(hostOpcode::closeWindow, 0, 0, window));
}

void* AudioEffectX::getDirectory() {
    return asAddress<void>(callHost(hostOpcode::getDirectory));
}

VstInt32 AudioEffectX::updateDisplay() {
    return yesOrNo(callHost(hostOpcode::updateDisplay));
}

VstInt32 AudioEffectX::beginEdit(VstInt32 index) {
    return yesOrNo(callHost(hostOpcode::beginEdit, index));
}

VstInt32 AudioEffectX::endEdit(VstInt32 index) {
    return yesOrNo(callHost(hostOpcode::endEdit, index));
}

// These three refuse a null argument without asking the host.
VstInt32 AudioEffectX::openFileSelector(VstFileSelect* selector) {
    return selector ? yesOrNo(callHost(hostOpcode::openFileSelector, 0, 0, selector)) : 0;
}

VstInt32 AudioEffectX::closeFileSelector(VstFileSelect* selector) {
    return selector ? yesOrNo(callHost(hostOpcode::closeFileSelector, 0, 0, selector)) : 0;
}

VstInt32 AudioEffectX::getChunkFile(void* nativePath) {
    return nativePath ? yesOrNo(callHost(hostOpcode::getChunkFile, 0, 0, nativePath)) : 0;
}

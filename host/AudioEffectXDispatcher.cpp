// Opcodes 25 to 79, the VST 2.x requests; the rest go to AudioEffect.
#include "host/AudioEffectX.h"
#include "host/NumericConversion.h"
#include "host/Opcodes.h"

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    namespace op = effectOpcode;
    char* const text = static_cast<char*>(ptr);
    const VstInt32 value32 = static_cast<VstInt32>(value);
    switch (opcode) {
        case op::processEvents: return processEvents(static_cast<VstEvents*>(ptr));
        case op::canParameterBeAutomated: return canParameterBeAutomated(index);
        case op::string2parameter: return string2parameter(index, text);
        case op::getNumCategories: return getNumCategories();
        case op::getProgramNameIndexed: return getProgramNameIndexed(value32, index, text);
        case op::copyProgram: return copyProgram(index);
        case op::inputConnected: inputConnected(index, value != 0); return 1;
        case op::outputConnected: outputConnected(index, value != 0); return 1;
        case op::getInputProperties: return getInputProperties(index, static_cast<VstPinProperties*>(ptr));
        case op::getOutputProperties: return getOutputProperties(index, static_cast<VstPinProperties*>(ptr));
        case op::getPlugCategory: return getPlugCategory();
        case op::reportCurrentPosition: return reportCurrentPosition();
        case op::reportDestinationBuffer: return reinterpret_cast<VstIntPtr>(reportDestinationBuffer());
        case op::offlineNotify: return offlineNotify(static_cast<VstAudioFile*>(ptr), value32, index != 0);
        case op::offlinePrepare: return offlinePrepare(static_cast<VstOfflineTask*>(ptr), value32);
        case op::offlineRun: return offlineRun(static_cast<VstOfflineTask*>(ptr), value32);
        case op::processVariableIo: return processVariableIo(static_cast<VstVariableIo*>(ptr));
        case op::setSpeakerArrangement:
            return setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                         static_cast<VstSpeakerArrangement*>(ptr));
        case op::setBlockSizeAndSampleRate: setBlockSizeAndSampleRate(value32, opt); return 1;
        case op::setBypass: return setBypass(value != 0);
        case op::getEffectName: return getEffectName(text);
        case op::getErrorText: return getErrorText(text);
        case op::getVendorString: return getVendorString(text);
        case op::getProductString: return getProductString(text);
        case op::getVendorVersion: return getVendorVersion();
        case op::vendorSpecific: return vendorSpecific(index, value, ptr, opt);
        case op::canDo: return canDo(text);
        case op::getTailSize: return getGetTailSize();
        case op::fxIdle: return fxIdle();
        case op::getIcon: return reinterpret_cast<VstIntPtr>(getIcon());
        case op::setViewPosition: return setViewPosition(index, value32);
        case op::getParameterProperties:
            return getParameterProperties(index, static_cast<VstParameterProperties*>(ptr));
        case op::keysRequired: return keysRequired() ? 0 : 1;  // the opcode asks the opposite question
        case op::getVstVersion: return getVstVersion();
        case op::editKeyDown:
        case op::editKeyUp:
        case op::editSetKnobMode:
            // No editor interface beyond ownership: nothing to forward to.
            return 0;
        case op::getMidiProgramName: return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
        case op::getCurrentMidiProgram: return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
        case op::getMidiProgramCategory:
            return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
        case op::hasMidiProgramsChanged: return hasMidiProgramsChanged(index);
        case op::getMidiKeyName: return getMidiKeyName(index, static_cast<MidiKeyName*>(ptr));
        case op::beginSetProgram: return beginSetProgram();
        case op::endSetProgram: return endSetProgram();
        case op::getSpeakerArrangement:
            return getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                         static_cast<VstSpeakerArrangement**>(ptr));
        case op::getNextShellPlugin: return getNextShellPlugin(text);
        case op::startProcess: return startProcess();
        case op::stopProcess: return stopProcess();
        case op::setTotalSampleToProcess: return setTotalSampleToProcess(value32);
        case op::setPanLaw: return setPanLaw(value32, opt);
        case op::beginLoadBank: return beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
        case op::beginLoadProgram: return beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
        case op::setProcessPrecision: return setProcessPrecision(value32);
        case op::getNumMidiInputChannels: return getNumMidiInputChannels();
        case op::getNumMidiOutputChannels: return getNumMidiOutputChannels();
        default: return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

// Opcodes 0 to 24: the requests every VST effect understands.
#include "host/AudioEffect.h"
#include "host/Opcodes.h"

#include <cstdint>

#include "host/NumericConversion.h"

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    namespace op = effectOpcode;
    char* const text = static_cast<char*>(ptr);
    switch (opcode) {
        case op::open: open(); return 0;
        case op::close: close(); return 0;
        case op::setProgram:
            // Signed, so with no programs only a negative number gets through;
            // a number beyond 32 bits is no program number at all.
            if (value < numPrograms && value >= INT32_MIN) {
                setProgram(static_cast<VstInt32>(value));
            }
            return 0;
        case op::getProgram: return getProgram();
        case op::setProgramName: setProgramName(text); return 0;
        case op::getProgramName: getProgramName(text); return 0;
        case op::getParameterLabel: getParameterLabel(index, text); return 0;
        case op::getParameterDisplay: getParameterDisplay(index, text); return 0;
        case op::getParameterName: getParameterName(index, text); return 0;
        case op::getVu: return truncToInt32(static_cast<double>(getVu()) * 32767.0);
        case op::setSampleRate: setSampleRate(opt); return 0;
        case op::setBlockSize: setBlockSize(static_cast<VstInt32>(value)); return 0;
        case op::suspendOrResume:
            if (value == 0) {
                suspend();
            } else {
                resume();
            }
            return 0;
        case op::editGetRect:
        case op::editOpen:
        case op::editClose:
        case op::editDraw:
        case op::editMouse:
        case op::editKey:
        case op::editIdle:
        case op::editTop:
        case op::editSleep:
            // No editor interface beyond ownership: nothing to forward to.
            return 0;
        case op::identify: return fourCharCode('N', 'v', 'E', 'f');
        case op::getChunk: return getChunk(static_cast<void**>(ptr), index != 0);
        case op::setChunk: return setChunk(ptr, saturateToInt32(value), index != 0);
        default: return 0;
    }
}

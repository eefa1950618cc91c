// The floor under every frame of the engine: the two rand() draws that its
// dither must make, and nothing else worth mentioning. Same call shape as the
// plug-in record's replacing entries, so it is timed through a function
// pointer exactly as they are.
#pragma once

#include "host/AEffect.h"

namespace floorloop {

// Per frame: reads left and right input, draws rand() for the left and then
// the right channel, writes each input plus its draw times 1e-20. The record
// argument is not used.
void floorReplacing(AEffect* effect, float** inputs, float** outputs, VstInt32 frames);
void floorDoubleReplacing(AEffect* effect, double** inputs, double** outputs, VstInt32 frames);

}  // namespace floorloop

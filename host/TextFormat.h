// Value-to-text helpers behind AudioEffect's float2string, int2string,
// dB2string, Hz2string and ms2string: eight-character decimal texts,
// truncated and never rounded. Free functions so they can be used and tested
// without an effect object.
#pragma once

#include "host/AEffect.h"

void formatFloat(float value, char* text, VstInt32 maxLen);
void formatInt(VstInt32 value, char* text, VstInt32 maxLen);

// Value-to-text helpers behind AudioEffect's float2string, int2string,
// dB2string, Hz2string and ms2string: eight-character decimal texts,
// truncated and never rounded. Free functions so they can be used and tested
// without an effect object.
//
// Both write at most maxLen characters and zeros from the end of the text
// through index maxLen, and nothing beyond; a negative maxLen writes nothing.
// They keep no state and may run on any thread at once.
#pragma once

#include "host/AEffect.h"

// Eight characters: sign, integer digits, point and as many fraction digits as
// fit, e.g. "0.699999", "-12345.5", "9999999."; an integer part that needs all
// eight characters drops the point ("12345678"). "Huge!" above 99999999, below
// -9999999, for infinities and for NaN.
void formatFloat(float value, char* text, VstInt32 maxLen);

// Decimal digits with a leading "-" when negative; "Huge!" when the text,
// sign included, would need more than eight characters.
void formatInt(VstInt32 value, char* text, VstInt32 maxLen);

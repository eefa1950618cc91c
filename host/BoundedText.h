// The two ways every text reaches a host buffer. Both write through index
// maxLen and never beyond it.
#pragma once

#include "host/AEffect.h"

// Copies at most maxLen characters of source, zero-fills the rest of the first
// maxLen bytes and stores a zero at index maxLen (maxLen + 1 bytes written).
void boundedCopy(char* dest, const char* source, VstInt32 maxLen);

// Appends source to the text in dest, keeps the first maxLen characters of
// the joined text and stores a zero at index maxLen.
void boundedAppend(char* dest, const char* source, VstInt32 maxLen);

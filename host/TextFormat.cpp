#include "host/TextFormat.h"

#include "host/BoundedText.h"

// Placeholder until the formatting rules land.
void formatFloat(float /*value*/, char* text, VstInt32 maxLen) {
    boundedCopy(text, "", maxLen);
}

void formatInt(VstInt32 /*value*/, char* text, VstInt32 maxLen) {
    boundedCopy(text, "", maxLen);
}

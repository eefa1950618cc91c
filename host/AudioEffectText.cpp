// AudioEffect's value-to-text operations. dB2string, Hz2string and ms2string
// go through the virtual float2string, so an effect that replaces it changes
// all four texts.
#include <cmath>

#include "host/AudioEffect.h"
#include "host/BoundedText.h"
#include "host/NumericConversion.h"
#include "host/TextFormat.h"

void AudioEffect::float2string(float value, char* text, VstInt32 maxLen) {
    formatFloat(value, text, maxLen);
}

void AudioEffect::int2string(VstInt32 value, char* text, VstInt32 maxLen) {
    formatInt(value, text, maxLen);
}

void AudioEffect::dB2string(float value, char* text, VstInt32 maxLen) {
    if (value <= 0.0f) {
        boundedCopy(text, "-oo", maxLen);
        return;
    }
    float2string(toFloat(20.0 * std::log10(static_cast<double>(value))), text, maxLen);
}

void AudioEffect::Hz2string(float samples, char* text, VstInt32 maxLen) {
    const float rate = getSampleRate();
    // In single precision; no samples shows 0 rather than an infinite rate.
    float2string(samples == 0.0f ? 0.0f : rate / samples, text, maxLen);
}

void AudioEffect::ms2string(float samples, char* text, VstInt32 maxLen) {
    const float rate = getSampleRate();
    // A zero rate gives an infinite or NaN quotient, which shows "Huge!".
    float2string(toFloat(static_cast<double>(samples) * 1000.0 / static_cast<double>(rate)), text, maxLen);
}

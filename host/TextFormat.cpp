#include "host/TextFormat.h"

#include <cmath>
#include <cstdint>

#include "host/BoundedText.h"
#include "host/NumericConversion.h"

namespace {

constexpr int kTextWidth = 8;                    // characters of every number text
constexpr double kLargestFloatText = 99999999.0;  // eight digits
constexpr double kLargestNegativeMagnitude = 9999999.0;  // seven digits after the sign
constexpr VstInt32 kLargestIntText = 99999999;
constexpr VstInt32 kSmallestIntText = -9999999;
constexpr const char* kOverflowText = "Huge!";

// The units digit of x >= 0, which need not be a whole number.
char unitsDigit(double x) {
    return static_cast<char>('0' + truncToInt32(std::fmod(x, 10.0)));
}

}  // namespace

// All in double, on the value widened from float. Integer digits come from
// repeated division by ten of the floored magnitude, fraction digits from the
// fractional part scaled by a power of ten; both are truncated, so
// 0.7f (0.699999988...) shows "0.699999".
void formatFloat(float value, char* text, VstInt32 maxLen) {
    const double widened = value;
    bool negative = false;
    double magnitude = widened;
    if (widened >= 0.0) {  // -0.0 included
        if (widened > kLargestFloatText) {
            boundedCopy(text, kOverflowText, maxLen);
            return;
        }
    } else {
        magnitude = -widened;
        if (!(magnitude <= kLargestNegativeMagnitude)) {  // NaN included
            boundedCopy(text, kOverflowText, maxLen);
            return;
        }
        negative = true;
    }

    // Sign, integer digits and point, built from the back: the digits least
    // significant first, in front of the point's place.
    char integerText[kTextWidth + 2];
    integerText[kTextWidth + 1] = '\0';
    integerText[kTextWidth] = '.';
    int first = kTextWidth;
    int used = negative ? 2 : 1;  // sign and point
    const double whole = std::floor(magnitude);
    integerText[--first] = unitsDigit(whole);  // always written: below one shows "0"
    ++used;
    double rest = whole / 10.0;
    while (rest >= 1.0 && used <= kTextWidth - 1) {
        integerText[--first] = unitsDigit(rest);
        rest /= 10.0;
        ++used;
    }
    // One digit more than the point leaves room for (10000000 to 99999999,
    // -1000000 to -9999999): give up the point rather than the leading digit.
    const bool withPoint = rest < 1.0;
    if (!withPoint) {
        integerText[--first] = unitsDigit(rest);
        integerText[kTextWidth] = '\0';
    }
    if (negative) {
        integerText[--first] = '-';
    }
    boundedCopy(text, integerText + first, maxLen);
    if (!withPoint || used >= kTextWidth) {
        return;
    }

    // Fraction digits, least significant first; truncation, never rounding.
    const int fractionDigits = kTextWidth - used;  // 1 to 6
    char fractionText[kTextWidth];
    double scaled = std::pow(10.0, fractionDigits) * std::fmod(magnitude, 1.0);
    for (int i = fractionDigits - 1; i >= 0; --i) {
        if (scaled <= 0.0) {
            fractionText[i] = '0';
        } else {
            fractionText[i] = unitsDigit(scaled);
            scaled /= 10.0;
        }
    }
    fractionText[fractionDigits] = '\0';
    boundedAppend(text, fractionText, maxLen);
}

void formatInt(VstInt32 value, char* text, VstInt32 maxLen) {
    // A longer text cut to the width would read as a different number.
    if (value > kLargestIntText || value < kSmallestIntText) {
        boundedCopy(text, kOverflowText, maxLen);
        return;
    }
    char numberText[kTextWidth + 1];  // built from the back
    int first = kTextWidth;
    numberText[first] = '\0';
    std::int32_t rest = value < 0 ? -value : value;  // in range: no overflow
    do {
        numberText[--first] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest > 0);  // zero shows "0"
    if (value < 0) {
        numberText[--first] = '-';
    }
    boundedCopy(text, numberText + first, maxLen);
}

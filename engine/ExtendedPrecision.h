// The dither sums are long double, on x86 the x87 unit's 64-bit significand.
// Windows starts every program with that unit rounding to 53 bits, and hosts
// leave it so: a processing call run that way would round those sums like
// doubles and give other output bits. A scope sets 64 bits for the call and
// gives the caller's setting back, also when the call throws.
#pragma once

#include <cstdint>

namespace glowmarsh {

class ExtendedPrecisionScope {
public:
#if defined(__x86_64__) || defined(__i386__)
    ExtendedPrecisionScope() {
        asm volatile("fnstcw %0" : "=m"(callers));
        const std::uint16_t extended = callers | kPrecisionBits;
        if (extended != callers) {
            asm volatile("fldcw %0" : : "m"(extended) : "memory");
        }
    }
    ~ExtendedPrecisionScope() {
        if ((callers & kPrecisionBits) != kPrecisionBits) {
            asm volatile("fldcw %0" : : "m"(callers) : "memory");
        }
    }

private:
    static constexpr std::uint16_t kPrecisionBits = 0x300;  // precision control: 11 = 64 bits
    std::uint16_t callers;
#else
    ExtendedPrecisionScope() {}  // long double rounds as it is declared
#endif
public:
    ExtendedPrecisionScope(const ExtendedPrecisionScope&) = delete;
    ExtendedPrecisionScope& operator=(const ExtendedPrecisionScope&) = delete;
};

}  // namespace glowmarsh

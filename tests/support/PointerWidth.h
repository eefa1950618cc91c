// The dispatcher's and the host callback's value argument is as wide as a
// pointer: 64 bits on x86-64, 32 bits on the i386 and ppc32 targets. Rows
// that need a value beyond 32 bits exist only where it is wider.
#pragma once

#include <cstdint>

#include "host/AEffect.h"

namespace pointerwidth {

constexpr bool kWideIntPtr = sizeof(VstIntPtr) > 4;

// value as the boundary's integer; on a 32-bit target only values that fit
// mean what they say.
constexpr VstIntPtr intPtr(std::int64_t value) {
    return static_cast<VstIntPtr>(value);
}

}  // namespace pointerwidth

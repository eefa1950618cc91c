// The x86 vector loops at eight lanes, as the AVX-512 level runs them, with
// each 8-lane vector emulated by two AVX2 vectors: the AVX-512 instructions
// cannot run on CPUs without them, but the loops' handling of eight frames per
// vector (chunks, partial vectors, padding) can.
#pragma once

#include "engine/Kernels.h"

namespace enginetest {

// The emulated set, or null where AVX-512 runs for real, AVX2 is missing or the build is not x86.
const glowmarsh::Kernels* eightLaneKernels();

}  // namespace enginetest

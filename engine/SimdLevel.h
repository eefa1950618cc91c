// Which vector instruction set the engine's inner loops use. One binary runs
// on every x86-64 machine: the best level this CPU offers is found once, when
// the module loads, and each level computes the same bits.
#pragma once

namespace glowmarsh {

enum class SimdLevel {
    portable,  // plain C++, for every target
    sse2,      // 2 doubles per vector; every x86-64 CPU
    avx2,      // 4 doubles per vector, with FMA
    avx512,    // 8 doubles per vector (AVX-512F and DQ)
};

// The best level this CPU and OS support; fixed for the life of the process.
SimdLevel bestSimdLevel();

// Whether this build and this CPU can run the level.
bool simdLevelSupported(SimdLevel level);

// Short lowercase name, for test and benchmark labels.
const char* simdLevelName(SimdLevel level);

}  // namespace glowmarsh

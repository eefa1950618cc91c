// The engine's one fused multiply-add: a * b + c rounded once, to nearest
// with ties to even, the same bits on every target. Not every C library's
// fma rounds once (MinGW's does not), so the engine never calls it: it uses
// the processor's instruction where the CPU has one and an exact integer
// method otherwise.
#pragma once

namespace glowmarsh {

// The exact integer method, on any CPU. Tests call it directly.
double fusedMultiplyAddSoftware(double a, double b, double c);

#if defined(__FMA__) || (defined(__FP_FAST_FMA) && !defined(__x86_64__) && !defined(__i386__))

// Every CPU this build runs on has the instruction (PowerPC's fmadd, or x86
// built for FMA3 CPUs only).
inline double fusedMultiplyAdd(double a, double b, double c) {
    return __builtin_fma(a, b, c);
}

#elif defined(__x86_64__) || defined(__i386__)

// FMA3's vfmadd; call only where cpuHasFma.
double fusedMultiplyAddHardware(double a, double b, double c);

// Whether this CPU (and OS) runs FMA3; found once, when the module loads.
// Read before that (during another file's static set-up) it is false, which
// only picks the slower of two equal answers.
extern const bool cpuHasFma;

inline double fusedMultiplyAdd(double a, double b, double c) {
    return cpuHasFma ? fusedMultiplyAddHardware(a, b, c) : fusedMultiplyAddSoftware(a, b, c);
}

#else

inline double fusedMultiplyAdd(double a, double b, double c) {
    return fusedMultiplyAddSoftware(a, b, c);
}

#endif

}  // namespace glowmarsh

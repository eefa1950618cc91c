// The whole state of the signal engine, held by value in the effect object.
// Field order and sizes are those of the effect's persistent engine; see
// EngineState.cpp for the initial tables.
#pragma once

#include <atomic>
#include <cstdint>

namespace glowmarsh {

constexpr int kRingLength = 22050;           // distance between the two copies of the history
constexpr int kHistorySize = 45102;          // doubles in tapBuffer
constexpr int kWrittenHistory = 2 * kRingLength + 1;  // positions 0 to 44100 are ever written
constexpr int kTableSize = 171;              // entries of the per-tap tables
constexpr int kPrimeCount = 167;             // entries of primeTable that are set
constexpr int kMaxTaps = 164;                // taps the tap sum can serve
constexpr int kSmoothLength = 10;            // frames in the smoothing window

struct EngineState {
    EngineState();

    long double ditherShapeL = 0;            // left dither added in the previous frame
    long double ditherShapeR = 0;            // right dither added in the previous frame
    double tapBuffer[kHistorySize];          // mono history, written at p and p + kRingLength
    std::int32_t writeIndex = 0;             // next write position; counts down
    std::int32_t primeTable[kTableSize];     // base tap distances
    std::int32_t tapOffset[kTableSize];      // read distance of each tap, frames
    double tapPanL[kTableSize];              // left gain of each tap
    double tapPanR[kTableSize];              // right gain of each tap
    std::int32_t scanTap = 2;                // tap the scan motion nudges next
    std::int32_t scanDirection = 1;          // +1 or -1
    std::int32_t scanCounter = 1;            // frames since the last scan step
    double wetHistoryL[11];                  // last ten tap-sum changes, newest first
    double wetHistoryR[11];
    double smoothCoeff[11];                  // window weights of the current block
    double lastSumL = 0.0;                   // previous frame's tap sums
    double lastSumR = 0.0;
    // Parameters, 0 to 1. Written by the host on any thread, read once per block.
    std::atomic<float> sustain{1.0f};
    std::atomic<float> grain{0.7f};
    std::atomic<float> dryWet{0.2f};
};

}  // namespace glowmarsh

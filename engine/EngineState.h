// The whole state of the signal engine, held by value in the effect object.
// It is set up once, by the constructor, and never reset: history, scan
// position and dither memory carry on for the life of the instance.
#pragma once

#include <atomic>
#include <cstdint>

namespace glowmarsh {

constexpr int kRingLength = 22050;                      // distance between the two copies of the history
constexpr int kRingTop = kRingLength;                   // highest write position; the ring has kRingTop + 1
constexpr int kHistorySize = 45102;                     // doubles in tapBuffer
constexpr int kWrittenHistory = 2 * kRingLength + 1;    // positions 0 to 44100 are ever written
constexpr int kMaxTapOffset = kWrittenHistory - kRingLength;  // 22051: longest offset that reads written history
constexpr int kTableSize = 171;                         // entries of the per-tap tables
constexpr int kPrimeCount = 167;                        // entries of primeTable that are set
constexpr int kMaxTaps = 164;                           // taps the tap sum can serve
constexpr int kSmoothLength = 10;                       // frames in the smoothing window
constexpr int kSmoothTable = 11;                        // entries of the smoothing tables (the last unused)
// History values below this magnitude are quiet: times any gain up to 1024
// they stay far inside the int range.
constexpr double kQuietMagnitude = 0x1p20;
constexpr std::int32_t kQuietForever = 0x40000000;      // quietFrames: no loud value ever written

struct EngineState {
    EngineState();

    long double ditherShapeL = 0;            // left dither added in the previous frame
    long double ditherShapeR = 0;            // right dither added in the previous frame
    double tapBuffer[kHistorySize];          // mono history, written at p and p + kRingLength
    std::int32_t writeIndex = 0;             // next write position, frames; counts down
    std::int32_t primeTable[kTableSize];     // base tap distances, frames
    std::int32_t tapOffset[kTableSize];      // read distance of each tap, frames
    double tapPanL[kTableSize];              // left gain of each tap
    double tapPanR[kTableSize];              // right gain of each tap
    std::int32_t scanTap = 2;                // tap the scan motion nudges next
    std::int32_t scanDirection = 1;          // +1 or -1, frames added per nudge
    std::int32_t scanCounter = 1;            // frames since the last scan step
    double wetHistoryL[kSmoothTable];        // last ten left tap-sum changes, newest first
    double wetHistoryR[kSmoothTable];        // the same for the right
    double smoothCoeff[kSmoothTable];        // window weights of the current block
    double lastSumL = 0.0;                   // previous frame's left tap sum
    double lastSumR = 0.0;                   // previous frame's right tap sum
    // Frames written since the last history value that was not quiet (NaN,
    // infinite or of kQuietMagnitude or more); 0 when unknown. Kept by the
    // processing calls: every value in the history is younger than kMaxTapOffset
    // frames, so from that count on, the taps read quiet values only.
    std::int32_t quietFrames = kQuietForever;
    // Parameters, 0 to 1 when the host behaves. Written by the host on any
    // thread, read once per block.
    std::atomic<float> sustain{1.0f};
    std::atomic<float> grain{0.7f};
    std::atomic<float> dryWet{0.2f};
};

}  // namespace glowmarsh

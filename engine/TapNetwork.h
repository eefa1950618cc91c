// The tap network's per-frame steps before the tap sum: the write into the
// history ring and the slow scan motion that lengthens one tap at a time.
#pragma once

#include <cstdint>

#include "engine/BlockSetup.h"
#include "engine/EngineState.h"

namespace glowmarsh {

// The scan motion's counters, kept in locals during a block.
struct ScanState {
    std::int32_t tap;        // tap nudged by the next step
    std::int32_t direction;  // +1 or -1, frames added per nudge
    std::int32_t counter;    // frames since the last step
};

// Writes value at the write position and its second copy kRingLength above,
// then moves the position down; answers the moved position, which is where
// this frame's taps read from (-1 after writing position 0).
inline std::int32_t writeHistory(EngineState& state, std::int32_t& writeIndex, double value) {
    if (static_cast<std::uint32_t>(writeIndex) > static_cast<std::uint32_t>(kRingTop)) {
        writeIndex = kRingTop;
    }
    state.tapBuffer[writeIndex] = value;
    state.tapBuffer[writeIndex + kRingLength] = value;
    return --writeIndex;
}

// A nudge moves an offset by one frame in the scan's direction, but never
// past kMaxTapOffset (nor below 1), so no tap reads outside the written
// history however long the block.
inline std::int32_t nudgedOffset(std::int32_t offset, std::int32_t direction) {
    const std::int32_t nudged = offset + direction;
    return nudged > kMaxTapOffset ? kMaxTapOffset : (nudged < 1 ? 1 : nudged);
}

// Every spacing frames one tap's offset is nudged; a sweep goes from tap 1 to
// tapCount, and tap 1's offset decides at each wrap whether the motion turns.
inline void advanceScan(EngineState& state, ScanState& scan, const BlockValues& block) {
    ++scan.counter;
    if (!(block.spacing < static_cast<float>(scan.counter))) {
        return;
    }
    scan.counter = 1;
    std::int32_t& offset = state.tapOffset[scan.tap];
    offset = nudgedOffset(offset, scan.direction);
    ++scan.tap;
    if (scan.tap > block.tapCount) {
        scan.tap = 1;
        if (scan.direction == 1) {
            if (static_cast<float>(state.tapOffset[1]) > block.scanUpperBound) {
                scan.direction = -1;
            }
        } else if (static_cast<float>(state.tapOffset[1]) < block.scanLowerBound) {
            scan.direction = 1;
            deriveTapOffsets(state, block.spacing);
        }
    }
}

}  // namespace glowmarsh

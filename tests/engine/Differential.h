// Runs the production engine at each SIMD level beside the reference engine
// on the same input, the same rand() draws and the same guard counters, and
// reports the first output sample or state field that differs.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/InputGuard.h"
#include "engine/ReferenceEngine.h"
#include "engine/SimdLevel.h"
#include "tests/engine/EngineHarness.h"

namespace differential {

using glowmarsh::SimdLevel;

// Every level this CPU runs, portable first.
inline std::vector<SimdLevel> supportedLevels() {
    std::vector<SimdLevel> levels;
    for (SimdLevel level : {SimdLevel::portable, SimdLevel::sse2, SimdLevel::avx2, SimdLevel::avx512}) {
        if (glowmarsh::simdLevelSupported(level)) {
            levels.push_back(level);
        }
    }
    return levels;
}

// One processing call: its frame count and the parameters set before it.
struct Block {
    std::int32_t frames;
    enginetest::Params params;
};

enum class Routing { separate, inPlace, crosswise };

// The first difference between two engine states, or empty. Extended values
// are compared on their 80 significant bits (the rest is padding). In the
// history any NaN equals any NaN: the sum of a NaN left and a NaN right input
// keeps either one's payload, as the compiler orders the addition, and every
// tap reads any NaN as 0.
inline std::string stateDifference(const glowmarsh::EngineState& a, const glowmarsh::EngineState& b) {
    auto same = [](const void* x, const void* y, std::size_t bytes) { return std::memcmp(x, y, bytes) == 0; };
    if (!same(&a.ditherShapeL, &b.ditherShapeL, 10)) return "ditherShapeL";
    if (!same(&a.ditherShapeR, &b.ditherShapeR, 10)) return "ditherShapeR";
    if (a.writeIndex != b.writeIndex) return "writeIndex";
    if (a.scanTap != b.scanTap) return "scanTap";
    if (a.scanDirection != b.scanDirection) return "scanDirection";
    if (a.scanCounter != b.scanCounter) return "scanCounter";
    if (!same(&a.lastSumL, &b.lastSumL, sizeof(double))) return "lastSumL";
    if (!same(&a.lastSumR, &b.lastSumR, sizeof(double))) return "lastSumR";
    if (!same(a.wetHistoryL, b.wetHistoryL, sizeof a.wetHistoryL)) return "wetHistoryL";
    if (!same(a.wetHistoryR, b.wetHistoryR, sizeof a.wetHistoryR)) return "wetHistoryR";
    if (!same(a.smoothCoeff, b.smoothCoeff, sizeof a.smoothCoeff)) return "smoothCoeff";
    if (!same(a.tapOffset, b.tapOffset, sizeof a.tapOffset)) return "tapOffset";
    if (!same(a.primeTable, b.primeTable, sizeof a.primeTable)) return "primeTable";
    if (!same(a.tapPanL, b.tapPanL, sizeof a.tapPanL)) return "tapPanL";
    if (!same(a.tapPanR, b.tapPanR, sizeof a.tapPanR)) return "tapPanR";
    for (int i = 0; i < glowmarsh::kHistorySize; ++i) {
        if (std::isnan(a.tapBuffer[i]) && std::isnan(b.tapBuffer[i])) continue;
        if (!same(&a.tapBuffer[i], &b.tapBuffer[i], sizeof(double))) return "tapBuffer[" + std::to_string(i) + "]";
    }
    return {};
}

template <typename Sample>
using Process = void (*)(glowmarsh::EngineState&, Sample**, Sample**, std::int32_t);

// Drives one engine over the input, block by block, in the given routing.
template <typename Sample>
struct Lane {
    std::unique_ptr<glowmarsh::EngineState> state = enginetest::makeEngine();
    std::vector<Sample> left, right;  // output so far (or the in-place buffers)
};

struct NoiseSnapshot {
    std::int32_t floatLeft, floatRight, doubleLeft, doubleRight;
    static NoiseSnapshot take() {
        return {glowmarsh::floatCallNoise().left.load(), glowmarsh::floatCallNoise().right.load(),
                glowmarsh::doubleCallNoise().left.load(), glowmarsh::doubleCallNoise().right.load()};
    }
    void restore() const {
        glowmarsh::floatCallNoise().left.store(floatLeft);
        glowmarsh::floatCallNoise().right.store(floatRight);
        glowmarsh::doubleCallNoise().left.store(doubleLeft);
        glowmarsh::doubleCallNoise().right.store(doubleRight);
    }
    bool operator==(const NoiseSnapshot&) const = default;
};

// Runs the blocks through the reference and through every supported level;
// answers the first difference ("" when every level matches throughout).
template <typename Sample>
std::string compareEngines(const std::vector<Sample>& inL, const std::vector<Sample>& inR,
                           const std::vector<Block>& blocks, Routing routing, unsigned seed) {
    const std::vector<SimdLevel> levels = supportedLevels();
    Lane<Sample> reference;
    std::vector<Lane<Sample>> fast(levels.size());
    auto prepare = [&](Lane<Sample>& lane) {
        lane.left = routing == Routing::separate ? std::vector<Sample>(inL.size()) : inL;
        lane.right = routing == Routing::separate ? std::vector<Sample>(inR.size()) : inR;
    };
    prepare(reference);
    for (Lane<Sample>& lane : fast) prepare(lane);

    std::size_t start = 0;
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const Block& block = blocks[b];
        const std::size_t frames = block.frames > 0 ? static_cast<std::size_t>(block.frames) : 0;
        if (start + frames > inL.size()) {
            return "scenario error: blocks run past the input";
        }
        // In place, each lane's buffers hold its input until it processes them.
        auto call = [&](Lane<Sample>& lane, auto&& process) {
            lane.state->sustain = block.params.sustain;
            lane.state->grain = block.params.grain;
            lane.state->dryWet = block.params.dryWet;
            std::vector<Sample> sepL(inL.begin() + start, inL.begin() + start + frames);
            std::vector<Sample> sepR(inR.begin() + start, inR.begin() + start + frames);
            Sample* inputs[2];
            Sample* outputs[2];
            if (routing == Routing::separate) {
                inputs[0] = sepL.data();
                inputs[1] = sepR.data();
                outputs[0] = lane.left.data() + start;
                outputs[1] = lane.right.data() + start;
            } else {
                inputs[0] = lane.left.data() + start;
                inputs[1] = lane.right.data() + start;
                outputs[0] = routing == Routing::inPlace ? inputs[0] : inputs[1];
                outputs[1] = routing == Routing::inPlace ? inputs[1] : inputs[0];
            }
            std::srand(seed + static_cast<unsigned>(b));
            process(*lane.state, inputs, outputs, block.frames);
            if (routing == Routing::crosswise) {
                std::swap_ranges(lane.left.begin() + start, lane.left.begin() + start + frames,
                                 lane.right.begin() + start);
            }
        };
        const NoiseSnapshot before = NoiseSnapshot::take();
        call(reference, [](auto& state, Sample** in, Sample** out, std::int32_t n) {
            glowmarsh::processBlockReference(state, in, out, n);
        });
        const NoiseSnapshot after = NoiseSnapshot::take();
        for (std::size_t l = 0; l < levels.size(); ++l) {
            const std::string where = std::string(glowmarsh::simdLevelName(levels[l])) + ", block " +
                                      std::to_string(b) + " (" + std::to_string(block.frames) + " frames from " +
                                      std::to_string(start) + "): ";
            before.restore();
            const SimdLevel level = levels[l];
            call(fast[l], [level](auto& state, Sample** in, Sample** out, std::int32_t n) {
                glowmarsh::processBlock(state, in, out, n, level);
            });
            if (!(NoiseSnapshot::take() == after)) {
                return where + "guard counters differ";
            }
            for (std::size_t i = start; i < start + frames; ++i) {
                if (enginetest::bitsOf(fast[l].left[i]) != enginetest::bitsOf(reference.left[i])) {
                    return where + "left output differs at frame " + std::to_string(i);
                }
                if (enginetest::bitsOf(fast[l].right[i]) != enginetest::bitsOf(reference.right[i])) {
                    return where + "right output differs at frame " + std::to_string(i);
                }
            }
            // The full state (with its 45102-entry history) after long blocks and at the end.
            if (frames >= 4096 || b + 1 == blocks.size() || b % 16 == 0) {
                const std::string field = stateDifference(*reference.state, *fast[l].state);
                if (!field.empty()) {
                    return where + "state differs in " + field;
                }
            }
        }
        start += frames;
    }
    return {};
}

}  // namespace differential

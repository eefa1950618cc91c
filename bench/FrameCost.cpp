// Runs a fixed number of blocks through one engine path, for instruction
// counts under callgrind, which the machine's load cannot disturb:
//   valgrind --tool=callgrind --toggle-collect="glowmarsh::processBlock*"
//     glowmarsh_frame_cost <reference|portable|sse2|avx2|avx512> <float|double> <grainTenths> <block> <blocks>
// Divide the instructions collected by blocks * block for instructions per frame.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/Engine.h"
#include "engine/ReferenceEngine.h"
#include "tests/support/TestSignals.h"

namespace {

template <typename Sample>
void run(const char* path, float grain, int block, int blocks) {
    auto state = std::make_unique<glowmarsh::EngineState>();
    state->grain = grain;
    const testsignals::Stereo source = testsignals::musicLike(block, 3);
    std::vector<Sample> inL(source.left.begin(), source.left.end());
    std::vector<Sample> inR(source.right.begin(), source.right.end());
    std::vector<Sample> outL(block), outR(block);
    Sample* inputs[] = {inL.data(), inR.data()};
    Sample* outputs[] = {outL.data(), outR.data()};
    const glowmarsh::SimdLevel levels[] = {glowmarsh::SimdLevel::portable, glowmarsh::SimdLevel::sse2,
                                           glowmarsh::SimdLevel::avx2, glowmarsh::SimdLevel::avx512};
    for (glowmarsh::SimdLevel level : levels) {
        if (std::strcmp(path, glowmarsh::simdLevelName(level)) == 0 && !glowmarsh::simdLevelSupported(level)) {
            std::fprintf(stderr, "%s is not supported by this CPU\n", path);
            std::exit(1);
        }
    }
    for (int b = 0; b < blocks; ++b) {
        if (std::strcmp(path, "reference") == 0) {
            glowmarsh::processBlockReference(*state, inputs, outputs, block);
            continue;
        }
        for (glowmarsh::SimdLevel level : levels) {
            if (std::strcmp(path, glowmarsh::simdLevelName(level)) == 0) {
                glowmarsh::processBlock(*state, inputs, outputs, block, level);
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s <reference|portable|sse2|avx2|avx512> <float|double> <grainTenths> <block> <blocks>\n",
                     argv[0]);
        return 2;
    }
    const float grain = static_cast<float>(std::atoi(argv[3])) / 10.0f;
    const int block = std::atoi(argv[4]);
    const int blocks = std::atoi(argv[5]);
    if (std::strcmp(argv[2], "double") == 0) {
        run<double>(argv[1], grain, block, blocks);
    } else {
        run<float>(argv[1], grain, block, blocks);
    }
    return 0;
}

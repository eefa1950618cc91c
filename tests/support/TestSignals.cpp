#include "tests/support/TestSignals.h"

#include <cmath>
#include <random>

namespace testsignals {

Stereo musicLike(int frames, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> noise(-0.02, 0.02);
    constexpr double kTwoPi = 6.283185307179586;
    const double partials[] = {110.0, 164.8, 220.5, 329.6, 441.0, 659.3};
    Stereo out{std::vector<double>(frames), std::vector<double>(frames)};
    for (int i = 0; i < frames; ++i) {
        const double t = i / 44100.0;
        double left = 0.0;
        double right = 0.0;
        for (int p = 0; p < 6; ++p) {
            const double envelope = 0.5 + 0.5 * std::sin(kTwoPi * (0.7 + 0.3 * p) * t + p);
            left += 0.07 * envelope * std::sin(kTwoPi * partials[p] * t);
            right += 0.07 * envelope * std::sin(kTwoPi * partials[p] * 1.003 * t + 0.5 * p);
        }
        left += noise(random);
        right += noise(random);
        out.left[i] = std::abs(left) < 1e-6 ? std::copysign(1e-6, left) : left;
        out.right[i] = std::abs(right) < 1e-6 ? std::copysign(1e-6, right) : right;
    }
    return out;
}

}  // namespace testsignals

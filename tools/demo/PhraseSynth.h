// The demo phrase: a few plucked notes and light noise ticks, synthesised
// here so the demo ships no recorded audio.
#pragma once

#include <vector>

namespace demo {

struct StereoSignal {
    std::vector<float> left;   // full scale 1.0
    std::vector<float> right;
};

// About four seconds of phrase followed by a second of silence, at
// sampleRateHz. The same rate gives the same samples every time.
StereoSignal synthesisePhrase(int sampleRateHz);

}  // namespace demo

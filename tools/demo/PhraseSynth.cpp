#include "tools/demo/PhraseSynth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace demo {
namespace {

struct Note {
    double startSeconds;
    double frequencyHz;
    double pan;  // 0 left, 1 right
};

// A rising and falling A minor pentatonic line.
constexpr Note kNotes[] = {
    {0.00, 220.00, 0.35}, {0.40, 261.63, 0.65}, {0.80, 329.63, 0.40}, {1.20, 392.00, 0.60},
    {1.60, 440.00, 0.50}, {2.20, 392.00, 0.30}, {2.60, 329.63, 0.70}, {3.00, 220.00, 0.50},
};
constexpr double kTickSeconds[] = {0.0, 0.8, 1.6, 2.4, 3.0};
constexpr double kPhraseSeconds = 5.0;
constexpr double kNoteSeconds = 1.6;
constexpr float kNoteLevel = 0.45f;
constexpr float kTickLevel = 0.12f;

// A small deterministic noise source, so the phrase never depends on rand().
class Noise {
public:
    float next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / static_cast<float>(1u << 23) - 1.0f;
    }

private:
    std::uint32_t state = 0x9E3779B9u;
};

// One plucked string (Karplus-Strong): a noise burst circulating in a delay
// line of one period, averaged a little on every pass.
void pluck(StereoSignal& out, const Note& note, int rateHz, Noise& noise) {
    const auto period = static_cast<std::size_t>(std::lround(rateHz / note.frequencyHz));
    std::vector<float> line(period);
    for (float& sample : line) {
        sample = noise.next();
    }
    const auto start = static_cast<std::size_t>(std::lround(note.startSeconds * rateHz));
    const auto length = static_cast<std::size_t>(std::lround(kNoteSeconds * rateHz));
    const auto gainL = static_cast<float>(std::cos(note.pan * M_PI / 2) * kNoteLevel);
    const auto gainR = static_cast<float>(std::sin(note.pan * M_PI / 2) * kNoteLevel);
    // A short fade at the end, so the note stops without a click.
    const auto releaseFrames = static_cast<std::size_t>(rateHz / 20);
    for (std::size_t i = 0; i < length && start + i < out.left.size(); ++i) {
        const std::size_t here = i % period;
        const float value = line[here];
        line[here] = 0.498f * (value + line[(here + 1) % period]);
        const float release = std::min(1.0f, static_cast<float>(length - i) / static_cast<float>(releaseFrames));
        out.left[start + i] += release * gainL * value;
        out.right[start + i] += release * gainR * value;
    }
}

// A short decaying noise tick on both sides.
void tick(StereoSignal& out, double startSeconds, int rateHz, Noise& noise) {
    const auto start = static_cast<std::size_t>(std::lround(startSeconds * rateHz));
    const auto length = static_cast<std::size_t>(rateHz / 40);
    for (std::size_t i = 0; i < length && start + i < out.left.size(); ++i) {
        const float envelope = kTickLevel * std::exp(-8.0f * static_cast<float>(i) / static_cast<float>(length));
        out.left[start + i] += envelope * noise.next();
        out.right[start + i] += envelope * noise.next();
    }
}

}  // namespace

StereoSignal synthesisePhrase(int sampleRateHz) {
    const auto frames = static_cast<std::size_t>(std::lround(kPhraseSeconds * sampleRateHz));
    StereoSignal out{std::vector<float>(frames), std::vector<float>(frames)};
    Noise noise;
    for (const Note& note : kNotes) {
        pluck(out, note, sampleRateHz, noise);
    }
    for (double at : kTickSeconds) {
        tick(out, at, sampleRateHz, noise);
    }
    return out;
}

}  // namespace demo

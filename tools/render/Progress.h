// What the user sees while and after rendering: a progress bar on standard
// error when it is a terminal, and the one-line summary.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace render {

class ProgressBar {
public:
    // Draws only when enabled (a terminal and not --quiet).
    ProgressBar(bool enabled, std::int64_t totalFrames);
    // Clears the line also when a failure ends the render early.
    ~ProgressBar() { finish(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;
    // Redraws at most a few times a second.
    void update(std::int64_t framesDone);
    // Clears the bar's line.
    void finish();

private:
    void draw(std::int64_t framesDone);

    bool enabled;
    std::int64_t totalFrames;
    std::chrono::steady_clock::time_point lastDraw;
    bool drawn = false;
};

// What one render produced.
struct RenderStats {
    std::int64_t frames = 0;            // output frames
    double sampleRateHz = 0.0;
    double wallSeconds = 0.0;           // time spent rendering
    double peak = 0.0;                  // largest output magnitude, full scale 1.0
    std::int64_t samplesBeyondFullScale = 0;
};

// "96000 frames, 2.000 s of audio in 0.031 s (64.5x real time), output peak -6.02 dBFS"
std::string summaryLine(const RenderStats& stats);
// A warning when the output clips, else empty.
std::string clipWarning(const RenderStats& stats, bool integerOutput);
// A level in dBFS with two decimals; "-inf" for silence.
std::string dbfsText(double peak);

}  // namespace render

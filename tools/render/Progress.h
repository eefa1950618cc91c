// What the user sees while and after rendering: a progress bar on standard
// error when it is a terminal, the one-line summary and the warnings, and
// text on standard output.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace render {

class ProgressBar {
public:
    // Draws only when enabled (a terminal and not --quiet); without a total
    // (-1) it shows the seconds rendered.
    ProgressBar(bool enabled, std::int64_t totalFrames, double sampleRateHz);
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
    double sampleRateHz;
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
    std::int64_t nonFiniteSamples = 0;  // NaN or infinite, left out of the peak
};

// "96000 frames, 2.000 s of audio in 0.031 s (64.5x real time), output peak -6.02 dBFS"
// (", not counting 3 non-finite samples" when there are).
std::string summaryLine(const RenderStats& stats);
// Warnings, each a line: when the output clips, when samples are not finite.
std::string warnings(const RenderStats& stats, bool floatOutput);
// Writes text to standard output whole; throws RenderError(outputFile) with
// the reason when it cannot (a full disk, a closed pipe).
void printOut(const std::string& text);

// A level in dBFS with two decimals; "-inf" for silence.
std::string dbfsText(double peak);

}  // namespace render

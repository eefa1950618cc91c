#include "tools/render/Progress.h"

#include <cmath>
#include <cstdio>

namespace render {
namespace {

constexpr int kBarWidth = 40;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

ProgressBar::ProgressBar(bool enabled, std::int64_t totalFrames) : enabled(enabled), totalFrames(totalFrames) {}

void ProgressBar::update(std::int64_t framesDone) {
    if (!enabled) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (drawn && now - lastDraw < kRedrawInterval) {
        return;
    }
    lastDraw = now;
    draw(framesDone);
}

void ProgressBar::draw(std::int64_t framesDone) {
    const double share = totalFrames > 0 ? static_cast<double>(framesDone) / static_cast<double>(totalFrames) : 1.0;
    const int filled = static_cast<int>(std::floor(share * kBarWidth));
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kBarWidth, '.');
    std::fprintf(stderr, "\r[%s] %3d%%", bar.c_str(), static_cast<int>(std::floor(share * 100.0)));
    std::fflush(stderr);
    drawn = true;
}

void ProgressBar::finish() {
    if (enabled && drawn) {
        std::fprintf(stderr, "\r%*s\r", kBarWidth + 8, "");
        std::fflush(stderr);
        drawn = false;
    }
}

std::string dbfsText(double peak) {
    if (!(peak > 0.0)) {
        return "-inf dBFS";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%+.2f dBFS", 20.0 * std::log10(peak));
    return text;
}

std::string summaryLine(const RenderStats& stats) {
    const double audioSeconds = stats.sampleRateHz > 0 ? static_cast<double>(stats.frames) / stats.sampleRateHz : 0.0;
    char speed[48];
    if (stats.wallSeconds > 0.0) {
        std::snprintf(speed, sizeof speed, "%.1fx real time", audioSeconds / stats.wallSeconds);
    } else {
        std::snprintf(speed, sizeof speed, "too fast to time");
    }
    char text[256];
    std::snprintf(text, sizeof text, "%lld frames, %.3f s of audio in %.3f s (%s), output peak %s",
                  static_cast<long long>(stats.frames), audioSeconds, stats.wallSeconds, speed,
                  dbfsText(stats.peak).c_str());
    return text;
}

std::string clipWarning(const RenderStats& stats, bool integerOutput) {
    if (stats.samplesBeyondFullScale == 0) {
        return {};
    }
    return "warning: the output clips: " + std::to_string(stats.samplesBeyondFullScale) +
           " samples beyond full scale, peak " + dbfsText(stats.peak) +
           (integerOutput ? "; they are cut to full scale in the file" : "; kept as they are in the float file");
}

}  // namespace render

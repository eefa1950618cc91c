#include "tools/render/Progress.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tools/render/RenderError.h"

namespace render {
namespace {

constexpr int kBarWidth = 40;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

ProgressBar::ProgressBar(bool enabled, std::int64_t totalFrames, double sampleRateHz)
    : enabled(enabled), totalFrames(totalFrames), sampleRateHz(sampleRateHz) {}

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
    if (totalFrames < 0) {
        std::fprintf(stderr, "\r%.1f s rendered", static_cast<double>(framesDone) / sampleRateHz);
        std::fflush(stderr);
        drawn = true;
        return;
    }
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

void printOut(const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t written = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            fail(ExitCode::outputFile, std::string("standard output: cannot write: ") +
                                           (written < 0 ? std::strerror(errno) : "nothing written"));
        }
        done += static_cast<std::size_t>(written);
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
    return text + (stats.nonFiniteSamples ? ", not counting " + std::to_string(stats.nonFiniteSamples) +
                                                " non-finite samples"
                                          : std::string());
}

std::string warnings(const RenderStats& stats, bool floatOutput) {
    std::string text;
    if (stats.samplesBeyondFullScale > 0) {
        text += "warning: the output clips: " + std::to_string(stats.samplesBeyondFullScale) +
                " samples beyond full scale, peak " + dbfsText(stats.peak) +
                (floatOutput ? "; kept as they are in the float file\n" : "; they are cut to full scale in the file\n");
    }
    if (stats.nonFiniteSamples > 0) {
        text += "warning: " + std::to_string(stats.nonFiniteSamples) + " output samples are NaN or infinite" +
                (floatOutput ? "; kept as they are in the float file\n" : "; they are written as 0\n");
    }
    return text;
}

}  // namespace render

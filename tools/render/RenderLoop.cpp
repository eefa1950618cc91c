#include "tools/render/RenderLoop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

#include "tools/render/AudioFile.h"
#include "tools/render/FrameSource.h"
#include "tools/vsthost/Plugin.h"

namespace render {
namespace {

// Channel buffers and the pointer arrays the plug-in receives. Inputs beyond
// the first two stay silent, outputs beyond the first two are discarded.
template <typename Sample>
struct ChannelBuffers {
    ChannelBuffers(std::int32_t channels, std::int32_t frames)
        : storage(static_cast<std::size_t>(std::max(channels, 2)),
                  std::vector<Sample>(static_cast<std::size_t>(frames))) {
        for (auto& channel : storage) {
            pointers.push_back(channel.data());
        }
    }
    Sample* left() { return pointers[0]; }
    Sample* right() { return pointers[1]; }

    std::vector<std::vector<Sample>> storage;
    std::vector<Sample*> pointers;
};

template <typename Sample>
RenderStats run(vsthost::Plugin& plugin, FrameSource& source, AudioWriter& writer, const RenderPlan& plan,
                ProgressBar& progress) {
    ChannelBuffers<Sample> in(plugin.numInputs(), plan.blockFrames);
    ChannelBuffers<Sample> out(plugin.numOutputs(), plan.blockFrames);
    // A source that ends before the frames it announced ends the input
    // there, and the tail follows from that point, in the same block.
    std::int64_t sourceLeft = plan.sourceFrames < 0 ? INT64_MAX : plan.sourceFrames;
    std::int64_t tailLeft = plan.tailFrames;
    RenderStats stats;
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        std::int32_t fed = 0;
        if (sourceLeft > 0) {
            const auto wanted = static_cast<std::int32_t>(std::min<std::int64_t>(plan.blockFrames, sourceLeft));
            fed = source.read(in.left(), in.right(), wanted);
            sourceLeft = fed < wanted ? 0 : sourceLeft - fed;
        }
        const auto tail =
            static_cast<std::int32_t>(sourceLeft > 0 ? 0 : std::min<std::int64_t>(plan.blockFrames - fed, tailLeft));
        tailLeft -= tail;
        const std::int32_t frames = fed + tail;
        if (frames == 0) {
            break;
        }
        std::fill(in.left() + fed, in.left() + frames, Sample(0));
        std::fill(in.right() + fed, in.right() + frames, Sample(0));

        plugin.process(in.pointers.data(), out.pointers.data(), frames);

        for (Sample* channel : {out.left(), out.right()}) {
            for (std::int32_t i = 0; i < frames; ++i) {
                const double magnitude = std::fabs(static_cast<double>(channel[i]));
                if (!std::isfinite(magnitude)) {
                    ++stats.nonFiniteSamples;
                    channel[i] = plan.zeroNonFinite ? Sample(0) : channel[i];
                    continue;
                }
                stats.peak = std::max(stats.peak, magnitude);
                stats.samplesBeyondFullScale += magnitude > 1.0 ? 1 : 0;
            }
        }
        writer.write(out.left(), out.right(), frames);
        stats.frames += frames;
        progress.update(stats.frames);
    }
    stats.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return stats;
}

}  // namespace

RenderStats renderBlocks(vsthost::Plugin& plugin, FrameSource& source, AudioWriter& writer, const RenderPlan& plan,
                         ProgressBar& progress) {
    return plan.precision == Precision::double64 ? run<double>(plugin, source, writer, plan, progress)
                                                 : run<float>(plugin, source, writer, plan, progress);
}

}  // namespace render

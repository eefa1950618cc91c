// The processing part of the host sequence: blocks of frames from the source
// (then silence for the tail) through the plug-in into the writer. The caller
// resumes the plug-in before and suspends it after.
#pragma once

#include <cstdint>

#include "tools/render/Options.h"
#include "tools/render/Progress.h"

namespace vsthost {
class Plugin;
}

namespace render {

class AudioWriter;
class FrameSource;

struct RenderPlan {
    std::int64_t sourceFrames = 0;   // frames read from the source; -1: until it ends
    std::int64_t tailFrames = 0;     // frames of silence after them
    std::int32_t blockFrames = 512;  // frames per processing call; the last call may be shorter
    Precision precision = Precision::single32;
    bool zeroNonFinite = false;      // write NaN and infinities as 0 (integer and lossy formats)
};

// Renders the source's frames, then tailFrames of silence, and reports what
// came out.
RenderStats renderBlocks(vsthost::Plugin& plugin, FrameSource& source, AudioWriter& writer, const RenderPlan& plan,
                         ProgressBar& progress);

}  // namespace render

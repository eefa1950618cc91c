// One run of glowmarsh-render: the host sequence from loading the plug-in to
// the renamed output file.
#pragma once

#include <cstdint>

#include "tools/render/Options.h"

namespace vsthost {
class Plugin;
}

namespace render {

// Frames Glowmarsh can still sound after its input ends: the farthest its
// taps read back (the 22051 written positions of its history ring, which
// hold the longest tap, 21923 frames, and every scan nudge a block of up to
// 65536 frames can add) plus the ten frames of its smoothing window.
constexpr std::int64_t kGlowmarshReachFrames = 22051 + 10;

// The tail a render adds without --tail: the plug-in's own answer when it
// gives one, else Glowmarsh's reach.
std::int64_t defaultTailFrames(vsthost::Plugin& plugin);

// Runs what options ask for; throws RenderError on any failure, having
// removed whatever it had started to write.
void runSession(const Options& options);

}  // namespace render

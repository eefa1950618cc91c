// --info: what a host sees of a plug-in, as text.
#pragma once

#include <cstdint>
#include <ostream>

namespace vsthost {
class Plugin;
}

namespace render {

// Names, vendor, product, versions, category, unique id, channels, flags in
// words, parameters with names, labels and display texts, and the answers to
// the usual canDo questions. defaultTailFrames is the tail a render would add.
void printInfo(vsthost::Plugin& plugin, std::int64_t defaultTailFrames, std::ostream& out);

}  // namespace render

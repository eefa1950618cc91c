// Where glowmarsh-render looks for Glowmarsh.so when --plugin is not given.
#pragma once

#include <string>
#include <vector>

namespace render {

// The places searched, in order: beside this program's install folder
// (../lib/vst, ../.vst), the build tree it was built in, each folder of
// $VST_PATH, ~/.vst, /usr/local/lib/vst, /usr/lib/vst.
std::vector<std::string> pluginCandidates();

// The first candidate that exists; throws RenderError(plugin) listing them
// all when none does.
std::string locateDefaultPlugin();

}  // namespace render

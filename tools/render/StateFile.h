// --load-state and --save-state: the plug-in's state in an .fxp preset file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vsthost {
class Plugin;
}

namespace render {

// Reads the preset at path and hands it to the plug-in: its chunk for a
// chunk preset, its values for a parameter preset, and its program name.
// Throws RenderError(inputFile) naming path, having loaded nothing, when the
// file is missing or damaged, was saved by another plug-in, holds a value
// that is not a finite number, or a chunk shorter than the plug-in's own.
void loadState(vsthost::Plugin& plugin, const std::string& path);

// The plug-in's state as the bytes of a preset file: a chunk preset when the
// plug-in keeps its state as a chunk, else its parameter values.
std::vector<std::uint8_t> presetBytes(vsthost::Plugin& plugin);

}  // namespace render

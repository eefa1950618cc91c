// The preset file hosts exchange (.fxp): a big-endian header, then either the
// plug-in's opaque chunk ('FPCh') or one float per parameter ('FxCk').
//
//   0  'CcnK'            8  'FPCh' or 'FxCk'    16  plug-in unique id
//   4  bytes after this 12  format version 1    20  plug-in version
//  24  parameter count  28  program name, 28 bytes, zero-padded
//  56  'FPCh': chunk size, then the chunk bytes (60 on)
//      'FxCk': the parameter values as big-endian floats
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace render {

struct FxpPreset {
    std::int32_t uniqueId = 0;        // the plug-in the preset belongs to
    std::int32_t pluginVersion = 0;   // that plug-in's version when saved
    std::int32_t numParams = 0;       // its parameter count
    std::string programName;          // at most 27 characters
    bool isChunk = true;              // opaque chunk, else parameter values
    std::vector<std::uint8_t> chunk;  // when isChunk
    std::vector<float> parameters;    // when not isChunk
};

// Bytes of the fixed header before a chunk preset's chunk.
constexpr std::size_t kFxpChunkHeaderBytes = 60;
// Bytes of the program name field.
constexpr std::size_t kFxpNameBytes = 28;
// Largest preset file read, bytes; a chunk beyond it is not a preset.
constexpr std::size_t kMaxFxpBytes = 64u << 20;

// The file's bytes for a preset.
std::vector<std::uint8_t> encodeFxp(const FxpPreset& preset);

// Reads a preset from a file's bytes. Any damage (wrong magic, a bank instead
// of a preset, sizes that do not fit the bytes) gives false and says what in
// error; nothing is read outside bytes.
bool decodeFxp(std::span<const std::uint8_t> bytes, FxpPreset& preset, std::string& error);

}  // namespace render

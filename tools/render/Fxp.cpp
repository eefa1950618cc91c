#include "tools/render/Fxp.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "host/AEffect.h"

namespace render {
namespace {

constexpr std::int32_t kChunkMagic = fourCharCode('C', 'c', 'n', 'K');
constexpr std::int32_t kChunkPresetMagic = fourCharCode('F', 'P', 'C', 'h');
constexpr std::int32_t kParamPresetMagic = fourCharCode('F', 'x', 'C', 'k');
constexpr std::int32_t kChunkBankMagic = fourCharCode('F', 'B', 'C', 'h');
constexpr std::int32_t kParamBankMagic = fourCharCode('F', 'x', 'B', 'k');
constexpr std::int32_t kFormatVersion = 1;
// Where the fields after the name begin.
constexpr std::size_t kBodyOffset = 56;
// Bytes the size field at 4 does not count: the magic and itself.
constexpr std::size_t kLeadBytes = 8;

void putBig(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// Reads big-endian words inside the given bytes and nowhere else.
class BigEndianReader {
public:
    explicit BigEndianReader(std::span<const std::uint8_t> bytes) : bytes(bytes) {}

    bool has(std::size_t offset, std::size_t count) const {
        return offset <= bytes.size() && count <= bytes.size() - offset;
    }

    std::uint32_t word(std::size_t offset) const {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            value = (value << 8) | bytes[offset + i];
        }
        return value;
    }

    std::int32_t integer(std::size_t offset) const { return static_cast<std::int32_t>(word(offset)); }

private:
    std::span<const std::uint8_t> bytes;
};

}  // namespace

std::vector<std::uint8_t> encodeFxp(const FxpPreset& preset) {
    std::vector<std::uint8_t> body;
    putBig(body, static_cast<std::uint32_t>(preset.isChunk ? kChunkPresetMagic : kParamPresetMagic));
    putBig(body, kFormatVersion);
    putBig(body, static_cast<std::uint32_t>(preset.uniqueId));
    putBig(body, static_cast<std::uint32_t>(preset.pluginVersion));
    putBig(body, static_cast<std::uint32_t>(preset.numParams));
    // Zero-padded, with room for the terminator.
    char name[kFxpNameBytes] = {};
    std::memcpy(name, preset.programName.data(), std::min(preset.programName.size(), kFxpNameBytes - 1));
    body.insert(body.end(), name, name + kFxpNameBytes);
    if (preset.isChunk) {
        putBig(body, static_cast<std::uint32_t>(preset.chunk.size()));
        body.insert(body.end(), preset.chunk.begin(), preset.chunk.end());
    } else {
        for (float value : preset.parameters) {
            putBig(body, std::bit_cast<std::uint32_t>(value));
        }
    }
    std::vector<std::uint8_t> file;
    file.reserve(kLeadBytes + body.size());
    putBig(file, static_cast<std::uint32_t>(kChunkMagic));
    putBig(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

bool decodeFxp(std::span<const std::uint8_t> bytes, FxpPreset& preset, std::string& error) {
    const BigEndianReader in(bytes);
    if (!in.has(0, kBodyOffset) || in.integer(0) != kChunkMagic) {
        error = in.has(0, 4) && in.integer(0) == kChunkMagic ? "truncated header" : "not a preset file (no 'CcnK')";
        return false;
    }
    const std::uint32_t declared = in.word(4);
    if (declared > bytes.size() - kLeadBytes) {
        error = "truncated: the header announces " + std::to_string(declared) + " bytes after it, the file has " +
                std::to_string(bytes.size() - kLeadBytes);
        return false;
    }
    // Sizes from here on are checked against what the header announces.
    const std::span<const std::uint8_t> announced = bytes.first(kLeadBytes + declared);
    const BigEndianReader body(announced);
    const std::int32_t kind = body.integer(8);
    if (kind == kChunkBankMagic || kind == kParamBankMagic) {
        error = "a bank of programs (.fxb), not a single preset";
        return false;
    }
    if (kind != kChunkPresetMagic && kind != kParamPresetMagic) {
        error = "unknown preset kind (neither 'FPCh' nor 'FxCk')";
        return false;
    }
    if (!body.has(0, kBodyOffset)) {
        error = "truncated header";
        return false;
    }
    FxpPreset result;
    result.isChunk = kind == kChunkPresetMagic;
    result.uniqueId = body.integer(16);
    result.pluginVersion = body.integer(20);
    result.numParams = body.integer(24);
    const char* name = reinterpret_cast<const char*>(announced.data() + 28);
    result.programName.assign(name, strnlen(name, kFxpNameBytes));
    if (result.isChunk) {
        if (!body.has(kBodyOffset, 4)) {
            error = "truncated before the chunk size";
            return false;
        }
        const std::uint32_t chunkBytes = body.word(kBodyOffset);
        if (!body.has(kFxpChunkHeaderBytes, chunkBytes)) {
            error = "truncated: the chunk size is " + std::to_string(chunkBytes) + " bytes, " +
                    std::to_string(announced.size() - kFxpChunkHeaderBytes) + " follow";
            return false;
        }
        const auto chunk = announced.subspan(kFxpChunkHeaderBytes, chunkBytes);
        result.chunk.assign(chunk.begin(), chunk.end());
    } else {
        if (result.numParams < 0 || !body.has(kBodyOffset, std::size_t(result.numParams) * 4)) {
            error = "truncated: " + std::to_string(result.numParams) + " parameter values announced";
            return false;
        }
        for (std::int32_t i = 0; i < result.numParams; ++i) {
            result.parameters.push_back(std::bit_cast<float>(body.word(kBodyOffset + std::size_t(i) * 4)));
        }
    }
    preset = std::move(result);
    return true;
}

}  // namespace render

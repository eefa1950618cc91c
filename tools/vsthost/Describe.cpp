#include "tools/vsthost/Describe.h"

#include <array>
#include <cstdio>
#include <cstdint>

namespace vsthost {
namespace {

struct FlagName {
    VstInt32 bit;
    const char* name;
};

constexpr std::array<FlagName, 11> kFlagNames{{
    {effectFlags::hasEditor, "editor"},
    {effectFlags::hasClip, "clip indication"},
    {effectFlags::hasVu, "level meter"},
    {effectFlags::canMono, "mono input"},
    {effectFlags::canReplacing, "32-bit replacing"},
    {effectFlags::programChunks, "state as chunk"},
    {effectFlags::isSynth, "synthesizer"},
    {effectFlags::noSoundInStop, "no tail"},
    {effectFlags::extIsAsync, "asynchronous"},
    {effectFlags::extHasBuffer, "external buffer"},
    {effectFlags::canDoubleReplacing, "64-bit replacing"},
}};

constexpr std::array<const char*, 12> kCategoryNames{{
    "unknown", "effect", "synth", "analysis", "mastering", "spatialiser", "room effect", "surround effect",
    "restoration", "offline", "shell", "generator"}};

std::string hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

}  // namespace

std::vector<std::string> flagNames(VstInt32 flags) {
    std::vector<std::string> names;
    auto rest = static_cast<std::uint32_t>(flags);
    for (std::uint32_t bit = 1; bit != 0; bit <<= 1) {
        if ((rest & bit) == 0) {
            continue;
        }
        std::string name = hex(bit);
        for (const FlagName& known : kFlagNames) {
            if (static_cast<std::uint32_t>(known.bit) == bit) {
                name = known.name;
            }
        }
        names.push_back(name);
    }
    return names;
}

std::string categoryName(VstIntPtr category) {
    if (category >= 0 && static_cast<std::size_t>(category) < kCategoryNames.size()) {
        return kCategoryNames[static_cast<std::size_t>(category)];
    }
    return "category " + std::to_string(category);
}

std::string fourCharText(VstInt32 code) {
    const auto bits = static_cast<std::uint32_t>(code);
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<unsigned char>(bits >> shift);
        if (c < 0x20 || c > 0x7E) {
            return hex(bits);
        }
        text += static_cast<char>(c);
    }
    return "'" + text + "'";
}

}  // namespace vsthost

// Presets (.fxp): the exact bytes written, the round trip through a file,
// --set by name and by index as seen in the saved state, and the reader's
// answer to every kind of damaged file.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <bit>
#include <cstring>

#include "tests/render/RenderTestSupport.h"
#include "tools/render/Fxp.h"

namespace rendertest {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bigEndian(std::uint32_t value) {
    return {std::uint8_t(value >> 24), std::uint8_t(value >> 16), std::uint8_t(value >> 8), std::uint8_t(value)};
}

Bytes nativeFloat(float value) {
    Bytes bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes text(const char* characters, std::size_t width) {
    Bytes bytes(width, 0);
    std::memcpy(bytes.data(), characters, std::strlen(characters));
    return bytes;
}

// Glowmarsh's preset for the given parameter values.
Bytes glowmarshPreset(float sustain, float grain, float dryWet) {
    return join({text("CcnK", 4), bigEndian(64), text("FPCh", 4), bigEndian(1), text("glow", 4), bigEndian(1),
                 bigEndian(3), text("Default", 28), bigEndian(12), nativeFloat(sustain), nativeFloat(grain),
                 nativeFloat(dryWet)});
}

TEST(RenderState, GlowmarshDefaultsSaveAsAKnownPreset) {
    ScratchFolder scratch;
    const ToolResult result = runRender({"--info", "--save-state", scratch.file("default.fxp")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(fileBytes(scratch.file("default.fxp")), glowmarshPreset(1.0f, 0.7f, 0.2f));
}

TEST(RenderState, SetByNameInAnyCaseAndByIndex) {
    ScratchFolder scratch;
    const ToolResult result = runRender({"--info", "--set", "sUSTAIN=0.25", "--set", "1=0.5", "--set", "dry/wet=1",
                                         "--save-state", scratch.file("set.fxp")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(fileBytes(scratch.file("set.fxp")), glowmarshPreset(0.25f, 0.5f, 1.0f));
}

TEST(RenderState, LoadThenSaveGivesTheSameBytesAndSetOverridesTheLoad) {
    ScratchFolder scratch;
    writeBytes(scratch.file("a.fxp"), glowmarshPreset(0.125f, 0.375f, 0.625f));
    ASSERT_EQ(runRender({"--info", "--load-state", scratch.file("a.fxp"), "--save-state", scratch.file("b.fxp")})
                  .exitCode,
              0);
    EXPECT_EQ(fileBytes(scratch.file("b.fxp")), fileBytes(scratch.file("a.fxp")));

    ASSERT_EQ(runRender({"--info", "--load-state", scratch.file("a.fxp"), "--set", "Grain=0.75", "--save-state",
                         scratch.file("c.fxp")})
                  .exitCode,
              0);
    EXPECT_EQ(fileBytes(scratch.file("c.fxp")), glowmarshPreset(0.125f, 0.75f, 0.625f));
}

TEST(RenderState, RenderSavesTheStateItRenderedWith) {
    ScratchFolder scratch;
    writeAudio(scratch.file("in.wav"), testSignal(2, 100, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    const ToolResult result = runRender({"--quiet", "--tail", "0", "--set", "Dry/Wet=0.5", "--save-state",
                                         scratch.file("after.fxp"), scratch.file("in.wav"), scratch.file("out.wav")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(fileBytes(scratch.file("after.fxp")), glowmarshPreset(1.0f, 0.7f, 0.5f));
}

TEST(RenderState, PluginWithoutChunksSavesParameterValues) {
    ScratchFolder scratch;
    ASSERT_EQ(runRender({"--plugin", STUB_PLUGIN_PATH, "--info", "--set", "Gain=0.75", "--save-state",
                         scratch.file("stub.fxp")})
                  .exitCode,
              0);
    const Bytes expected = join({text("CcnK", 4), bigEndian(52), text("FxCk", 4), bigEndian(1), text("stub", 4),
                                 bigEndian(7), bigEndian(1), text("Init", 28), bigEndian(0x3F400000)});
    EXPECT_EQ(fileBytes(scratch.file("stub.fxp")), expected);

    // And back: the loaded value shows in the info listing.
    const ToolResult info = runRender({"--plugin", STUB_PLUGIN_PATH, "--info", "--load-state", scratch.file("stub.fxp")});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("\"1.50\""), std::string::npos) << info.out;
}

// The reader on damaged input: each row must be refused with its reason,
// without reading outside the bytes (the sanitizer builds check that).
struct DamageCase {
    const char* name;
    Bytes bytes;
    const char* reason;
};

// Rows print as their names in test listings.
void PrintTo(const DamageCase& row, std::ostream* out) {
    *out << row.name;
}

const Bytes kValid = glowmarshPreset(1.0f, 0.7f, 0.2f);

Bytes withWord(Bytes bytes, std::size_t offset, std::uint32_t value) {
    const Bytes word = bigEndian(value);
    std::copy(word.begin(), word.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    return bytes;
}

class FxpDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(FxpDamage, IsRefusedWithItsReason) {
    const DamageCase& c = GetParam();
    render::FxpPreset preset;
    std::string error;
    EXPECT_FALSE(render::decodeFxp(c.bytes, preset, error));
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
}

const DamageCase kDamage[] = {
    {"Empty", {}, "not a preset file"},
    {"OtherMagic", withWord(kValid, 0, 0x52494646), "not a preset file"},
    {"HeaderCutShort", Bytes(kValid.begin(), kValid.begin() + 40), "truncated header"},
    {"SizeBeyondTheFile", withWord(kValid, 4, 65), "truncated: the header announces 65 bytes"},
    {"SizeBeyondAnyFile", withWord(kValid, 4, 0xFFFFFFFF), "truncated"},
    {"ChunkBeyondTheSize", withWord(kValid, 56, 13), "the chunk size is 13 bytes, 12 follow"},
    {"ChunkSizeHuge", withWord(kValid, 56, 0xFFFFFFF0), "truncated"},
    {"SizeHidesTheChunk", withWord(kValid, 4, 50), "truncated"},
    {"ChunkBank", withWord(kValid, 8, 0x46424368), "a bank of programs"},
    {"ParameterBank", withWord(kValid, 8, 0x4678426B), "a bank of programs"},
    {"UnknownKind", withWord(kValid, 8, 0x41424344), "unknown preset kind"},
    {"ParameterCountNegative", withWord(withWord(kValid, 8, 0x4678436B), 24, 0xFFFFFFFF), "parameter values"},
    {"ParameterCountBeyondTheFile", withWord(withWord(kValid, 8, 0x4678436B), 24, 5), "parameter values"},
};

INSTANTIATE_TEST_SUITE_P(Render, FxpDamage, ::testing::ValuesIn(kDamage),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FxpFormat, EveryTruncationOfAValidPresetIsRefused) {
    for (std::size_t length = 0; length < kValid.size(); ++length) {
        const Bytes cut(kValid.begin(), kValid.begin() + static_cast<std::ptrdiff_t>(length));
        render::FxpPreset preset;
        std::string error;
        EXPECT_FALSE(render::decodeFxp(cut, preset, error)) << length << " bytes";
    }
}

TEST(FxpFormat, EncodeThenDecodeKeepsEveryField) {
    render::FxpPreset original;
    original.uniqueId = 0x676C6F77;
    original.pluginVersion = 1;
    original.numParams = 3;
    original.programName = "A name of exactly 27 chars.";
    original.chunk = {1, 2, 3, 4, 5};
    render::FxpPreset decoded;
    std::string error;
    ASSERT_TRUE(render::decodeFxp(render::encodeFxp(original), decoded, error)) << error;
    EXPECT_EQ(decoded.uniqueId, original.uniqueId);
    EXPECT_EQ(decoded.pluginVersion, original.pluginVersion);
    EXPECT_EQ(decoded.numParams, original.numParams);
    EXPECT_EQ(decoded.programName, original.programName);
    EXPECT_TRUE(decoded.isChunk);
    EXPECT_EQ(decoded.chunk, original.chunk);
}

TEST(FxpFormat, NameLongerThanTheFieldIsCutToKeepItsTerminator) {
    render::FxpPreset preset;
    preset.programName = std::string(40, 'n');
    const Bytes bytes = render::encodeFxp(preset);
    EXPECT_EQ(bytes[28 + 26], 'n');
    EXPECT_EQ(bytes[28 + 27], 0);
}

}  // namespace
}  // namespace rendertest

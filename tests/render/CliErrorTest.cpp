// Every way a render can be refused or fail: the exit code says which class
// of failure, the message names the file or flag, and nothing is left
// behind: no output, no temporary file, the input as it was.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <filesystem>

#include "tests/render/RenderTestSupport.h"
#include "tools/render/Fxp.h"

namespace rendertest {
namespace {

struct FailureCase {
    const char* name;
    std::vector<std::string> args;  // "@name" stands for a file in the scratch folder
    int exitCode;
    const char* message;            // part of what standard error must say
};

// Rows print as their names in test listings.
void PrintTo(const FailureCase& row, std::ostream* out) {
    *out << row.name;
}

class CliFailure : public ::testing::TestWithParam<FailureCase> {
protected:
    void SetUp() override {
        writeAudio(scratch.file("in.wav"), testSignal(2, 2000, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        writeAudio(scratch.file("three.wav"), testSignal(3, 100, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        writeBytes(scratch.file("text.wav"), {'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o'});
        writeBytes(scratch.file("afile"), {'x'});
        std::filesystem::create_directory(scratch.file("folder.wav"));
        render::FxpPreset other;
        other.uniqueId = 0x6F746872;  // 'othr'
        other.programName = "Other";
        other.chunk = std::vector<std::uint8_t>(12, 0);
        const std::vector<std::uint8_t> otherBytes = render::encodeFxp(other);
        writeBytes(scratch.file("other.fxp"), otherBytes);
        writeBytes(scratch.file("short.fxp"), std::vector<std::uint8_t>(otherBytes.begin(), otherBytes.end() - 5));
    }

    std::vector<std::string> expand(const std::vector<std::string>& args) const {
        std::vector<std::string> expanded;
        for (const std::string& arg : args) {
            expanded.push_back(arg.rfind('@', 0) == 0 ? scratch.file(arg.substr(1)) : arg);
        }
        return expanded;
    }

    ScratchFolder scratch;
};

TEST_P(CliFailure, ExitsWithItsCodeNamesTheCauseAndLeavesNothing) {
    const FailureCase& c = GetParam();
    const std::vector<std::uint8_t> inputBefore = fileBytes(scratch.file("in.wav"));
    const std::set<std::string> entriesBefore = scratch.entries();

    const ToolResult result = runRender(expand(c.args));

    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(result.err.rfind("glowmarsh-render: ", 0), 0u) << result.err;
    EXPECT_EQ(scratch.entries(), entriesBefore) << "a file was left behind";
    EXPECT_EQ(fileBytes(scratch.file("in.wav")), inputBefore) << "the input changed";
}

const FailureCase kFailures[] = {
    // Usage.
    {"UnknownOption", {"--loud", "@in.wav", "@out.wav"}, 2, "unknown option '--loud'"},
    {"MissingOutput", {"@in.wav"}, 2, "expected INPUT OUTPUT, got 1 file name"},
    {"ImpulseWithInput", {"--impulse", "@in.wav", "@out.wav"}, 2, "--impulse takes only OUTPUT"},
    {"FlagWithoutValue", {"@in.wav", "@out.wav", "--block"}, 2, "--block needs a value"},
    {"BlockOfZero", {"--block", "0", "@in.wav", "@out.wav"}, 2, "--block: 0 frames"},
    {"BlockNotANumber", {"--block=many", "@in.wav", "@out.wav"}, 2, "--block: 'many' is not a whole number"},
    {"NegativeTail", {"--tail", "-1", "@in.wav", "@out.wav"}, 2, "--tail"},
    {"UnknownBits", {"--bits", "12", "@in.wav", "@out.wav"}, 2, "--bits: '12'"},
    {"UnknownPrecision", {"--precision", "16", "@in.wav", "@out.wav"}, 2, "--precision: '16'"},
    {"SetValueAboveOne", {"--set", "Grain=1.5", "@in.wav", "@out.wav"}, 2, "--set Grain=1.5"},
    {"SetWithoutValue", {"--set", "Grain", "@in.wav", "@out.wav"}, 2, "--set: 'Grain'"},
    {"SetUnknownName", {"--set", "Sustian=0.5", "@in.wav", "@out.wav"}, 2, "--set Sustian: no parameter"},
    {"SetIndexBeyondParameters", {"--set", "3=0.5", "@in.wav", "@out.wav"}, 2, "parameters 0 to 2"},
    {"RateWithoutImpulse", {"--rate", "44100", "@in.wav", "@out.wav"}, 2, "--rate applies only to --impulse"},
    {"OutputIsTheInput", {"@in.wav", "@in.wav"}, 2, "in.wav: is the input file"},
    {"UnknownOutputExtension", {"@in.wav", "@out.mp4"}, 2, "out.mp4: unknown output format"},
    {"FloatBitsIntoFlac", {"--bits", "32f", "@in.wav", "@out.flac"}, 2, "--bits: FLAC cannot hold"},
    {"BitsForOgg", {"--bits", "16", "@in.wav", "@out.ogg"}, 2, "--bits: Ogg Vorbis"},
    // Input files.
    {"MissingInput", {"@missing.wav", "@out.wav"}, 3, "missing.wav: no such file"},
    {"InputIsAFolder", {"@folder.wav", "@out.wav"}, 3, "folder.wav: is a folder"},
    {"InputIsNotAudio", {"@text.wav", "@out.wav"}, 3, "text.wav: cannot read as audio"},
    {"InputHasThreeChannels", {"@three.wav", "@out.wav"}, 3, "three.wav: has 3 channels"},
    {"PresetOfAnotherPlugin", {"--load-state", "@other.fxp", "@in.wav", "@out.wav"}, 3,
     "other.fxp: the preset belongs to plug-in 'othr', not to 'glow' (Glowmarsh)"},
    {"TruncatedPreset", {"--load-state", "@short.fxp", "@in.wav", "@out.wav"}, 3, "short.fxp: not a usable .fxp"},
    {"MissingPreset", {"--load-state", "@none.fxp", "@in.wav", "@out.wav"}, 3, "none.fxp: no such file"},
    // Plug-ins.
    {"PluginIsNotALibrary", {"--plugin", "@afile", "@in.wav", "@out.wav"}, 4, "afile"},
    {"LibraryWithoutEntry", {"--plugin", NOT_A_PLUGIN_PATH, "@in.wav", "@out.wav"}, 4, "not a VST 2.4 plug-in"},
    {"EntryCreatesNothing", {"--plugin", REFUSING_PLUGIN_PATH, "@in.wav", "@out.wav"}, 4, "created no instance"},
    {"DoublePrecisionNotAnnounced", {"--plugin", STUB_PLUGIN_PATH, "--precision", "64", "@in.wav", "@out.wav"}, 4,
     "--precision 64:"},
    // Output files.
    {"OutputIsAFolder", {"@in.wav", "@folder.wav"}, 5, "folder.wav: is a folder"},
    {"OutputFolderIsAFile", {"@in.wav", "@afile/out.wav"}, 5, "afile/out.wav: cannot create a file"},
    {"OutputFolderMissing", {"@in.wav", "@nowhere/out.wav"}, 5, "nowhere/out.wav: cannot create a file"},
    {"OutputFolderRefusesFiles", {"@in.wav", "/proc/glowmarsh-out.wav"}, 5, "/proc/glowmarsh-out.wav: cannot create"},
    {"PresetFolderIsAFile", {"--save-state", "@afile/state.fxp", "@in.wav", "@out.wav"}, 5, "state.fxp: cannot create"},
};

INSTANTIATE_TEST_SUITE_P(Render, CliFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace rendertest

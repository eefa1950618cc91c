// What the renderer's tests share: running glowmarsh-render as a
// subprocess, a scratch folder, and reading and writing audio and bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace rendertest {

struct ToolResult {
    int exitCode = -1;  // the process's exit status; -1 when it did not exit normally
    std::string out;    // standard output
    std::string err;    // standard error
};

// Runs glowmarsh-render with args; standard input is empty.
ToolResult runRender(const std::vector<std::string>& args);

// A fresh folder removed with everything in it at the end of the test.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string file(const std::string& name) const { return (root / name).string(); }
    // The names of the entries in the folder, hidden ones included.
    std::set<std::string> entries() const;

private:
    std::filesystem::path root;
};

struct Audio {
    int format = 0;  // libsndfile format code
    int rateHz = 0;
    int channels = 0;
    std::vector<double> samples;  // interleaved
    std::int64_t frames() const { return channels ? std::int64_t(samples.size()) / channels : 0; }
};

Audio readAudio(const std::string& path);
void writeAudio(const std::string& path, const Audio& audio);

std::vector<std::uint8_t> fileBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// A stereo test signal of frames frames: two detuned sines with silent
// stretches (where an effect's input guard works), every sample a multiple
// of 2^-15 so that it survives 16-bit files exactly.
Audio testSignal(int channels, std::int64_t frames, int rateHz, int format);

}  // namespace rendertest

// What the renderer's tests share: a scratch folder, glowmarsh-render run in
// it as a subprocess, and audio and bytes in files.
#pragma once

#include <sndfile.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace rendertest {

using Bytes = std::string;  // a file's bytes

struct ToolResult {
    int exitCode;     // -1 when the process did not exit normally
    std::string out;  // standard output
    std::string err;  // standard error
};

inline Bytes fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh folder, removed with everything in it at the end of the test.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "glowmarsh-render-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a scratch folder");
        }
        root = pattern;
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    std::string file(const std::string& name) const { return (root / name).string(); }
    void write(const std::string& name, const Bytes& bytes) const {
        std::ofstream(file(name), std::ios::binary) << bytes;
    }

    // The names in the folder, hidden ones included.
    std::set<std::string> entries() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(root)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    // Runs glowmarsh-render with empty standard input; "@name" in args stands
    // for that file in this folder. No argument holds a single quote.
    ToolResult render(const std::vector<std::string>& args) const {
        const ScratchFolder streams;  // elsewhere, so that entries() does not see them
        std::string command = "'" GLOWMARSH_RENDER_PATH "'";
        for (const std::string& arg : args) {
            command += " '" + (arg.starts_with('@') ? file(arg.substr(1)) : arg) + "'";
        }
        command += " </dev/null >" + streams.file("out") + " 2>" + streams.file("err");
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, fileBytes(streams.file("out")),
                fileBytes(streams.file("err"))};
    }

private:
    std::filesystem::path root;
};

struct Audio {
    int format;                   // libsndfile format code
    int rateHz;
    int channels;
    std::vector<double> samples;  // interleaved
    std::int64_t frames() const { return std::ssize(samples) / channels; }
};

inline Audio readAudio(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        throw std::runtime_error(path + ": " + sf_strerror(nullptr));
    }
    Audio audio{info.format, info.samplerate, info.channels, std::vector<double>(info.frames * info.channels)};
    audio.samples.resize(sf_readf_double(file, audio.samples.data(), info.frames) * info.channels);
    sf_close(file);
    return audio;
}

inline void writeAudio(const std::string& path, const Audio& audio) {
    SF_INFO info{0, audio.rateHz, audio.channels, audio.format, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    sf_writef_double(file, audio.samples.data(), audio.frames());
    sf_close(file);
}

// Two detuned sines at half scale with silent stretches (where an effect's
// input guard works), scaled by `level`; at level 1 every sample is a multiple
// of 2^-15, so that 16-bit files hold it exactly.
inline Audio testSignal(int channels, std::int64_t frames, int format, double level = 1.0) {
    Audio audio{format, 44100, channels, {}};
    for (std::int64_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double tone = 0.5 * std::sin(2.0 * M_PI * (220.0 + 3.0 * c) * double(i) / 44100.0);
            audio.samples.push_back((i / 4000) % 3 == 2 ? 0.0 : level * std::round(tone * 32768.0) / 32768.0);
        }
    }
    return audio;
}

}  // namespace rendertest

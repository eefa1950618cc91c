#include "tests/render/RenderTestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <stdexcept>

extern char** environ;

namespace rendertest {
namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

ToolResult runRender(const std::vector<std::string>& args) {
    ScratchFolder streams;
    const std::string outPath = streams.file("stdout");
    const std::string errPath = streams.file("stderr");
    std::vector<std::string> words{GLOWMARSH_RENDER_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " + words[0]);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ToolResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = slurp(outPath);
    result.err = slurp(errPath);
    return result;
}

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "glowmarsh-render-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a scratch folder");
    }
    root = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

std::set<std::string> ScratchFolder::entries() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

Audio readAudio(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        throw std::runtime_error(path + ": " + sf_strerror(nullptr));
    }
    Audio audio;
    audio.format = info.format;
    audio.rateHz = info.samplerate;
    audio.channels = info.channels;
    audio.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    const sf_count_t got = sf_readf_double(file, audio.samples.data(), info.frames);
    sf_close(file);
    audio.samples.resize(static_cast<std::size_t>(got * info.channels));
    return audio;
}

void writeAudio(const std::string& path, const Audio& audio) {
    SF_INFO info{};
    info.format = audio.format;
    info.samplerate = audio.rateHz;
    info.channels = audio.channels;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        throw std::runtime_error(path + ": " + sf_strerror(nullptr));
    }
    sf_writef_double(file, audio.samples.data(), audio.frames());
    sf_close(file);
}

std::vector<std::uint8_t> fileBytes(const std::string& path) {
    const std::string text = slurp(path);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Audio testSignal(int channels, std::int64_t frames, int rateHz, int format) {
    Audio audio;
    audio.format = format;
    audio.rateHz = rateHz;
    audio.channels = channels;
    for (std::int64_t i = 0; i < frames; ++i) {
        const bool silent = (i / 4000) % 3 == 2;
        for (int c = 0; c < channels; ++c) {
            const double tone = 0.5 * std::sin(2.0 * M_PI * (220.0 + 3.0 * c) * double(i) / rateHz);
            audio.samples.push_back(silent ? 0.0 : std::round(tone * 32768.0) / 32768.0);
        }
    }
    return audio;
}

}  // namespace rendertest

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <utility>

#include "tools/render/AudioFile.h"
#include "tools/render/RenderError.h"

namespace render {
namespace {

sf_count_t readInterleaved(SNDFILE* file, float* samples, sf_count_t frames) {
    return sf_readf_float(file, samples, frames);
}

sf_count_t readInterleaved(SNDFILE* file, double* samples, sf_count_t frames) {
    return sf_readf_double(file, samples, frames);
}

}  // namespace

AudioReader::AudioReader(const std::string& inputPath)
    : path(inputPath == "-" ? "standard input" : inputPath) {
    namespace fs = std::filesystem;
    SF_INFO info{};
    if (inputPath == "-") {
        file = sf_open_fd(STDIN_FILENO, SFM_READ, &info, SF_FALSE);
    } else {
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (!fs::exists(status)) {
            fail(ExitCode::inputFile, path + ": no such file");
        }
        if (fs::is_directory(status)) {
            fail(ExitCode::inputFile, path + ": is a folder, not an audio file");
        }
        file = sf_open(path.c_str(), SFM_READ, &info);
    }
    if (file == nullptr) {
        fail(ExitCode::inputFile, path + ": cannot read as audio: " + sf_strerror(nullptr));
    }
    // Through a pipe the header's length may be a placeholder: read to the end.
    struct stat status {};
    const bool pipe = inputPath == "-" && fstat(STDIN_FILENO, &status) == 0 && !S_ISREG(status.st_mode);
    frameCount = pipe ? -1 : info.frames;
    channelCount = info.channels;
    rateHz = info.samplerate;
    formatCode = info.format;
    // A constructor that throws runs no destructor: close before refusing.
    auto refuse = [this](const std::string& why) {
        sf_close(std::exchange(file, nullptr));
        fail(ExitCode::inputFile, path + ": " + why);
    };
    if (channelCount < 1 || channelCount > 2) {
        refuse("has " + std::to_string(channelCount) + " channels; only mono and stereo files can be rendered");
    }
    if (rateHz < 1) {
        refuse("has no valid sample rate");
    }
}

AudioReader::~AudioReader() {
    if (file != nullptr) {
        sf_close(file);
    }
}

std::int32_t AudioReader::read(float* left, float* right, std::int32_t count) {
    return readFrames(left, right, count, floatScratch);
}

std::int32_t AudioReader::read(double* left, double* right, std::int32_t count) {
    return readFrames(left, right, count, doubleScratch);
}

template <typename Sample>
std::int32_t AudioReader::readFrames(Sample* left, Sample* right, std::int32_t count, std::vector<Sample>& scratch) {
    if (count < 1) {
        return 0;
    }
    const auto channels = static_cast<std::size_t>(channelCount);
    scratch.resize(static_cast<std::size_t>(count) * channels);
    const sf_count_t got = readInterleaved(file, scratch.data(), count);
    if (got < count && sf_error(file) != SF_ERR_NO_ERROR) {
        fail(ExitCode::inputFile, path + ": read failed: " + sf_strerror(file));
    }
    for (sf_count_t i = 0; i < got; ++i) {
        const auto frame = static_cast<std::size_t>(i) * channels;
        left[i] = scratch[frame];
        right[i] = scratch[frame + channels - 1];  // mono feeds both sides
    }
    return static_cast<std::int32_t>(got);
}

}  // namespace render

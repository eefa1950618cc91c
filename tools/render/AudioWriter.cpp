#include <sndfile.h>

#include "tools/render/AudioFile.h"
#include "tools/render/PendingFile.h"
#include "tools/render/RenderError.h"

namespace render {
namespace {

constexpr int kOutputChannels = 2;

sf_count_t writeInterleaved(SNDFILE* file, const float* samples, sf_count_t frames) {
    return sf_writef_float(file, samples, frames);
}

sf_count_t writeInterleaved(SNDFILE* file, const double* samples, sf_count_t frames) {
    return sf_writef_double(file, samples, frames);
}

}  // namespace

AudioWriter::AudioWriter(PendingFile& pending, int format, int sampleRateHz) : path(pending.destination()) {
    SF_INFO info{};
    info.samplerate = sampleRateHz;
    info.channels = kOutputChannels;
    info.format = format;
    // The descriptor stays the PendingFile's: it flushes and closes it.
    file = sf_open_fd(pending.descriptor(), SFM_WRITE, &info, SF_FALSE);
    if (file == nullptr) {
        fail(ExitCode::outputFile, path + ": cannot start the audio file: " + sf_strerror(nullptr));
    }
    // Integer formats saturate at full scale instead of wrapping around.
    if (!isFloatFormat(format)) {
        sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    }
}

AudioWriter::~AudioWriter() {
    if (file != nullptr) {
        sf_close(file);
    }
}

void AudioWriter::write(const float* left, const float* right, std::int32_t count) {
    writeFrames(left, right, count, floatScratch);
}

void AudioWriter::write(const double* left, const double* right, std::int32_t count) {
    writeFrames(left, right, count, doubleScratch);
}

template <typename Sample>
void AudioWriter::writeFrames(const Sample* left, const Sample* right, std::int32_t count,
                              std::vector<Sample>& scratch) {
    if (count < 1) {
        return;
    }
    scratch.resize(static_cast<std::size_t>(count) * kOutputChannels);
    for (std::int32_t i = 0; i < count; ++i) {
        scratch[static_cast<std::size_t>(i) * 2] = left[i];
        scratch[static_cast<std::size_t>(i) * 2 + 1] = right[i];
    }
    if (writeInterleaved(file, scratch.data(), count) != count) {
        fail(ExitCode::outputFile, path + ": write failed: " + sf_strerror(file));
    }
}

void AudioWriter::finish() {
    if (file == nullptr) {
        return;
    }
    sf_write_sync(file);
    const int status = sf_close(file);
    file = nullptr;
    if (status != 0) {
        fail(ExitCode::outputFile, path + ": cannot complete the file: " + sf_error_number(status));
    }
}

}  // namespace render

#include <poll.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

#include "tools/render/AudioFile.h"
#include "tools/render/Formats.h"
#include "tools/render/OutputFile.h"
#include "tools/render/RenderError.h"

namespace render {
namespace {

constexpr int kOutputChannels = 2;

DescriptorIo& ioOf(void* user) {
    return *static_cast<DescriptorIo*>(user);
}

sf_count_t ioLength(void* user) {
    return ioOf(user).end;
}

// A stream cannot go back: a seek there is allowed only to bytes already
// passed on, and a rewrite of them (an encoder completing its header) is
// dropped, which leaves the header of a stream of unknown length.
sf_count_t ioSeek(sf_count_t offset, int whence, void* user) {
    DescriptorIo& io = ioOf(user);
    const sf_count_t target = offset + (whence == SEEK_CUR ? io.position : whence == SEEK_END ? io.end : 0);
    if (target < 0 || target > (io.seekable ? INT64_MAX : io.end) ||
        (io.seekable && lseek(io.fd, io.base + target, SEEK_SET) < 0)) {
        return -1;
    }
    return io.position = target;
}

sf_count_t ioRead(void* data, sf_count_t count, void* user) {
    DescriptorIo& io = ioOf(user);
    const ssize_t got = io.seekable ? ::read(io.fd, data, static_cast<std::size_t>(count)) : 0;
    io.position += std::max<ssize_t>(got, 0);
    return std::max<ssize_t>(got, 0);
}

sf_count_t ioWrite(const void* data, sf_count_t count, void* user) {
    DescriptorIo& io = ioOf(user);
    const auto* bytes = static_cast<const char*>(data);
    sf_count_t done = io.seekable ? 0 : std::clamp<sf_count_t>(io.end - io.position, 0, count);
    while (done < count) {
        const ssize_t written = ::write(io.fd, bytes + done, static_cast<std::size_t>(count - done));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            io.error = io.error ? io.error : (written < 0 ? errno : EIO);
            break;
        }
        done += written;
    }
    io.position += done;
    io.end = std::max(io.end, io.position);
    return done;
}

sf_count_t ioTell(void* user) {
    return ioOf(user).position;
}

SF_VIRTUAL_IO descriptorCallbacks{ioLength, ioSeek, ioRead, ioWrite, ioTell};

sf_count_t writeInterleaved(SNDFILE* file, const float* samples, sf_count_t frames) {
    return sf_writef_float(file, samples, frames);
}

sf_count_t writeInterleaved(SNDFILE* file, const double* samples, sf_count_t frames) {
    return sf_writef_double(file, samples, frames);
}

void putLittle(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>(value >> (8 * i)));
    }
}

}  // namespace

AudioWriter::AudioWriter(OutputFile& output, int format, int sampleRateHz, std::optional<double> quality)
    : name(output.name()) {
    io.fd = output.descriptor();
    io.seekable = output.seekable();
    io.base = io.seekable ? lseek(io.fd, 0, SEEK_CUR) : 0;
    SF_INFO info{0, sampleRateHz, kOutputChannels, format, 0, 0};
    if (io.seekable) {
        file = sf_open_virtual(&descriptorCallbacks, SFM_WRITE, &info, &io);
    } else if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV) {
        // libsndfile writes no WAV to a pipe: the header is ours, the
        // samples are libsndfile's own conversion, as in a WAV file.
        writeStreamHeader(format, sampleRateHz);
        info.format = SF_FORMAT_RAW | (format & SF_FORMAT_SUBMASK) | SF_ENDIAN_LITTLE;
        file = sf_open_virtual(&descriptorCallbacks, SFM_WRITE, &info, &io);
    } else if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC) {
        // libsndfile's own pipe writing appends the completed header to a
        // FLAC stream; here that rewrite is dropped.
        file = sf_open_virtual(&descriptorCallbacks, SFM_WRITE, &info, &io);
    } else {
        libraryPipe = true;
        file = sf_open_fd(io.fd, SFM_WRITE, &info, SF_FALSE);
    }
    if (file == nullptr) {
        fail(ExitCode::outputFile, name + ": cannot start the audio file: " +
                                       (io.error ? std::strerror(io.error) : sf_strerror(nullptr)));
    }
    // Integer formats saturate at full scale instead of wrapping around.
    if (!isFloatFormat(format)) {
        sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    }
    if (quality) {
        double level = 1.0 - *quality;
        if (sf_command(file, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level) != SF_TRUE) {
            const std::string why = sf_strerror(file);
            sf_close(std::exchange(file, nullptr));  // no destructor runs for a constructor that throws
            fail(ExitCode::outputFile, name + ": libsndfile refuses --quality here: " + why);
        }
    }
}

AudioWriter::~AudioWriter() {
    if (file != nullptr) {
        sf_close(file);
    }
}

// A WAV header whose sizes say "unknown" (0xFFFFFFFF), as readers of pipes
// expect: plain integer or float samples.
void AudioWriter::writeStreamHeader(int format, int sampleRateHz) {
    const int subtype = format & SF_FORMAT_SUBMASK;
    const int bits = subtype == SF_FORMAT_PCM_U8   ? 8
                     : subtype == SF_FORMAT_PCM_16 ? 16
                     : subtype == SF_FORMAT_PCM_24 ? 24
                     : subtype == SF_FORMAT_DOUBLE ? 64
                                                   : 32;
    const bool isFloat = isFloatFormat(format);
    const auto frameBytes = static_cast<std::uint32_t>(kOutputChannels * bits / 8);
    std::string header = "RIFF";
    putLittle(header, 0xFFFFFFFF, 4);
    header += "WAVEfmt ";
    putLittle(header, isFloat ? 18 : 16, 4);
    putLittle(header, isFloat ? 3 : 1, 2);  // IEEE float, or integer PCM
    putLittle(header, kOutputChannels, 2);
    putLittle(header, static_cast<std::uint32_t>(sampleRateHz), 4);
    putLittle(header, static_cast<std::uint32_t>(sampleRateHz) * frameBytes, 4);
    putLittle(header, frameBytes, 2);
    putLittle(header, static_cast<std::uint32_t>(bits), 2);
    if (isFloat) {
        putLittle(header, 0, 2);  // no extension
    }
    header += "data";
    putLittle(header, 0xFFFFFFFF, 4);
    if (ioWrite(header.data(), static_cast<sf_count_t>(header.size()), &io) != static_cast<sf_count_t>(header.size())) {
        writeFailed("cannot write");
    }
    // The samples follow as a file of their own.
    io.position = io.end = 0;
}

// libsndfile's pipe writing keeps no reason for a failure, and does not
// report one in its final flush; a reader that went away is what fails a
// pipe.
bool AudioWriter::readerGone() const {
    pollfd pipe{io.fd, POLLOUT, 0};
    return libraryPipe && poll(&pipe, 1, 0) == 1 && (pipe.revents & POLLERR);
}

void AudioWriter::writeFailed(const std::string& what) {
    fail(ExitCode::outputFile, name + ": " + what + ": " +
                                   (io.error       ? std::strerror(io.error)
                                    : readerGone() ? std::strerror(EPIPE)
                                    : file         ? sf_strerror(file)
                                                   : "no reason given"));
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
    if (writeInterleaved(file, scratch.data(), count) != count || io.error) {
        writeFailed("write failed");
    }
}

void AudioWriter::finish() {
    if (file == nullptr) {
        return;
    }
    const int status = sf_close(file);
    file = nullptr;
    if (io.error || readerGone()) {
        writeFailed("cannot complete the file");
    }
    if (status != 0) {
        fail(ExitCode::outputFile, name + ": cannot complete the file: " + sf_error_number(status));
    }
}

}  // namespace render

// Audio files through libsndfile: reading the input (any file libsndfile
// knows, or standard input) and writing the stereo output into an
// OutputFile.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/render/FrameSource.h"
#include "tools/render/Options.h"

struct sf_private_tag;

namespace render {

class OutputFile;

class AudioReader final : public FrameSource {
public:
    // Opens path ("-": standard input) for reading only; throws
    // RenderError(inputFile) naming it when it is missing, not audio, or has
    // more than two channels.
    explicit AudioReader(const std::string& path);
    ~AudioReader() override;
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    // -1 when reading from a pipe, whose header may not know.
    std::int64_t frames() const override { return frameCount; }
    int channels() const { return channelCount; }
    int sampleRateHz() const { return rateHz; }
    // libsndfile's format code (container and sample format).
    int format() const { return formatCode; }

    std::int32_t read(float* left, float* right, std::int32_t count) override;
    std::int32_t read(double* left, double* right, std::int32_t count) override;

private:
    template <typename Sample>
    std::int32_t readFrames(Sample* left, Sample* right, std::int32_t count, std::vector<Sample>& scratch);

    std::string path;
    sf_private_tag* file = nullptr;
    std::int64_t frameCount = 0;
    int channelCount = 0;
    int rateHz = 0;
    int formatCode = 0;
    std::vector<float> floatScratch;
    std::vector<double> doubleScratch;
};

// libsndfile's virtual I/O over a descriptor. It keeps the first write error,
// which libsndfile does not always pass on (an encoder's final flush), and
// seeks only where the descriptor can.
struct DescriptorIo {
    int fd = -1;
    std::int64_t base = 0;      // where the file starts in the descriptor
    bool seekable = false;      // else only the current position is reachable
    std::int64_t position = 0;  // from base
    std::int64_t end = 0;       // bytes written from base
    int error = 0;              // errno of the first failed write
};

class AudioWriter {
public:
    // Starts a stereo file of the given format in file: through virtual I/O
    // where it can seek; as WAV of unknown length, or by libsndfile's own
    // pipe writing, where it cannot (chooseOutputFormat has checked that it
    // can). Throws RenderError(outputFile) naming its destination.
    AudioWriter(OutputFile& file, int format, int sampleRateHz, std::optional<double> quality);
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    void write(const float* left, const float* right, std::int32_t count);
    void write(const double* left, const double* right, std::int32_t count);
    // Completes the file (headers, encoder flush) and checks every write; the
    // OutputFile then commits.
    void finish();

private:
    template <typename Sample>
    void writeFrames(const Sample* left, const Sample* right, std::int32_t count, std::vector<Sample>& scratch);
    void writeStreamHeader(int format, int sampleRateHz);
    bool readerGone() const;
    [[noreturn]] void writeFailed(const std::string& what);

    std::string name;
    DescriptorIo io;
    bool libraryPipe = false;  // written by libsndfile's own pipe code, not through io
    sf_private_tag* file = nullptr;
    std::vector<float> floatScratch;
    std::vector<double> doubleScratch;
};

}  // namespace render

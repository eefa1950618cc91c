// Audio files through libsndfile: reading the input (WAV, FLAC, AIFF, Ogg, or
// anything else libsndfile knows) and writing the stereo output into a
// PendingFile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/render/FrameSource.h"
#include "tools/render/Options.h"

struct sf_private_tag;

namespace render {

class PendingFile;

class AudioReader final : public FrameSource {
public:
    // Opens path for reading only; throws RenderError(inputFile) naming it
    // when it is missing, not audio, or has more than two channels.
    explicit AudioReader(const std::string& path);
    ~AudioReader() override;
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

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

// The libsndfile format for an output file: container from the extension of
// path, sample format from bits, or from inputFormat (0: none) when bits is
// fromInput and the container can hold it. Throws RenderError(usage) naming
// OUTPUT or --bits when the combination cannot be written.
int chooseOutputFormat(const std::string& path, SampleBits bits, int inputFormat, int sampleRateHz);

// Whether samples of the format are floats, which keep values beyond full
// scale.
bool isFloatFormat(int format);

// A short description of a format code ("WAV, 24-bit").
std::string describeFormat(int format);

class AudioWriter {
public:
    // Starts a stereo file of the given format in file; throws
    // RenderError(outputFile) naming its destination.
    AudioWriter(PendingFile& file, int format, int sampleRateHz);
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    void write(const float* left, const float* right, std::int32_t count);
    void write(const double* left, const double* right, std::int32_t count);
    // Completes the file (headers, encoder flush); the PendingFile then commits.
    void finish();

private:
    template <typename Sample>
    void writeFrames(const Sample* left, const Sample* right, std::int32_t count, std::vector<Sample>& scratch);

    std::string path;
    sf_private_tag* file = nullptr;
    std::vector<float> floatScratch;
    std::vector<double> doubleScratch;
};

}  // namespace render

// Where the frames fed to the plug-in come from: an audio file or a single
// impulse. Each read fills a left and a right channel; a mono source fills
// both with the same samples.
#pragma once

#include <cstdint>

namespace render {

class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Frames the source holds; -1 when unknown until it ends.
    virtual std::int64_t frames() const = 0;
    // Reads up to count frames; answers how many were read (0 at the end).
    virtual std::int32_t read(float* left, float* right, std::int32_t count) = 0;
    virtual std::int32_t read(double* left, double* right, std::int32_t count) = 0;
};

// One full-scale frame on both channels: the impulse response's input.
class ImpulseSource final : public FrameSource {
public:
    std::int64_t frames() const override { return 1; }
    std::int32_t read(float* left, float* right, std::int32_t count) override { return emit(left, right, count); }
    std::int32_t read(double* left, double* right, std::int32_t count) override { return emit(left, right, count); }

private:
    template <typename Sample>
    std::int32_t emit(Sample* left, Sample* right, std::int32_t count) {
        if (done || count < 1) {
            return 0;
        }
        done = true;
        left[0] = right[0] = Sample(1);
        return 1;
    }

    bool done = false;
};

}  // namespace render

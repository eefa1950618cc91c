#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "tools/render/AudioFile.h"
#include "tools/render/RenderError.h"

namespace render {
namespace {

struct Container {
    const char* extension;
    int major;
    const char* name;
    int fallbackSubtype;  // when the input's sample format does not fit
};

constexpr Container kContainers[] = {
    {".wav", SF_FORMAT_WAV, "WAV", SF_FORMAT_FLOAT},
    {".flac", SF_FORMAT_FLAC, "FLAC", SF_FORMAT_PCM_24},
    {".aif", SF_FORMAT_AIFF, "AIFF", SF_FORMAT_FLOAT},
    {".aiff", SF_FORMAT_AIFF, "AIFF", SF_FORMAT_FLOAT},
    {".ogg", SF_FORMAT_OGG, "Ogg Vorbis", SF_FORMAT_VORBIS},
};

// Sample formats an input may hand on to the output.
constexpr int kCarriedSubtypes[] = {SF_FORMAT_PCM_S8, SF_FORMAT_PCM_U8, SF_FORMAT_PCM_16, SF_FORMAT_PCM_24,
                                    SF_FORMAT_PCM_32, SF_FORMAT_FLOAT, SF_FORMAT_DOUBLE};

std::string lowercaseExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

const Container* containerFor(const std::string& path) {
    const std::string extension = lowercaseExtension(path);
    for (const Container& container : kContainers) {
        if (extension == container.extension) {
            return &container;
        }
    }
    return nullptr;
}

int subtypeFor(SampleBits bits) {
    switch (bits) {
        case SampleBits::pcm16: return SF_FORMAT_PCM_16;
        case SampleBits::pcm24: return SF_FORMAT_PCM_24;
        case SampleBits::float32: return SF_FORMAT_FLOAT;
        case SampleBits::float64: return SF_FORMAT_DOUBLE;
        case SampleBits::fromInput: break;
    }
    return 0;
}

std::string subtypeName(int format) {
    SF_FORMAT_INFO subtype{};
    subtype.format = format & SF_FORMAT_SUBMASK;
    return sf_command(nullptr, SFC_GET_FORMAT_INFO, &subtype, sizeof subtype) == 0 ? subtype.name
                                                                                    : "unknown sample format";
}

bool writable(int format, int sampleRateHz) {
    SF_INFO info{};
    info.format = format;
    info.channels = 2;
    info.samplerate = sampleRateHz;
    return sf_format_check(&info) == SF_TRUE;
}

}  // namespace

int chooseOutputFormat(const std::string& path, SampleBits bits, int inputFormat, int sampleRateHz) {
    const Container* container = containerFor(path);
    if (container == nullptr) {
        fail(ExitCode::usage, path + ": unknown output format; use .wav, .flac, .aif, .aiff or .ogg");
    }
    if (container->major == SF_FORMAT_OGG) {
        if (bits != SampleBits::fromInput) {
            fail(ExitCode::usage, "--bits: Ogg Vorbis is lossy and has no sample format; leave --bits out");
        }
        return container->major | SF_FORMAT_VORBIS;
    }
    if (bits != SampleBits::fromInput) {
        const int format = container->major | subtypeFor(bits);
        if (!writable(format, sampleRateHz)) {
            fail(ExitCode::usage, "--bits: " + std::string(container->name) + " cannot hold " +
                                      subtypeName(format) + " samples at " + std::to_string(sampleRateHz) + " Hz");
        }
        return format;
    }
    const int carried = inputFormat & SF_FORMAT_SUBMASK;
    if (std::find(std::begin(kCarriedSubtypes), std::end(kCarriedSubtypes), carried) != std::end(kCarriedSubtypes) &&
        writable(container->major | carried, sampleRateHz)) {
        return container->major | carried;
    }
    const int format = container->major | container->fallbackSubtype;
    if (!writable(format, sampleRateHz)) {
        fail(ExitCode::usage, path + ": " + container->name + " cannot hold audio at " + std::to_string(sampleRateHz) +
                                  " Hz");
    }
    return format;
}

bool isFloatFormat(int format) {
    const int subtype = format & SF_FORMAT_SUBMASK;
    return subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE;
}

std::string describeFormat(int format) {
    SF_FORMAT_INFO major{};
    major.format = format & SF_FORMAT_TYPEMASK;
    const bool knownMajor = sf_command(nullptr, SFC_GET_FORMAT_INFO, &major, sizeof major) == 0;
    return std::string(knownMajor ? major.name : "unknown container") + ", " + subtypeName(format);
}

}  // namespace render

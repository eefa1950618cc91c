#include "tools/render/Formats.h"

#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <iomanip>
#include <map>
#include <sstream>
#include <utility>

#include "tools/render/OutputFile.h"
#include "tools/render/RenderError.h"

namespace render {
namespace {

constexpr int kChannels = 2;

std::string lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string subtypeName(int format) {
    SF_FORMAT_INFO info{};
    info.format = format & SF_FORMAT_SUBMASK;
    return sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 ? info.name : "unknown sample format";
}

// One of libsndfile's lists: its major formats or its subtypes.
std::vector<SF_FORMAT_INFO> formatList(int countCommand, int entryCommand) {
    int count = 0;
    sf_command(nullptr, countCommand, &count, sizeof count);
    std::vector<SF_FORMAT_INFO> list(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        list[i].format = i;
        sf_command(nullptr, entryCommand, &list[i], sizeof list[i]);
    }
    return list;
}

// Names for a major format, best first: its extension, the first word of
// its name, the first word in its name's parentheses ("WAV (NIST Sphere)").
std::vector<std::string> nameCandidates(const SF_FORMAT_INFO& info) {
    const std::string name = info.name;
    std::vector<std::string> candidates{lowercase(info.extension), lowercase(name.substr(0, name.find(' ')))};
    if (const auto open = name.find('('); open != std::string::npos) {
        const std::string inside = name.substr(open + 1);
        candidates.push_back(lowercase(inside.substr(0, inside.find_first_of(" )"))));
    }
    return candidates;
}

std::vector<OutputFormat> buildFormats() {
    std::vector<OutputFormat> formats;
    const auto find = [&formats](const std::string& name) -> OutputFormat* {
        for (OutputFormat& format : formats) {
            if (std::find(format.names.begin(), format.names.end(), name) != format.names.end()) {
                return &format;
            }
        }
        return nullptr;
    };
    for (const SF_FORMAT_INFO& info : formatList(SFC_GET_FORMAT_MAJOR_COUNT, SFC_GET_FORMAT_MAJOR)) {
        // Sound Designer II keeps its header in a second file ("._NAME")
        // that no temporary name or pipe can stand for.
        if (info.format == SF_FORMAT_SD2) {
            continue;
        }
        for (const std::string& name : nameCandidates(info)) {
            if (!name.empty() && !find(name)) {
                formats.push_back({{name}, info.format, 0, info.name});
                break;
            }
        }
    }
    // The names people use for what libsndfile calls .aiff, .oga and .m1a.
    const auto alias = [&](const char* name, int major, bool first) {
        for (OutputFormat& format : formats) {
            if (format.major == major && format.subtype == 0 && !find(name)) {
                format.names.insert(first ? format.names.begin() : format.names.end(), name);
            }
        }
    };
    alias("aif", SF_FORMAT_AIFF, false);
    alias("ogg", SF_FORMAT_OGG, true);
    alias("mp3", SF_FORMAT_MPEG, true);
    if (const OutputFormat* ogg = find("ogg"); ogg && !find("opus")) {
        formats.push_back({{"opus"}, SF_FORMAT_OGG, SF_FORMAT_OPUS, ogg->description + ", Opus"});
    }
    return formats;
}

// A file in memory for libsndfile's virtual I/O.
struct MemoryFile {
    std::vector<char> bytes;
    sf_count_t position = 0;

    static MemoryFile& of(void* user) { return *static_cast<MemoryFile*>(user); }
    static sf_count_t length(void* user) { return static_cast<sf_count_t>(of(user).bytes.size()); }
    static sf_count_t seek(sf_count_t offset, int whence, void* user) {
        MemoryFile& file = of(user);
        const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? file.position : length(user);
        if (base + offset < 0) {
            return -1;
        }
        return file.position = base + offset;
    }
    static sf_count_t read(void* data, sf_count_t count, void* user) {
        MemoryFile& file = of(user);
        const sf_count_t available = std::clamp<sf_count_t>(length(user) - file.position, 0, count);
        std::memcpy(data, file.bytes.data() + file.position, static_cast<std::size_t>(available));
        file.position += available;
        return available;
    }
    static sf_count_t write(const void* data, sf_count_t count, void* user) {
        MemoryFile& file = of(user);
        if (file.position + count > length(user)) {
            file.bytes.resize(static_cast<std::size_t>(file.position + count));
        }
        std::memcpy(file.bytes.data() + file.position, data, static_cast<std::size_t>(count));
        file.position += count;
        return count;
    }
    static sf_count_t tell(void* user) { return of(user).position; }
};

// Whether libsndfile writes the format at the rate so that it reads back
// with that rate: a header field too narrow, or a codec that takes only
// some rates, fails here.
bool holds(int format, int rateHz) {
    static std::map<std::pair<int, int>, bool> known;
    if (const auto found = known.find({format, rateHz}); found != known.end()) {
        return found->second;
    }
    SF_INFO info{0, rateHz, kChannels, format, 0, 0};
    bool ok = sf_format_check(&info) == SF_TRUE;
    if (ok) {
        SF_VIRTUAL_IO io{MemoryFile::length, MemoryFile::seek, MemoryFile::read, MemoryFile::write,
                         MemoryFile::tell};
        MemoryFile memory;
        SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &memory);
        const float silence[16 * kChannels] = {};
        ok = file != nullptr && sf_writef_float(file, silence, 16) == 16;
        ok = file != nullptr && sf_close(file) == 0 && ok;
        // libsndfile knows MPEG by a file's name only; its encoder refuses
        // the rates it cannot hold when it starts.
        if (ok && (format & SF_FORMAT_TYPEMASK) != SF_FORMAT_MPEG) {
            memory.position = 0;
            SF_INFO back = (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_RAW ? info : SF_INFO{};
            SNDFILE* reader = sf_open_virtual(&io, SFM_READ, &back, &memory);
            ok = reader != nullptr && back.samplerate == rateHz && back.channels == kChannels;
            if (reader != nullptr) {
                sf_close(reader);
            }
        }
    }
    return known[{format, rateHz}] = ok;
}

// libsndfile's subtypes, in the order an output without --bits tries them
// when the input's sample format does not fit: float, then the widest
// integers, then codecs, then whatever else the format has.
std::vector<int> subtypePreference() {
    std::vector<int> order{SF_FORMAT_FLOAT, SF_FORMAT_DOUBLE, SF_FORMAT_PCM_24, SF_FORMAT_PCM_32,
                           SF_FORMAT_PCM_16, SF_FORMAT_ALAC_24, SF_FORMAT_ALAC_32, SF_FORMAT_ALAC_20,
                           SF_FORMAT_ALAC_16, SF_FORMAT_PCM_S8, SF_FORMAT_PCM_U8, SF_FORMAT_VORBIS,
                           SF_FORMAT_OPUS, SF_FORMAT_MPEG_LAYER_III};
    for (const SF_FORMAT_INFO& info : formatList(SFC_GET_FORMAT_SUBTYPE_COUNT, SFC_GET_FORMAT_SUBTYPE)) {
        if (std::find(order.begin(), order.end(), info.format) == order.end()) {
            order.push_back(info.format);
        }
    }
    return order;
}

// Sample formats streamed WAV carries: its plain integer and float codes.
bool streamable(int subtype) {
    for (int plain : {SF_FORMAT_PCM_U8, SF_FORMAT_PCM_16, SF_FORMAT_PCM_24, SF_FORMAT_PCM_32, SF_FORMAT_FLOAT,
                      SF_FORMAT_DOUBLE}) {
        if (subtype == plain) {
            return true;
        }
    }
    return false;
}

// Whether the format may be chosen for the request.
bool fits(const FormatRequest& request, int format) {
    if (request.stream && (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV && !streamable(format & SF_FORMAT_SUBMASK)) {
        return false;
    }
    return holds(format, request.rateHz);
}

constexpr std::pair<SampleBits, const char*> kBits[] = {
    {SampleBits::pcm16, "16"}, {SampleBits::pcm24, "24"}, {SampleBits::float32, "32f"}, {SampleBits::float64, "64f"}};

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

// The first subtype in order that the format can take for the request; 0:
// none.
int firstFit(const OutputFormat& format, const FormatRequest& request, const std::vector<int>& order) {
    for (int subtype : order) {
        if (subtype != 0 && (format.subtype == 0 || subtype == format.subtype) &&
            fits(request, format.major | subtype)) {
            return subtype;
        }
    }
    return 0;
}

// The --bits values the format takes for the request, as "16, 24"; empty:
// none.
std::string bitsTaken(const OutputFormat& format, const FormatRequest& request) {
    std::string taken;
    for (auto [bits, text] : kBits) {
        if (format.subtype == 0 && firstFit(format, request, {subtypeFor(bits)}) != 0) {
            taken += (taken.empty() ? "" : ", ") + std::string(text);
        }
    }
    return taken;
}

// The usual rates the format takes: "the usual rates up to 192000 Hz" when
// it takes every one up to some rate, else the list.
std::string ratesTaken(const OutputFormat& format, const std::vector<int>& preference, bool stream) {
    constexpr int kUsualRates[] = {8000,  11025, 12000,  16000,  22050,  24000,  32000,  44100,
                                   48000, 88200, 96000, 176400, 192000, 352800, 384000, 768000};
    std::vector<int> taken;
    std::string list;
    for (int rate : kUsualRates) {
        FormatRequest probe;
        probe.rateHz = rate;
        probe.stream = stream;
        if (firstFit(format, probe, preference) != 0) {
            taken.push_back(rate);
            list += (list.empty() ? "" : ", ") + std::to_string(rate);
        }
    }
    if (taken.empty()) {
        return "none of the usual rates";
    }
    return std::equal(taken.begin(), taken.end(), std::begin(kUsualRates))
               ? "the usual rates up to " + std::to_string(taken.back()) + " Hz"
               : list + " Hz";
}

std::string shownName(const std::string& path) {
    return path == "-" ? "standard output" : path;
}

}  // namespace

const std::vector<OutputFormat>& outputFormats() {
    static const std::vector<OutputFormat> formats = buildFormats();
    return formats;
}

const OutputFormat* findOutputFormat(const std::string& name) {
    const std::string wanted = lowercase(name);
    for (const OutputFormat& format : outputFormats()) {
        if (std::find(format.names.begin(), format.names.end(), wanted) != format.names.end()) {
            return &format;
        }
    }
    return nullptr;
}

int chooseOutputFormat(const FormatRequest& request) {
    const std::string extension = std::filesystem::path(request.outputPath).extension().string();
    const OutputFormat* format = nullptr;
    if (!request.formatName.empty()) {
        format = findOutputFormat(request.formatName);
        if (format == nullptr) {
            fail(ExitCode::usage, "--format: '" + request.formatName + "' is not a format this libsndfile writes; " +
                                      formatNamesText());
        }
    } else {
        format = extension.size() > 1 ? findOutputFormat(extension.substr(1)) : nullptr;
        // Standard output, a FIFO or a device: WAV unless named otherwise.
        format = format == nullptr && writesDirectly(request.outputPath) ? findOutputFormat("wav") : format;
        if (format == nullptr) {
            fail(ExitCode::usage, request.outputPath + ": unknown output format; give --format NAME, or one of " +
                                      "these extensions: " + formatNamesText());
        }
    }
    const std::vector<int> preference = subtypePreference();
    const std::string what = format->description + (request.stream ? " to a pipe" : "");
    if (firstFit(*format, request, preference) == 0) {
        fail(ExitCode::usage, shownName(request.outputPath) + ": " + what + " cannot hold audio at " +
                                  std::to_string(request.rateHz) + " Hz; it takes " +
                                  ratesTaken(*format, preference, request.stream));
    }
    int subtype = 0;
    if (request.bits != SampleBits::fromInput) {
        subtype = firstFit(*format, request, {subtypeFor(request.bits)});
        if (subtype == 0) {
            const std::string taken = bitsTaken(*format, request);
            fail(ExitCode::usage, "--bits: " + what + (taken.empty() ? " has no choice of sample format; leave --bits out"
                                                                      : " takes --bits " + taken));
        }
    } else {
        subtype = firstFit(*format, request, {request.inputFormat & SF_FORMAT_SUBMASK});
        subtype = subtype ? subtype : firstFit(*format, request, preference);
    }
    const int result = format->major | subtype;
    if (request.stream && !pipeTakes(result)) {
        fail(ExitCode::usage, shownName(request.outputPath) + ": libsndfile writes no " + describeFormat(result) +
                                  " to a pipe; give a --format that a pipe takes (--formats lists them)");
    }
    if (request.quality && !isLossyFormat(result)) {
        fail(ExitCode::usage, "--quality: " + describeFormat(result) + " is not lossy; --quality applies to " +
                                  "Vorbis, Opus and MP3");
    }
    return result;
}

bool isFloatFormat(int format) {
    const int subtype = format & SF_FORMAT_SUBMASK;
    return subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE;
}

bool isLossyFormat(int format) {
    const int subtype = format & SF_FORMAT_SUBMASK;
    return subtype == SF_FORMAT_VORBIS || subtype == SF_FORMAT_OPUS || subtype == SF_FORMAT_MPEG_LAYER_I ||
           subtype == SF_FORMAT_MPEG_LAYER_II || subtype == SF_FORMAT_MPEG_LAYER_III;
}

std::string describeFormat(int format) {
    SF_FORMAT_INFO major{};
    major.format = format & SF_FORMAT_TYPEMASK;
    const bool knownMajor = sf_command(nullptr, SFC_GET_FORMAT_INFO, &major, sizeof major) == 0;
    return std::string(knownMajor ? major.name : "unknown container") + ", " + subtypeName(format);
}

bool pipeTakes(int format) {
    if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV) {
        return streamable(format & SF_FORMAT_SUBMASK);
    }
    if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC) {
        return true;  // streamed here, not by libsndfile
    }
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return false;
    }
    // The header and a few frames fit in the pipe's buffer.
    SF_INFO info{0, 48000, kChannels, format, 0, 0};
    SNDFILE* file = sf_open_fd(ends[1], SFM_WRITE, &info, SF_FALSE);
    const float silence[16 * kChannels] = {};
    bool ok = file != nullptr && sf_writef_float(file, silence, 16) == 16;
    ok = file != nullptr && sf_close(file) == 0 && ok;
    close(ends[0]);
    close(ends[1]);
    return ok;
}

std::string formatsText() {
    char version[64] = {};
    sf_command(nullptr, SFC_GET_LIB_VERSION, version, sizeof version);
    std::ostringstream text;
    text << "Output formats of " << version << ": the name --format takes, the extensions OUTPUT may\n"
         << "have, what --bits takes, the sample format used when the input's does not fit\n"
         << "(at 48000 Hz), and whether a pipe takes it.\n";
    const std::vector<int> preference = subtypePreference();
    FormatRequest probe;
    probe.rateHz = 48000;
    for (const OutputFormat& format : outputFormats()) {
        const int subtype = firstFit(format, probe, preference);
        if (subtype == 0) {
            continue;  // nothing stereo
        }
        std::string extensions;
        for (const std::string& name : format.names) {
            extensions += "." + name + " ";
        }
        const std::string bits = bitsTaken(format, probe);
        text << "  " << std::left << std::setw(8) << format.names.front() << std::setw(15) << extensions
             << format.description << "\n" << std::string(25, ' ') << "--bits " << (bits.empty() ? "none" : bits)
             << "; " << subtypeName(subtype) << "; " << (pipeTakes(format.major | subtype) ? "pipes" : "no pipes")
             << "\n";
    }
    return text.str();
}

std::string formatNamesText() {
    const std::vector<int> preference = subtypePreference();
    FormatRequest probe;
    probe.rateHz = 48000;
    std::string names;
    for (const OutputFormat& format : outputFormats()) {
        for (const std::string& name : format.names) {
            names += firstFit(format, probe, preference) ? (names.empty() ? "" : " ") + name : "";
        }
    }
    return names;
}

}  // namespace render

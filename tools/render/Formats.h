// The output formats this libsndfile writes, as it lists them: each major
// format under the names --format takes (its extension first), plus the
// usual aliases; and the choice of one for an output.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/render/Options.h"

namespace render {

struct OutputFormat {
    std::vector<std::string> names;  // lower case; each also an extension OUTPUT may have
    int major = 0;                   // libsndfile's major format
    int subtype = 0;                 // a codec the name implies (Opus, MP3); 0: chosen
    std::string description;         // libsndfile's name for it
};

// Every major format, in libsndfile's order, then the aliases that are
// formats of their own (.opus).
const std::vector<OutputFormat>& outputFormats();

// The format --format NAME (or an extension without its dot) names, any
// case; null when none.
const OutputFormat* findOutputFormat(const std::string& name);

// What an output needs to be written.
struct FormatRequest {
    std::string outputPath;          // for its extension and for messages
    std::string formatName;          // --format; empty: from the extension, or WAV for "-"
    SampleBits bits = SampleBits::fromInput;
    std::optional<double> quality;   // --quality
    int inputFormat = 0;             // libsndfile format of the input; 0: none
    int rateHz = 0;
    bool stream = false;             // the output cannot seek (a pipe)
};

// The libsndfile format for the request: the major format from --format or
// the extension; the input's sample format where that can hold it, else the
// best it can (float, 24-bit, or its codec). Every choice is tried in
// memory, written and read back, so a rate the format cannot hold is found
// here. Throws RenderError(usage) naming what does not fit and the format's
// limits.
int chooseOutputFormat(const FormatRequest& request);

// Whether samples of the format are floats, which keep values beyond full
// scale and non-finite values.
bool isFloatFormat(int format);
// Whether the format is lossy (Vorbis, Opus, MPEG), where --quality applies.
bool isLossyFormat(int format);
// A short description of a format code ("WAV (Microsoft), Signed 24 bit PCM").
std::string describeFormat(int format);

// Whether libsndfile writes the format to a pipe (WAV is streamed here).
bool pipeTakes(int format);

// The --formats listing, and the one line of names --help shows.
std::string formatsText();
std::string formatNamesText();

}  // namespace render

#include "tools/render/Formats.h"
#include "tools/render/Options.h"

namespace render {

std::string usageText() {
    return R"(Usage: glowmarsh-render [options] INPUT OUTPUT
       glowmarsh-render [options] --out-dir DIR INPUT...
       glowmarsh-render [options] --impulse OUTPUT
       glowmarsh-render [options] --info
       glowmarsh-render --formats

Renders an audio file through a stereo VST 2.4 effect (Glowmarsh.so unless
--plugin names another), as a host would: open, sample rate, block size,
resume, blocks of frames, suspend, close.

Files:
  INPUT                 any file libsndfile reads, mono or stereo (mono feeds both
                        inputs of the effect); - reads standard input
  OUTPUT                stereo; its format follows the extension, or --format;
                        written to a temporary file beside it (beside the target
                        of a symlink) and renamed when complete; never a file the
                        run reads. A FIFO or device is written directly; - writes
                        standard output (WAV unless --format says otherwise)

Options:
  --plugin PATH         the VST 2.4 module to load (default: Glowmarsh.so)
  --format NAME         OUTPUT's format, whatever its extension (see --formats)
  --bits 16|24|32f|64f  output sample format (default: the input's, where the
                        output format can hold it, else float, 24-bit or its codec)
  --quality Q           lossy formats (Vorbis, Opus, MP3): 0 smallest to 1 best
  --precision 32|64     processing entry: 32-bit or 64-bit float (default 32)
  --block N             frames per processing call, 1 to 65536 (default 512)
  --set NAME=VALUE      set a parameter by name (any case) or by INDEX=VALUE;
                        values are normalised, 0 to 1; may be repeated
  --tail SECONDS        silence rendered after the input so the effect can ring
                        out (default: the tail the plug-in reports, else 22061
                        frames, Glowmarsh's longest reach: 0.46 s at 48 kHz)
  --impulse             render the impulse response: one full-scale frame on both
                        inputs, then the tail; only OUTPUT is given
  --rate HZ             sample rate of --impulse (default 48000)
  --load-state FILE     restore the plug-in's state from an .fxp preset first
  --save-state FILE     save the plug-in's state as an .fxp preset afterwards
  --seed N              seed of the random generator the effect's dither draws
                        from (default 1); equal seeds give identical renders
  --out-dir DIR         render every INPUT to DIR, same base name, extension of
                        --format or the input's; each in a process of its own
  --jobs N              renders at once with --out-dir (default: one per core)
  --info                print what a host sees of the plug-in and stop
  --formats             print the output formats this libsndfile writes and stop
  -q, --quiet           no progress and no summary lines
  -h, --help            print this help and stop

Exit status:
  0  success
  1  unexpected failure
  2  usage: a wrong option, value or combination (also: OUTPUT is a file the run
     reads; a format that cannot hold the sample rate or go to a pipe)
  3  input file: missing, unreadable, not audio, more than two channels, or a
     preset that is damaged, made for another plug-in, or not all numbers
  4  plug-in: cannot be loaded, is not a VST 2.4 stereo effect, or lacks the
     requested processing precision
  5  output: a file, pipe or standard output cannot be created or written
With --out-dir: the code of the first INPUT that failed.

Output formats: )" + formatNamesText() + "\n";
}

}  // namespace render

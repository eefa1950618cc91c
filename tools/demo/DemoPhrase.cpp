// glowmarsh-demo-phrase OUTPUT.wav: writes the demo phrase (48 kHz, stereo,
// 24-bit) that the quick start renders through Glowmarsh.
#include <iostream>

#include "tools/demo/PhraseSynth.h"
#include "tools/render/AudioFile.h"
#include "tools/render/Formats.h"
#include "tools/render/OutputFile.h"
#include "tools/render/RenderError.h"

int main(int argc, char** argv) {
    constexpr int kRateHz = 48000;
    if (argc != 2) {
        std::cerr << "usage: glowmarsh-demo-phrase OUTPUT.wav\n";
        return 2;
    }
    try {
        const demo::StereoSignal phrase = demo::synthesisePhrase(kRateHz);
        render::FormatRequest request;
        request.outputPath = argv[1];
        request.bits = render::SampleBits::pcm24;
        request.rateHz = kRateHz;
        const int format = render::chooseOutputFormat(request);
        render::OutputFile file(argv[1]);
        render::AudioWriter writer(file, format, kRateHz, std::nullopt);
        writer.write(phrase.left.data(), phrase.right.data(), static_cast<std::int32_t>(phrase.left.size()));
        writer.finish();
        file.commit();
    } catch (const render::RenderError& error) {
        std::cerr << "glowmarsh-demo-phrase: " << error.what() << '\n';
        return static_cast<int>(error.code());
    }
    return 0;
}

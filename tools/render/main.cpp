// glowmarsh-render: renders audio files through a VST 2.4 effect from the
// command line. See --help, or the README's reference section.
#include <exception>
#include <iostream>

#include "tools/render/Batch.h"
#include "tools/render/Formats.h"
#include "tools/render/Options.h"
#include "tools/render/Progress.h"
#include "tools/render/RenderError.h"
#include "tools/render/Session.h"
#include "tools/render/Signals.h"

int main(int argc, char** argv) {
    using render::ExitCode;
    render::installSignalHandling();
    try {
        const render::Options options = render::parseOptions(argc, argv);
        if (options.help) {
            render::printOut(render::usageText());
        } else if (options.listFormats) {
            render::printOut(render::formatsText());
        } else if (!options.outDir.empty()) {
            return render::runBatch(options);
        } else {
            render::runSession(options);
        }
        return 0;
    } catch (const render::RenderError& error) {
        std::cerr << "glowmarsh-render: " << error.what() << std::endl;
        return static_cast<int>(error.code());
    } catch (const std::exception& error) {
        std::cerr << "glowmarsh-render: unexpected failure: " << error.what() << std::endl;
        return static_cast<int>(ExitCode::internal);
    }
}

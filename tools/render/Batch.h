// --out-dir: many inputs rendered into one folder, each by a glowmarsh-render
// process of its own, several at once. A process of its own, because the
// random generator the dither draws from and the effect's noise counters are
// shared by everything in a process: so a file's output is the same bits
// whatever else is rendered at the time.
#pragma once

#include "tools/render/Options.h"

namespace render {

// Renders every input to options.outDir with its base name and the
// extension of --format, else its own. Prints one line per file (and a
// progress line on a terminal); a failing file does not stop the others.
// Answers 0, or the exit code of the first input, in command-line order,
// that failed; throws RenderError for what stops the batch before it starts.
int runBatch(const Options& options);

}  // namespace render

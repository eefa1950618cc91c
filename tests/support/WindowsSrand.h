// Forced into the Windows test programs: there the dither draws from the
// module's own generator, not from the C library's rand(), so each srand() of
// a test seeds that generator too.
#pragma once

#include <cstdlib>

#include "engine/DitherRandom.h"

#define srand(seed) srand(seed), glowmarsh::seedDitherRandom(seed)

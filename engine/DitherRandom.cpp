#include "engine/DitherRandom.h"

namespace glowmarsh {

// glibc's first draws after srand(1), or none.
static_assert([] {
    GlibcRandom first;
    return first.next() == 1804289383 && first.next() == 846930886 && first.next() == 1681692777;
}());

}  // namespace glowmarsh

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace glowmarsh {

namespace {
// Both ready before any code runs: nothing to set up while the module loads.
SRWLOCK generatorLock = SRWLOCK_INIT;
constinit GlibcRandom generator{1};
}  // namespace

std::int32_t ditherRandom() {
    AcquireSRWLockExclusive(&generatorLock);
    const std::int32_t value = generator.next();
    ReleaseSRWLockExclusive(&generatorLock);
    return value;
}

void seedDitherRandom(unsigned seed) {
    AcquireSRWLockExclusive(&generatorLock);
    generator.reseed(seed);
    ReleaseSRWLockExclusive(&generatorLock);
}

}  // namespace glowmarsh
#endif

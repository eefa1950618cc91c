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

#include <mutex>

namespace glowmarsh {

namespace {

// A critical section, set up while the module loads: taking it costs a draw
// about what glibc's lock costs rand(), and it allocates nothing on the
// processing thread (a static std::mutex would on its first use, here).
class GeneratorLock {
public:
    GeneratorLock() { InitializeCriticalSectionAndSpinCount(&section, 1000); }
    ~GeneratorLock() { DeleteCriticalSection(&section); }
    GeneratorLock(const GeneratorLock&) = delete;
    GeneratorLock& operator=(const GeneratorLock&) = delete;
    void lock() { EnterCriticalSection(&section); }
    void unlock() { LeaveCriticalSection(&section); }

private:
    CRITICAL_SECTION section;
};

GeneratorLock generatorLock;
constinit GlibcRandom generator{1};

}  // namespace

std::int32_t ditherRandom() {
    const std::lock_guard<GeneratorLock> hold(generatorLock);
    return generator.next();
}

void drawDitherPairs(std::int32_t* left, std::int32_t* right, std::int32_t frames) {
    const std::lock_guard<GeneratorLock> hold(generatorLock);
    for (std::int32_t f = 0; f < frames; ++f) {
        left[f] = generator.next();
        right[f] = generator.next();
    }
}

void seedDitherRandom(unsigned seed) {
    const std::lock_guard<GeneratorLock> hold(generatorLock);
    generator.reseed(seed);
}

}  // namespace glowmarsh
#endif

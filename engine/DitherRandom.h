// The dither's random draws: glibc's rand() sequence, 0 to 2147483647, one
// sequence for the whole module that every processing call of every instance
// draws from. Linux's C library gives it directly. Windows' rand() gives 0 to
// 32767, which would make the dither 65536 times too small, so there a
// generator of ours produces glibc's sequence.
#pragma once

#include <cstdint>
#include <cstdlib>

namespace glowmarsh {

// glibc's rand() and srand(): additive feedback r(i) = r(i-3) + r(i-31)
// modulo 2^32, drawn as r(i) >> 1. The 31 words come from the seed by
// r(i) = 16807 r(i-1) mod 2147483647, computed as glibc does (also for seeds
// from 2^31 up, which it reads as negative); the first 310 draws are dropped.
class GlibcRandom {
public:
    constexpr explicit GlibcRandom(unsigned seed = 1) { reseed(seed); }

    // As srand(seed): seed 0 counts as 1.
    constexpr void reseed(unsigned seed) {
        std::int32_t word = static_cast<std::int32_t>(seed == 0 ? 1u : seed);
        words[0] = static_cast<std::uint32_t>(word);
        for (int i = 1; i < kWords; ++i) {
            const std::int32_t high = word / 127773, low = word % 127773;  // Schrage: no overflow
            word = 16807 * low - 2836 * high;
            if (word < 0) word += 2147483647;
            words[i] = static_cast<std::uint32_t>(word);
        }
        front = 3;
        rear = 0;
        for (int i = 0; i < 10 * kWords; ++i) next();
    }

    // The next value, 0 to 2147483647.
    constexpr std::int32_t next() {
        words[front] += words[rear];
        const std::uint32_t value = words[front] >> 1;
        front = front == kWords - 1 ? 0 : front + 1;
        rear = rear == kWords - 1 ? 0 : rear + 1;
        return static_cast<std::int32_t>(value);
    }

private:
    static constexpr int kWords = 31;
    std::uint32_t words[kWords]{};
    int front = 3;  // where r(i - 31) lies, replaced by r(i)
    int rear = 0;   // where r(i - 3) lies
};

#if defined(_WIN32)
// The module's GlibcRandom, under a lock: instances may process on several
// threads at once.
std::int32_t ditherRandom();
// frames pairs of draws, left then right for each frame, under one taking of the lock.
void drawDitherPairs(std::int32_t* left, std::int32_t* right, std::int32_t frames);
// Restarts the sequence as srand(seed) does; for tests that pin output bits.
void seedDitherRandom(unsigned seed);
#else
inline std::int32_t ditherRandom() {
    static_assert(RAND_MAX == 2147483647, "the dither's divisor assumes rand() up to 2^31 - 1");
    return std::rand();
}
inline void drawDitherPairs(std::int32_t* left, std::int32_t* right, std::int32_t frames) {
    for (std::int32_t f = 0; f < frames; ++f) {
        left[f] = ditherRandom();
        right[f] = ditherRandom();
    }
}
inline void seedDitherRandom(unsigned seed) {
    std::srand(seed);
}
#endif

}  // namespace glowmarsh

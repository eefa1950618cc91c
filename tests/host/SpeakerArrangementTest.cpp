// Arrangement blocks: their size and bytes, who releases them, and what is
// left when a step fails. Array allocations of this binary go through a
// registry, so a test sees each block's size, whether it was released with
// the array form, and can make an allocation fail. Run it under
// AddressSanitizer too: the registry is built on malloc, which it watches.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#else
#define ASAN_POISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#endif

#include "tests/host/BareEffect.h"

namespace arrays {
// Blocks not yet released, and their sizes; built on first use, which may come before main.
std::map<void*, std::size_t>& live() {
    static std::map<void*, std::size_t> blocks;
    return blocks;
}
std::size_t lastRequest = 0;         // bytes of the latest array allocation
std::size_t refuseAbove = SIZE_MAX;  // allocations larger than this fail

void* allocate(std::size_t n) {
    lastRequest = n;
    void* p = n > refuseAbove ? nullptr : std::malloc(n == 0 ? 1 : n);
    if (p != nullptr) {
        live()[p] = n;
    }
    return p;
}
void release(void* p) {
    live().erase(p);
    std::free(p);
}
}  // namespace arrays

void* operator new[](std::size_t n) {
    if (void* p = arrays::allocate(n)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return arrays::allocate(n); }
void operator delete[](void* p) noexcept { arrays::release(p); }
void operator delete[](void* p, std::size_t) noexcept { arrays::release(p); }

namespace {

using Bytes = std::vector<unsigned char>;

Bytes blockBytes(const VstSpeakerArrangement* a) {
    const auto* p = reinterpret_cast<const unsigned char*>(a);
    const auto it = arrays::live().find(const_cast<VstSpeakerArrangement*>(a));
    return it == arrays::live().end() ? Bytes{} : Bytes(p, p + it->second);
}

void put32(unsigned char* at, VstInt32 value) {
    std::memcpy(at, &value, 4);
}

// An arrangement as a host lays it out on this processor, byte by byte: type
// at 0, count at 4, and 112 bytes per speaker (four leading fields, the name
// at 16, the speaker type at 80, reserved bytes from 84). With junk, each name
// carries bytes after its terminator, as a host's may.
Bytes hostArrangement(VstInt32 channels, bool junk) {
    Bytes block(8 + 112 * static_cast<std::size_t>(channels), 0);
    put32(&block[0], 5);
    put32(&block[4], channels);
    for (VstInt32 i = 0; i < channels; ++i) {
        unsigned char* speaker = &block[8 + 112 * static_cast<std::size_t>(i)];
        for (int b = 0; b < 112; ++b) {
            speaker[b] = static_cast<unsigned char>(0x10 * i + b + 1);
        }
        std::memset(speaker + 16, junk ? 'x' : 0, 64);
        std::snprintf(reinterpret_cast<char*>(speaker) + 16, 64, "speaker %d", i);
        put32(speaker + 80, i + 1);
    }
    return block;
}

class Arrangements : public ::testing::Test {
protected:
    void SetUp() override { before = arrays::live().size(); }
    void TearDown() override {
        arrays::refuseAbove = SIZE_MAX;
        effect.deallocateArrangement(&held);
        EXPECT_EQ(arrays::live().size(), before) << "an arrangement block was not released with delete[]";
    }

    BareEffect effect{nullptr};
    VstSpeakerArrangement* held = nullptr;
    std::size_t before = 0;
};

TEST_F(Arrangements, BlockIsEightPlus112BytesPerChannelAllZeroButTheCount) {
    for (VstInt32 channels : {0, 1, 2, 9, 64}) {
        if (held != nullptr) {
            held->arrangementType = 7;
        }
        ASSERT_TRUE(effect.allocateArrangement(&held, channels)) << channels;
        Bytes expected(8 + 112 * static_cast<std::size_t>(channels), 0);
        put32(&expected[4], channels);
        EXPECT_EQ(blockBytes(held), expected) << channels;
        EXPECT_EQ(arrays::live().size(), before + 1) << "allocating again must release the previous block";
    }
    EXPECT_TRUE(effect.deallocateArrangement(&held));
    EXPECT_EQ(held, nullptr);
    EXPECT_EQ(arrays::live().size(), before);
    EXPECT_TRUE(effect.deallocateArrangement(&held)) << "nothing held";
    EXPECT_TRUE(effect.deallocateArrangement(nullptr)) << "no pointer";
}

TEST_F(Arrangements, AFailedAllocationLeavesTheCallerNullAndReleasesTheOldBlock) {
    struct Row { const char* what; VstInt32 channels; std::size_t refuseAbove, requested; };  // requested 0: none
    const Row rows[] = {
        {"no memory for two channels", 2, 100, 232},
        // With a 32-bit size_t the block cannot be described, so nothing is requested.
        {"largest count: its size is computed without overflow", INT_MAX, std::size_t{1} << 30,
         sizeof(std::size_t) > 4 ? static_cast<std::size_t>(8 + std::uint64_t{112} * INT_MAX) : 0},
        {"negative count", -1, SIZE_MAX, 0},
        {"most negative count", INT_MIN, SIZE_MAX, 0},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(effect.allocateArrangement(&held, 1));
        arrays::lastRequest = 0;
        arrays::refuseAbove = row.refuseAbove;
        EXPECT_FALSE(effect.allocateArrangement(&held, row.channels)) << row.what;
        arrays::refuseAbove = SIZE_MAX;
        EXPECT_EQ(held, nullptr) << row.what;
        EXPECT_EQ(arrays::live().size(), before) << row.what << ": old block kept";
        EXPECT_EQ(arrays::lastRequest, row.requested) << row.what;
    }
    EXPECT_FALSE(effect.allocateArrangement(nullptr, 2)) << "no pointer to store into";
}

// Names of at most 63 characters, zeros up to byte 63, and no byte read after
// the source's terminator (poisoned under AddressSanitizer); every other byte
// copied as it is, a signalling NaN in the leading fields included.
TEST_F(Arrangements, CopySpeakerNameRule) {
    // Short, empty, 7 with junk after the terminator, 63 that fit, 64 without a terminator.
    const std::string names[] = {"abc", "", "1234567", std::string(63, 'x'), std::string(64, 'm')};
    for (const std::string& name : names) {
        alignas(16) VstSpeakerProperties from, to;
        std::memset(&from, 0xA5, sizeof from);
        std::memset(&to, 0xFF, sizeof to);
        const std::uint32_t signallingNaN = 0x7FA00001;
        std::memcpy(&from.azimuth, &signallingNaN, 4);
        std::memcpy(from.name, name.c_str(), std::min<std::size_t>(name.size() + 1, 64));
        const std::size_t readable = std::min<std::size_t>((name.size() + 8) / 8 * 8, 64);
        ASAN_POISON_MEMORY_REGION(from.name + readable, 64 - readable);
        const bool copied = effect.copySpeaker(&to, &from);
        ASAN_UNPOISON_MEMORY_REGION(from.name, 64);
        ASSERT_TRUE(copied) << name;
        std::memset(from.name, 0, 64);
        std::memcpy(from.name, name.data(), std::min<std::size_t>(name.size(), 63));
        EXPECT_EQ(std::memcmp(&to, &from, sizeof to), 0) << name << ": not the source with its name cut to 63";
    }
    VstSpeakerProperties s{};
    EXPECT_FALSE(effect.copySpeaker(nullptr, &s));
    EXPECT_FALSE(effect.copySpeaker(&s, nullptr));
}

TEST_F(Arrangements, MatchMakesAFreshCopyOfAHostsArrangement) {
    for (VstInt32 channels : {0, 2, 12}) {
        Bytes source = hostArrangement(channels, true);
        ASSERT_TRUE(effect.allocateArrangement(&held, 3));
        ASSERT_TRUE(effect.matchArrangement(&held, reinterpret_cast<VstSpeakerArrangement*>(source.data())));
        EXPECT_EQ(blockBytes(held), hostArrangement(channels, false)) << channels << " channels";
        EXPECT_EQ(arrays::live().size(), before + 1) << "the previous block was not released";
    }
    VstSpeakerArrangement* const was = held;
    EXPECT_FALSE(effect.matchArrangement(&held, nullptr)) << "null source";
    EXPECT_TRUE(effect.matchArrangement(&held, held)) << "itself: no read after release";
    EXPECT_EQ(held, was);
    EXPECT_EQ(held->numChannels, 12);
    EXPECT_FALSE(effect.matchArrangement(nullptr, was)) << "no destination address";
}

// Failing steps inside matchArrangement, reached through the virtual table:
// it stops at the first and leaves what it had done so far.
class Faulty : public BareEffect {
public:
    explicit Faulty(int failAt) : BareEffect(nullptr), failAt(failAt) {}
    int failAt, step = 0;  // fails step failAt: 0 deallocate, 1 allocate, 2 the first copy, 3 the second...
    bool deallocateArrangement(VstSpeakerArrangement** a) override {
        return step++ != failAt && BareEffect::deallocateArrangement(a);
    }
    bool allocateArrangement(VstSpeakerArrangement** a, VstInt32 n) override {
        return step++ != failAt && BareEffect::allocateArrangement(a, n);
    }
    bool copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from) override {
        return step++ != failAt && BareEffect::copySpeaker(to, from);
    }
};

TEST_F(Arrangements, MatchStopsAtTheFirstFailingStep) {
    Bytes source = hostArrangement(3, false);
    Bytes firstSpeakerOnly = source, oneChannel(8 + 112, 0);
    std::fill(firstSpeakerOnly.begin() + 8 + 112, firstSpeakerOnly.end(), 0);
    put32(&oneChannel[4], 1);
    struct Row { const char* what; int failAt; Bytes held; };  // held: the caller's block after, empty if none
    const Row rows[] = {
        {"deallocate refused: the old block stays", 0, oneChannel},
        {"allocate refused: nothing held", 1, {}},
        {"second copy refused: the new block, copied so far", 3, firstSpeakerOnly},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(effect.allocateArrangement(&held, 1));
        Faulty faulty(row.failAt);
        EXPECT_FALSE(faulty.matchArrangement(&held, reinterpret_cast<VstSpeakerArrangement*>(source.data())));
        EXPECT_EQ(faulty.step, row.failAt + 1) << row.what << ": went on after the failure";
        EXPECT_EQ(blockBytes(held), row.held) << row.what;
    }
    arrays::refuseAbove = 0;
    EXPECT_FALSE(effect.matchArrangement(&held, reinterpret_cast<VstSpeakerArrangement*>(source.data())));
    EXPECT_EQ(held, nullptr) << "no memory";
}

}  // namespace

// Arrangement blocks: their size and bytes, who releases them, and what is
// left when a step fails. Array allocations of this binary go through a
// registry, so a test sees each block's size, whether it was released with
// the array form, and can make an allocation fail. Run it under
// AddressSanitizer too: the registry is built on malloc, which it watches.
#include <gtest/gtest.h>
#include <sanitizer/asan_interface.h>

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

// The bytes of a live array block; none for anything else.
Bytes blockBytes(const VstSpeakerArrangement* a) {
    const auto* p = reinterpret_cast<const unsigned char*>(a);
    const auto it = arrays::live().find(const_cast<VstSpeakerArrangement*>(a));
    return it == arrays::live().end() ? Bytes{} : Bytes(p, p + it->second);
}

void put32(unsigned char* at, VstInt32 value) {
    std::memcpy(at, &value, 4);
}

// A fresh block: 8 + 112 bytes per speaker, all zero but the count at 4.
Bytes emptyBlock(VstInt32 channels) {
    Bytes block(8 + 112 * static_cast<std::size_t>(channels), 0);
    put32(&block[4], channels);
    return block;
}

// An arrangement as a host lays it out on this processor, byte by byte: type
// at 0, count at 4, and 112 bytes per speaker (four leading fields, the name
// at 16, the speaker type at 80, reserved bytes from 84). With junk, each name
// carries bytes after its terminator, as a host's may.
Bytes hostArrangement(VstInt32 channels, bool junk) {
    Bytes block = emptyBlock(channels);
    put32(&block[0], 5);
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

// Each allocation first releases the block held; a failed one leaves the caller null.
TEST_F(Arrangements, AllocateGivesAZeroedBlockOfEightPlus112BytesPerChannelOrNull) {
    struct Row { const char* what; VstInt32 channels; std::size_t refuseAbove, requested; bool ok; };
    const std::size_t largest = sizeof(std::size_t) > 4 ? std::size_t(8 + std::uint64_t{112} * INT_MAX) : 0;
    const Row rows[] = {
        {"no channels", 0, SIZE_MAX, 8, true}, {"mono", 1, SIZE_MAX, 120, true}, {"stereo", 2, SIZE_MAX, 232, true},
        {"more than eight channels", 9, SIZE_MAX, 1016, true}, {"64 channels", 64, SIZE_MAX, 7176, true},
        {"no memory for two channels", 2, 100, 232, false},
        // With a 32-bit size_t the block cannot be described, so nothing is requested.
        {"largest count: its size computed without overflow", INT_MAX, std::size_t{1} << 30, largest, false},
        {"negative count", -1, SIZE_MAX, 0, false}, {"most negative count", INT_MIN, SIZE_MAX, 0, false},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(effect.allocateArrangement(&held, 1));
        held->arrangementType = 7;  // stale bytes a new block must not show
        arrays::lastRequest = 0;
        arrays::refuseAbove = row.refuseAbove;
        EXPECT_EQ(effect.allocateArrangement(&held, row.channels), row.ok) << row.what;
        arrays::refuseAbove = SIZE_MAX;
        EXPECT_EQ(arrays::lastRequest, row.requested) << row.what;
        EXPECT_EQ(held == nullptr, !row.ok) << row.what;
        EXPECT_EQ(blockBytes(held), row.ok ? emptyBlock(row.channels) : Bytes{}) << row.what;
        EXPECT_EQ(arrays::live().size(), before + (row.ok ? 1 : 0)) << row.what << ": the old block was kept";
    }
    EXPECT_TRUE(effect.deallocateArrangement(&held));
    EXPECT_EQ(held, nullptr);
    EXPECT_TRUE(effect.deallocateArrangement(&held)) << "nothing held";
    EXPECT_TRUE(effect.deallocateArrangement(nullptr)) << "no pointer";
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

// matchArrangement's steps, reached through the virtual table, with one made
// to fail: 0 deallocate, 1 allocate, 2 the first copy, 3 the second... (-1 none).
class Faulty : public BareEffect {
public:
    explicit Faulty(int failAt) : BareEffect(nullptr), failAt(failAt) {}
    int failAt, step = 0;
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

// A fresh copy of a host's arrangement replaces the block held; a failing step
// stops the match and leaves what was done so far.
TEST_F(Arrangements, MatchCopiesAHostsArrangementAndStopsAtTheFirstFailure) {
    Bytes firstSpeakerOnly = hostArrangement(3, false);
    std::fill(firstSpeakerOnly.begin() + 8 + 112, firstSpeakerOnly.end(), 0);
    struct Row { const char* what; VstInt32 channels; int failAt; std::size_t refuseAbove; bool ok; Bytes held; };
    const Row rows[] = {
        {"no channels", 0, -1, SIZE_MAX, true, hostArrangement(0, false)},
        {"stereo", 2, -1, SIZE_MAX, true, hostArrangement(2, false)},
        {"more than eight channels", 12, -1, SIZE_MAX, true, hostArrangement(12, false)},
        {"deallocate refused: the old block stays", 3, 0, SIZE_MAX, false, emptyBlock(1)},
        {"allocate refused: nothing held", 3, 1, SIZE_MAX, false, {}},
        {"no memory: nothing held", 3, -1, 0, false, {}},
        {"second copy refused: the new block, copied so far", 3, 3, SIZE_MAX, false, firstSpeakerOnly},
    };
    for (const Row& row : rows) {
        Bytes source = hostArrangement(row.channels, true);
        ASSERT_TRUE(effect.allocateArrangement(&held, 1));
        Faulty faulty(row.failAt);
        arrays::refuseAbove = row.refuseAbove;
        EXPECT_EQ(faulty.matchArrangement(&held, reinterpret_cast<VstSpeakerArrangement*>(source.data())), row.ok)
            << row.what;
        arrays::refuseAbove = SIZE_MAX;
        EXPECT_TRUE(row.failAt < 0 || faulty.step == row.failAt + 1) << row.what << ": went on after the failure";
        EXPECT_EQ(blockBytes(held), row.held) << row.what;
        EXPECT_EQ(arrays::live().size(), before + (row.held.empty() ? 0 : 1)) << row.what << ": a block too many";
    }
    VstSpeakerArrangement* const was = held;
    const Bytes kept = blockBytes(held);
    EXPECT_FALSE(effect.matchArrangement(&held, nullptr)) << "null source";
    EXPECT_TRUE(effect.matchArrangement(&held, held)) << "itself: no read after release";
    EXPECT_EQ(held, was);
    EXPECT_EQ(blockBytes(held), kept);
    EXPECT_FALSE(effect.matchArrangement(nullptr, was)) << "no destination address";
}

}  // namespace

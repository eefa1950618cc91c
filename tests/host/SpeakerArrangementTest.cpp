// Arrangement blocks: their size, their contents, who releases them, and what
// is left when a step fails. Array allocations of this binary go through a
// registry, so a test sees each block's size, whether it was released with
// the array form, and can make an allocation fail. Run it under
// AddressSanitizer too: the registry is built on malloc, which it watches.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define POISON(addr, size) ASAN_POISON_MEMORY_REGION(addr, size)
#define UNPOISON(addr, size) ASAN_UNPOISON_MEMORY_REGION(addr, size)
#else
#define POISON(addr, size) ((void)(addr), (void)(size))
#define UNPOISON(addr, size) ((void)(addr), (void)(size))
#endif

#include "tests/host/BareEffect.h"

namespace arrays {
std::map<void*, std::size_t>& live() {
    static std::map<void*, std::size_t> blocks;
    return blocks;
}
std::size_t lastRequest = 0;                // bytes of the latest array allocation
std::size_t refuseAbove = SIZE_MAX;         // allocations larger than this fail

void* allocate(std::size_t n) {
    lastRequest = n;
    void* p = n > refuseAbove ? nullptr : std::malloc(n == 0 ? 1 : n);
    if (p != nullptr) {
        live()[p] = n;
    }
    return p;
}

void release(void* p) {
    if (p != nullptr) {
        live().erase(p);
        std::free(p);
    }
}
}  // namespace arrays

void* operator new[](std::size_t n) {
    if (void* p = arrays::allocate(n)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return arrays::allocate(n);
}
void operator delete[](void* p) noexcept {
    arrays::release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    arrays::release(p);
}

namespace {

std::size_t blockSize(const void* p) {
    auto it = arrays::live().find(const_cast<void*>(p));
    return it == arrays::live().end() ? 0 : it->second;
}

class Arrangements : public ::testing::Test {
protected:
    void SetUp() override {
        arrays::refuseAbove = SIZE_MAX;
        before = arrays::live().size();
    }
    void TearDown() override {
        effect.deallocateArrangement(&held);
        EXPECT_EQ(arrays::live().size(), before) << "an arrangement block was not released with delete[]";
    }

    // Whole block bytes, for comparisons.
    static std::vector<unsigned char> bytesOf(const VstSpeakerArrangement* a) {
        const auto* p = reinterpret_cast<const unsigned char*>(a);
        return {p, p + blockSize(a)};
    }

    BareEffect effect{nullptr};
    VstSpeakerArrangement* held = nullptr;
    std::size_t before = 0;
};

TEST_F(Arrangements, BlockIsEightPlus112BytesPerChannelAllZeroButTheCount) {
    struct Row {
        VstInt32 channels;
        std::size_t bytes;
    };
    for (const Row& row : {Row{0, 8}, Row{1, 120}, Row{2, 232}, Row{8, 904}, Row{9, 1016}, Row{64, 7176}}) {
        ASSERT_TRUE(effect.allocateArrangement(&held, row.channels)) << row.channels;
        EXPECT_EQ(blockSize(held), row.bytes) << row.channels;
        std::vector<unsigned char> expected(row.bytes, 0);
        std::memcpy(expected.data() + 4, &row.channels, 4);
        EXPECT_EQ(bytesOf(held), expected) << row.channels;
        EXPECT_EQ(held->arrangementType, 0);
        EXPECT_EQ(held->numChannels, row.channels);
    }
}

TEST_F(Arrangements, AllocatingAgainReleasesTheFirstBlock) {
    ASSERT_TRUE(effect.allocateArrangement(&held, 2));
    held->arrangementType = 7;
    ASSERT_TRUE(effect.allocateArrangement(&held, 3));
    EXPECT_EQ(arrays::live().size(), before + 1);
    EXPECT_EQ(held->arrangementType, 0);
    EXPECT_EQ(held->numChannels, 3);
}

TEST_F(Arrangements, DeallocateReleasesAndNullsAndAlwaysAnswersYes) {
    EXPECT_TRUE(effect.deallocateArrangement(&held));
    EXPECT_EQ(held, nullptr);
    ASSERT_TRUE(effect.allocateArrangement(&held, 2));
    EXPECT_TRUE(effect.deallocateArrangement(&held));
    EXPECT_EQ(held, nullptr);
    EXPECT_EQ(arrays::live().size(), before);
    EXPECT_TRUE(effect.deallocateArrangement(nullptr));
}

TEST_F(Arrangements, AFailedAllocationLeavesTheCallerNullAndReleasesTheOldBlock) {
    struct Row {
        const char* what;
        VstInt32 channels;
        std::size_t refuseAbove;
        std::size_t requested;  // 0: nothing may be requested
    };
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

// A speaker record with every byte given a value, names aside.
VstSpeakerProperties patterned(const char* name, unsigned char seed) {
    VstSpeakerProperties s;
    auto* bytes = reinterpret_cast<unsigned char*>(&s);
    for (std::size_t i = 0; i < sizeof s; ++i) {
        bytes[i] = static_cast<unsigned char>(seed + i);
    }
    const std::uint32_t signallingNaN = 0x7FA00001;
    std::memcpy(&s.azimuth, &signallingNaN, 4);
    std::memset(s.name, 0, sizeof s.name);
    std::memcpy(s.name, name, std::strlen(name) < 64 ? std::strlen(name) : 64);
    return s;
}

TEST_F(Arrangements, CopySpeakerNameRule) {
    const std::string seventy(70, 'n');
    const std::string sixtyFour(64, 'm');  // fills the field: no terminator at all
    struct Row {
        const char* what;
        std::string source;
        std::string copied;
    };
    const Row rows[] = {
        {"short name, rest zero", "abc", "abc"},
        {"empty name", "", ""},
        {"63 characters fit", std::string(63, 'x'), std::string(63, 'x')},
        {"64 characters without terminator are cut to 63", sixtyFour, std::string(63, 'm')},
        {"70 characters are cut to 63", seventy, std::string(63, 'n')},
    };
    for (const Row& row : rows) {
        VstSpeakerProperties from = patterned(row.source.c_str(), 3);
        VstSpeakerProperties to;
        std::memset(&to, 0xFF, sizeof to);
        ASSERT_TRUE(effect.copySpeaker(&to, &from)) << row.what;
        char expectedName[64] = {};
        std::memcpy(expectedName, row.copied.data(), row.copied.size());
        EXPECT_EQ(std::memcmp(to.name, expectedName, 64), 0) << row.what;
        EXPECT_EQ(std::memcmp(&to, &from, 16), 0) << row.what << ": leading fields";
        EXPECT_EQ(to.speakerType, from.speakerType) << row.what;
        EXPECT_EQ(std::memcmp(to.future, from.future, sizeof to.future), 0) << row.what << ": reserved bytes";
    }
}

TEST_F(Arrangements, CopySpeakerReadsNothingAfterTheSourceTerminator) {
    alignas(16) VstSpeakerProperties from = patterned("1234567", 9);
    std::memset(from.name + 8, 'z', 56);  // garbage after the terminator at 7
    POISON(from.name + 8, 56);
    VstSpeakerProperties to;
    std::memset(&to, 0xFF, sizeof to);
    const bool copied = effect.copySpeaker(&to, &from);
    UNPOISON(from.name + 8, 56);
    ASSERT_TRUE(copied);
    EXPECT_STREQ(to.name, "1234567");
    for (int i = 7; i < 64; ++i) {
        EXPECT_EQ(to.name[i], 0) << "byte " << i;
    }
}

TEST_F(Arrangements, CopySpeakerRefusesNullAndChangesNothing) {
    VstSpeakerProperties s = patterned("keep", 1);
    const VstSpeakerProperties before = s;
    EXPECT_FALSE(effect.copySpeaker(nullptr, &s));
    EXPECT_FALSE(effect.copySpeaker(&s, nullptr));
    EXPECT_EQ(std::memcmp(&s, &before, sizeof s), 0);
}

// An arrangement as a host would hand it over: its own block, any channel count.
struct HostArrangement {
    explicit HostArrangement(VstInt32 channels, VstInt32 type)
        : storage(arrangementBytes(static_cast<std::size_t>(channels)) / 8 + 1) {
        arrangement()->arrangementType = type;
        arrangement()->numChannels = channels;
        for (VstInt32 i = 0; i < channels; ++i) {
            const std::string name = "speaker " + std::to_string(i) + std::string(60, '~');
            *speakerAt(arrangement(), i) = patterned(name.c_str(), static_cast<unsigned char>(i * 17));
        }
    }
    VstSpeakerArrangement* arrangement() { return reinterpret_cast<VstSpeakerArrangement*>(storage.data()); }
    std::vector<std::uint64_t> storage;
};

void expectMatches(VstSpeakerArrangement* to, VstSpeakerArrangement* from, VstInt32 channels) {
    EXPECT_EQ(to->arrangementType, from->arrangementType);
    ASSERT_EQ(to->numChannels, from->numChannels);
    for (VstInt32 i = 0; i < channels; ++i) {
        VstSpeakerProperties expected = *speakerAt(from, i);
        expected.name[63] = '\0';  // the name rule: at most 63 characters
        EXPECT_EQ(std::memcmp(speakerAt(to, i), &expected, sizeof expected), 0) << "speaker " << i;
    }
}

TEST_F(Arrangements, MatchMakesAFreshCopy) {
    for (VstInt32 channels : {0, 2, 8, 12}) {
        HostArrangement source(channels, 5);
        ASSERT_TRUE(effect.allocateArrangement(&held, 3));
        ASSERT_TRUE(effect.matchArrangement(&held, source.arrangement())) << channels;
        EXPECT_EQ(blockSize(held), arrangementBytes(static_cast<std::size_t>(channels)));
        EXPECT_EQ(arrays::live().size(), before + 1) << "the previous block was not released";
        expectMatches(held, source.arrangement(), channels);
    }
}

TEST_F(Arrangements, MatchRefusesANullSourceAndLeavesTheDestination) {
    ASSERT_TRUE(effect.allocateArrangement(&held, 2));
    VstSpeakerArrangement* const was = held;
    EXPECT_FALSE(effect.matchArrangement(&held, nullptr));
    EXPECT_EQ(held, was);
}

TEST_F(Arrangements, MatchWithItselfKeepsTheBlock) {
    ASSERT_TRUE(effect.allocateArrangement(&held, 2));
    VstSpeakerArrangement* const was = held;
    EXPECT_TRUE(effect.matchArrangement(&held, held));
    EXPECT_EQ(held, was);
    EXPECT_EQ(held->numChannels, 2);
}

TEST_F(Arrangements, MatchWithoutADestinationAddressAnswersNo) {
    HostArrangement source(2, 5);
    EXPECT_FALSE(effect.matchArrangement(nullptr, source.arrangement()));
}

// Failing steps inside matchArrangement, reached through the virtual table.
class Faulty : public BareEffect {
public:
    Faulty() : BareEffect(nullptr) {}
    bool refuseDeallocate = false;
    bool refuseAllocate = false;
    VstInt32 refuseCopyAt = -1;
    int copies = 0;

    bool deallocateArrangement(VstSpeakerArrangement** a) override {
        return refuseDeallocate ? false : BareEffect::deallocateArrangement(a);
    }
    bool allocateArrangement(VstSpeakerArrangement** a, VstInt32 n) override {
        return refuseAllocate ? false : BareEffect::allocateArrangement(a, n);
    }
    bool copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from) override {
        return copies++ == refuseCopyAt ? false : BareEffect::copySpeaker(to, from);
    }
};

TEST_F(Arrangements, MatchStopsAtTheFirstFailingStep) {
    HostArrangement source(3, 5);
    {
        Faulty faulty;
        faulty.refuseDeallocate = true;
        ASSERT_TRUE(faulty.BareEffect::allocateArrangement(&held, 1));
        VstSpeakerArrangement* const was = held;
        EXPECT_FALSE(faulty.matchArrangement(&held, source.arrangement())) << "deallocate refused";
        EXPECT_EQ(held, was);
        EXPECT_EQ(faulty.copies, 0);
    }
    {
        Faulty faulty;
        faulty.refuseAllocate = true;
        EXPECT_FALSE(faulty.matchArrangement(&held, source.arrangement())) << "allocate refused";
        EXPECT_EQ(held, nullptr);
        EXPECT_EQ(faulty.copies, 0);
    }
    {
        Faulty faulty;
        faulty.refuseCopyAt = 1;
        EXPECT_FALSE(faulty.matchArrangement(&held, source.arrangement())) << "second copy refused";
        ASSERT_NE(held, nullptr) << "the new block stays with the caller";
        EXPECT_EQ(held->numChannels, 3);
        EXPECT_EQ(held->arrangementType, 5);
        EXPECT_EQ(faulty.copies, 2);
        EXPECT_STREQ(speakerAt(held, 0)->name, std::string(speakerAt(source.arrangement(), 0)->name, 63).c_str());
        EXPECT_EQ(speakerAt(held, 1)->name[0], '\0') << "copying went on after the failure";
    }
    {
        arrays::refuseAbove = 0;
        EXPECT_FALSE(effect.matchArrangement(&held, source.arrangement())) << "no memory";
        arrays::refuseAbove = SIZE_MAX;
        EXPECT_EQ(held, nullptr);
    }
}

}  // namespace

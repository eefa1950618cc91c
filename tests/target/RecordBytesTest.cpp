// The record as the host reads it: bytes at the boundary's offsets, in this
// processor's byte order, with pointer-wide fields where the target has them
// (144 bytes on a 32-bit target, 192 on a 64-bit one); and the chunk, three
// floats as they lie in this processor's memory, with no byte-order
// conversion in either direction. Expected bytes are written as the values
// the tables state, turned into this processor's order by nativeBytes().
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <tuple>
#include <vector>

#include "tests/support/Hosted.h"

namespace {

using Bytes = std::vector<unsigned char>;
constexpr std::size_t kPointer = sizeof(void*);
static_assert(std::endian::native == std::endian::big || std::endian::native == std::endian::little);

// The low `width` bytes of value (zeros beyond 8), in this processor's order.
Bytes nativeBytes(std::uint64_t value, std::size_t width) {
    Bytes bytes(width, 0);
    for (std::size_t i = 0; i < width && i < 8; ++i) {
        bytes[std::endian::native == std::endian::big ? width - 1 - i : i] = static_cast<unsigned char>(value >> (8 * i));
    }
    return bytes;
}

template <typename Pointer>
std::uint64_t address(Pointer p) {
    return reinterpret_cast<std::uintptr_t>(p);
}

TEST(RecordBytes, GlowmarshValuesAtTheirOffsetsInNativeOrder) {
    AEffect* e = hosted::library()->create(vsthost::hostCallback);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(sizeof(AEffect), kPointer == 4 ? 144u : 192u);
    struct Row { const char* field; std::size_t offset32, offset64, width; std::uint64_t value; };
    const Row rows[] = {
        // The four-character codes lie in memory as "VstP" and "glow" on a big-endian target.
        {"magic 'VstP'", 0, 0, 4, 0x56737450}, {"dispatcher", 4, 8, kPointer, address(e->dispatcher)},
        {"process", 8, 16, kPointer, address(e->process)}, {"setParameter", 12, 24, kPointer, address(e->setParameter)},
        {"getParameter", 16, 32, kPointer, address(e->getParameter)}, {"numPrograms", 20, 40, 4, 0},
        {"numParams", 24, 44, 4, 3}, {"numInputs", 28, 48, 4, 2}, {"numOutputs", 32, 52, 4, 2},
        {"flags", 36, 56, 4, 0x1030}, {"reserved1", 40, 64, kPointer, 0}, {"reserved2", 44, 72, kPointer, 0},
        {"initialDelay", 48, 80, 4, 0}, {"realtimeQualities", 52, 84, 4, 0}, {"offlineQualities", 56, 88, 4, 0},
        {"ioRatio 1.0f", 60, 92, 4, 0x3F800000}, {"object", 64, 96, kPointer, address(e->object)},
        {"user", 68, 104, kPointer, 0}, {"uniqueID 'glow'", 72, 112, 4, 0x676C6F77}, {"version", 76, 116, 4, 1},
        {"processReplacing", 80, 120, kPointer, address(e->processReplacing)},
        {"processDoubleReplacing", 84, 128, kPointer, address(e->processDoubleReplacing)},
        {"future: zeros to the end", 88, 136, 56, 0},
    };
    std::size_t end = 0;
    for (const Row& row : rows) {
        const std::size_t offset = kPointer == 4 ? row.offset32 : row.offset64;
        const auto* bytes = reinterpret_cast<const unsigned char*>(e) + offset;
        EXPECT_EQ(Bytes(bytes, bytes + row.width), nativeBytes(row.value, row.width)) << row.field;
        end = offset + row.width;
    }
    EXPECT_EQ(end, sizeof(AEffect));
    e->dispatcher(e, 1, 0, 0, nullptr, 0.0f);
}

// Three 32-bit words, each in this processor's order.
Bytes image(std::initializer_list<std::uint32_t> words) {
    Bytes bytes;
    for (std::uint32_t word : words) {
        const Bytes native = nativeBytes(word, 4);
        bytes.insert(bytes.end(), native.begin(), native.end());
    }
    return bytes;
}

// On a big-endian target the default chunk is literally 3F 80 00 00, 3F 33 33 33,
// 3E 4C CC CD. A host hands back bytes it saved here: reading them in the wrong
// order would turn 0.25 into a denormal and 1.0 into 4.6e-41.
TEST(ChunkBytes, TheValuesInNativeOrderBothWays) {
    auto effect = hosted::create();
    const std::vector<std::uint8_t> defaults = effect->chunk(false);
    EXPECT_EQ(Bytes(defaults.begin(), defaults.end()), image({0x3F800000, 0x3F333333, 0x3E4CCCCD}));
    effect->setChunk(image({0x3E800000, 0x00800000, 0x3F7FFFFF}), false);
    EXPECT_EQ(std::tuple(effect->parameter(0), effect->parameter(1), effect->parameter(2)),
              std::tuple(0.25f, 0x1p-126f, 0x1.fffffep-1f));
}

}  // namespace

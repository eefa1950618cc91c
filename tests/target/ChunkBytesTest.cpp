// The chunk is three floats as they lie in this processor's memory, with no
// byte-order conversion in either direction: on a big-endian target the
// default chunk is literally 3F 80 00 00, 3F 33 33 33, 3E 4C CC CD.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "tests/hosttest/HostedEffect.h"
#include "tests/target/NativeBytes.h"

namespace targetbytes {
namespace {

// Three 32-bit words, each in this processor's order.
Bytes image(std::initializer_list<std::uint32_t> words) {
    Bytes bytes;
    for (std::uint32_t word : words) {
        const Bytes native = nativeBytes(word, 4);
        bytes.insert(bytes.end(), native.begin(), native.end());
    }
    return bytes;
}

Bytes chunkOf(hosttest::HostedEffect& effect) {
    void* data = nullptr;
    EXPECT_EQ(effect.dispatch(23, 0, 0, &data), 12);
    return data == nullptr ? Bytes{} : bytesAt(data, 0, 12);
}

TEST(ChunkBytes, DefaultChunkIsTheDefaultsInNativeOrder) {
    hosttest::HostedEffect effect;
    EXPECT_EQ(chunkOf(effect), image({0x3F800000, 0x3F333333, 0x3E4CCCCD}));
}

// A host on this processor hands back bytes it saved here; reading them in
// the wrong order would turn 0.25 into a denormal and 1.0 into 4.6e-41.
TEST(ChunkBytes, NativeBytesInGiveTheValuesAndTheSameBytesOut) {
    struct Row { const char* name; Bytes chunk; float values[3]; };
    const Row rows[] = {
        {"quarter, zero, one", image({0x3E800000, 0, 0x3F800000}), {0.25f, 0.0f, 1.0f}},
        {"smallest normal, just below one, one half", image({0x00800000, 0x3F7FFFFF, 0x3F000000}),
         {0x1p-126f, 0x1.fffffep-1f, 0.5f}},
    };
    for (const Row& row : rows) {
        hosttest::HostedEffect effect;
        EXPECT_EQ(effect.loadChunk(row.chunk.data(), 12), 0) << row.name;
        for (VstInt32 i = 0; i < 3; ++i) {
            EXPECT_EQ(effect.parameter(i), row.values[i]) << row.name << ", parameter " << i;
        }
        EXPECT_EQ(chunkOf(effect), row.chunk) << row.name;
    }
}

}  // namespace
}  // namespace targetbytes

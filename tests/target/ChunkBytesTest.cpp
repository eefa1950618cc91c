// The chunk is three floats as they lie in this processor's memory, with no
// byte-order conversion in either direction: on a big-endian target the
// default chunk is literally 3F 80 00 00, 3F 33 33 33, 3E 4C CC CD.
#include <gtest/gtest.h>

#include <cstring>

#include "host/Opcodes.h"
#include "tests/target/NativeBytes.h"
#include "tests/target/PluginInstance.h"

namespace targetbytes {
namespace {

// The three values' bytes, most significant first, then in native order.
Bytes chunkOf(const Bytes& sustain, const Bytes& grain, const Bytes& dryWet) {
    Bytes chunk;
    for (const Bytes* value : {&sustain, &grain, &dryWet}) {
        const Bytes native = nativeOrder(*value);
        chunk.insert(chunk.end(), native.begin(), native.end());
    }
    return chunk;
}

class ChunkBytes : public PluginInstance {
protected:
    Bytes getChunk() {
        void* data = nullptr;
        const VstIntPtr size = effect->dispatcher(effect, effectOpcode::getChunk, 0, 0, &data, 0.0f);
        EXPECT_EQ(size, 12);
        return data == nullptr ? Bytes{} : bytesAt(data, 0, 12);
    }
    void setChunk(Bytes chunk) {
        EXPECT_EQ(effect->dispatcher(effect, effectOpcode::setChunk, 0, 12, chunk.data(), 0.0f), 0);
    }
};

TEST_F(ChunkBytes, DefaultChunkIsTheDefaultsInNativeOrder) {
    const Bytes expected = chunkOf({0x3F, 0x80, 0x00, 0x00}, {0x3F, 0x33, 0x33, 0x33}, {0x3E, 0x4C, 0xCC, 0xCD});
    EXPECT_EQ(hex(getChunk()), hex(expected));
    if (kBigEndian) {
        EXPECT_EQ(hex(getChunk()), "3F 80 00 00 3F 33 33 33 3E 4C CC CD");
    }
}

// A host on this processor hands back bytes it saved here; reading them in
// the wrong order would turn 0.25 into a denormal and 1.0 into 4.6e-41.
TEST_F(ChunkBytes, NativeBytesInGiveTheValuesAndTheSameBytesOut) {
    struct Row {
        const char* name;
        Bytes sustain, grain, dryWet;
        float expected[3];
    } rows[] = {
        {"quarter, zero, one", {0x3E, 0x80, 0x00, 0x00}, {0x00, 0x00, 0x00, 0x00}, {0x3F, 0x80, 0x00, 0x00},
         {0.25f, 0.0f, 1.0f}},
        {"smallest normal, just below one, one half", {0x00, 0x80, 0x00, 0x00}, {0x3F, 0x7F, 0xFF, 0xFF},
         {0x3F, 0x00, 0x00, 0x00}, {0x1p-126f, 0x1.fffffep-1f, 0.5f}},
    };
    for (const Row& row : rows) {
        const Bytes chunk = chunkOf(row.sustain, row.grain, row.dryWet);
        setChunk(chunk);
        for (VstInt32 i = 0; i < 3; ++i) {
            EXPECT_EQ(effect->getParameter(effect, i), row.expected[i]) << row.name << ", parameter " << i;
        }
        EXPECT_EQ(hex(getChunk()), hex(chunk)) << row.name;
    }
}

}  // namespace
}  // namespace targetbytes

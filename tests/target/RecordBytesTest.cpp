// The record as the host reads it: bytes at the boundary's offsets, in this
// processor's byte order, with pointer-wide fields where the target has them.
// 144 bytes on a 32-bit target, 192 on a 64-bit one.
#include <gtest/gtest.h>

#include <cstdint>

#include "tests/hosttest/HostedEffect.h"
#include "tests/target/NativeBytes.h"
#include "tools/vsthost/HostCallback.h"

namespace targetbytes {
namespace {

constexpr std::size_t kPointer = sizeof(void*);
static_assert(kPointer == 4 || kPointer == 8);

template <typename Pointer>
std::uint64_t address(Pointer p) {
    return reinterpret_cast<std::uintptr_t>(p);
}

TEST(RecordBytes, GlowmarshValuesAtTheirOffsetsInNativeOrder) {
    AEffect* e = hosttest::glowmarshLibrary()->create(vsthost::hostCallback);
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
        EXPECT_EQ(bytesAt(e, offset, row.width), nativeBytes(row.value, row.width)) << row.field;
        end = offset + row.width;
    }
    EXPECT_EQ(end, sizeof(AEffect));
    e->dispatcher(e, 1, 0, 0, nullptr, 0.0f);
}

}  // namespace
}  // namespace targetbytes

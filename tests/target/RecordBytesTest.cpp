// The record as the host reads it: bytes at the boundary's offsets, in this
// processor's byte order, with pointer-wide fields where the target has them.
// 144 bytes on a 32-bit target, 192 on a 64-bit one.
#include <gtest/gtest.h>

#include <cstdint>

#include "tests/target/NativeBytes.h"
#include "tests/target/PluginInstance.h"

namespace targetbytes {
namespace {

constexpr bool k32Bit = sizeof(void*) == 4;
constexpr std::size_t kPointerBytes = sizeof(void*);

struct Offset {
    std::size_t bits32, bits64;
    std::size_t here() const { return k32Bit ? bits32 : bits64; }
};

static_assert(sizeof(void*) == 4 || sizeof(void*) == 8);

TEST(RecordSize, IsTheTargetsRecordSize) {
    EXPECT_EQ(sizeof(AEffect), k32Bit ? 144u : 192u);
}

using RecordBytes = PluginInstance;

TEST_F(RecordBytes, FourByteFieldsHoldGlowmarshValuesInNativeOrder) {
    struct Row {
        const char* field;
        Offset offset;
        unsigned long value;
    } rows[] = {
        {"magic 'VstP'", {0, 0}, 0x56737450},
        {"numPrograms", {20, 40}, 0},
        {"numParams", {24, 44}, 3},
        {"numInputs", {28, 48}, 2},
        {"numOutputs", {32, 52}, 2},
        {"flags", {36, 56}, 0x1030},
        {"initialDelay", {48, 80}, 0},
        {"realtimeQualities", {52, 84}, 0},
        {"offlineQualities", {56, 88}, 0},
        {"ioRatio 1.0f", {60, 92}, 0x3F800000},
        {"uniqueID 'glow'", {72, 112}, 0x676C6F77},
        {"version", {76, 116}, 1},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(hex(bytesAt(effect, row.offset.here(), 4)), hex(native32(row.value))) << row.field;
    }
}

// A four-character code reads as its text in memory on a big-endian target
// and reversed on a little-endian one.
TEST_F(RecordBytes, FourCharacterCodesLieInMemoryByByteOrder) {
    struct Row {
        const char* field;
        Offset offset;
        const char* bigEndianText;
        const char* littleEndianText;
    } rows[] = {
        {"magic", {0, 0}, "VstP", "PtsV"},
        {"uniqueID", {72, 112}, "glow", "wolg"},
    };
    for (const Row& row : rows) {
        const char* expected = kBigEndian ? row.bigEndianText : row.littleEndianText;
        EXPECT_EQ(bytesAt(effect, row.offset.here(), 4), Bytes(expected, expected + 4)) << row.field;
    }
}

TEST_F(RecordBytes, PointerWideFieldsSitAtTheirOffsets) {
    auto pointerBytes = [](const auto& value) {
        return bytesAt(&value, 0, sizeof value);
    };
    struct Row {
        const char* field;
        Offset offset;
        Bytes expected;
    } rows[] = {
        {"dispatcher", {4, 8}, pointerBytes(effect->dispatcher)},
        {"process", {8, 16}, pointerBytes(effect->process)},
        {"setParameter", {12, 24}, pointerBytes(effect->setParameter)},
        {"getParameter", {16, 32}, pointerBytes(effect->getParameter)},
        {"reserved1", {40, 64}, Bytes(kPointerBytes, 0)},
        {"reserved2", {44, 72}, Bytes(kPointerBytes, 0)},
        {"object", {64, 96}, pointerBytes(effect->object)},
        {"user", {68, 104}, Bytes(kPointerBytes, 0)},
        {"processReplacing", {80, 120}, pointerBytes(effect->processReplacing)},
        {"processDoubleReplacing", {84, 128}, pointerBytes(effect->processDoubleReplacing)},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(row.expected.size(), kPointerBytes) << row.field;
        EXPECT_EQ(hex(bytesAt(effect, row.offset.here(), kPointerBytes)), hex(row.expected)) << row.field;
    }
}

TEST_F(RecordBytes, ReservedTailIsFiftySixZeroBytesEndingTheRecord) {
    const std::size_t tail = Offset{88, 136}.here();
    EXPECT_EQ(tail + 56, sizeof(AEffect));
    EXPECT_EQ(bytesAt(effect, tail, 56), Bytes(56, 0));
}

}  // namespace
}  // namespace targetbytes

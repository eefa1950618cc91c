// Speaker arrangements as a host on this processor lays them out: an 8-byte
// head (type at 0, channel count at 4) and 112 bytes per speaker (four
// leading fields, name at 16, speaker type at 80, reserved bytes from 84),
// every number in native byte order.
#include <gtest/gtest.h>

#include <cstring>

#include "host/AudioEffectX.h"
#include "tests/target/NativeBytes.h"

namespace targetbytes {
namespace {

constexpr std::size_t kHeadBytes = 8;
constexpr std::size_t kSpeakerBytes = 112;
constexpr std::size_t kNameOffset = 16;
constexpr std::size_t kTypeOffset = 80;
constexpr std::size_t kReservedOffset = 84;

class PlainEffect : public AudioEffectX {
public:
    PlainEffect() : AudioEffectX(nullptr, 0, 0) {}
    void processReplacing(float**, float**, VstInt32) override {}
};

void put(Bytes& block, std::size_t offset, const Bytes& bytes) {
    std::memcpy(block.data() + offset, bytes.data(), bytes.size());
}

// A two-speaker arrangement of type 5 written byte by byte. With junkAfterName
// the name fields carry bytes after their terminator, as a host's may.
Bytes hostArrangement(bool junkAfterName) {
    Bytes block(kHeadBytes + 2 * kSpeakerBytes, 0);
    put(block, 0, native32(5));
    put(block, 4, native32(2));
    const char* names[] = {"Left", "Right"};
    for (std::size_t i = 0; i < 2; ++i) {
        const std::size_t speaker = kHeadBytes + i * kSpeakerBytes;
        for (std::size_t b = 0; b < kNameOffset; ++b) {
            block[speaker + b] = static_cast<unsigned char>(0x10 * (i + 1) + b);  // leading fields
        }
        std::memcpy(block.data() + speaker + kNameOffset, names[i], std::strlen(names[i]));
        if (junkAfterName) {
            block[speaker + kNameOffset + 40] = 'x';
        }
        put(block, speaker + kTypeOffset, native32(i + 1));
        for (std::size_t b = kReservedOffset; b < kSpeakerBytes; ++b) {
            block[speaker + b] = static_cast<unsigned char>(0xA0 + b - kReservedOffset + i);
        }
    }
    return block;
}

TEST(ArrangementBytes, AllocatedBlockHasTheCountAtOffsetFourAndNothingElse) {
    PlainEffect effect;
    VstSpeakerArrangement* arrangement = nullptr;
    ASSERT_TRUE(effect.allocateArrangement(&arrangement, 2));
    Bytes expected(kHeadBytes + 2 * kSpeakerBytes, 0);
    put(expected, 4, native32(2));
    EXPECT_EQ(hex(bytesAt(arrangement, 0, expected.size())), hex(expected));
    effect.deallocateArrangement(&arrangement);
}

TEST(ArrangementBytes, MatchingAHostsArrangementCopiesEveryFieldAtItsOffset) {
    PlainEffect effect;
    Bytes source = hostArrangement(true);
    const Bytes expected = hostArrangement(false);
    VstSpeakerArrangement* copy = nullptr;
    ASSERT_TRUE(effect.matchArrangement(&copy, reinterpret_cast<VstSpeakerArrangement*>(source.data())));
    for (std::size_t offset = 0; offset < expected.size(); offset += 4) {
        EXPECT_EQ(hex(bytesAt(copy, offset, 4)), hex(bytesAt(expected.data(), offset, 4))) << "bytes " << offset;
    }
    effect.deallocateArrangement(&copy);
}

}  // namespace
}  // namespace targetbytes

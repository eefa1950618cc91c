// Expected memory contents written the way the boundary's tables state them:
// a value, most significant byte first. nativeBytes() turns it into what this
// processor holds in memory, so one table serves both byte orders.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace targetbytes {

using Bytes = std::vector<unsigned char>;

inline constexpr bool kBigEndian = std::endian::native == std::endian::big;
static_assert(kBigEndian || std::endian::native == std::endian::little, "mixed-endian targets are not supported");

// The low `width` bytes of value (zeros beyond 8), in this processor's order.
inline Bytes nativeBytes(std::uint64_t value, std::size_t width) {
    Bytes bytes(width, 0);
    for (std::size_t i = 0; i < width && i < 8; ++i) {
        bytes[kBigEndian ? width - 1 - i : i] = static_cast<unsigned char>(value >> (8 * i));
    }
    return bytes;
}

// n bytes of memory from base + offset.
inline Bytes bytesAt(const void* base, std::size_t offset, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(base) + offset;
    return Bytes(p, p + n);
}

}  // namespace targetbytes

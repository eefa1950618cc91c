// Expected memory contents written the way the boundary's tables state them:
// most significant byte first. nativeOrder() turns such a byte list into what
// this processor holds in memory, so one table serves both byte orders.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace targetbytes {

using Bytes = std::vector<unsigned char>;

inline constexpr bool kBigEndian = std::endian::native == std::endian::big;
static_assert(std::endian::native == std::endian::big || std::endian::native == std::endian::little,
              "mixed-endian targets are not supported");

// A value's bytes, most significant first, as this processor stores them.
inline Bytes nativeOrder(Bytes mostSignificantFirst) {
    if (!kBigEndian) {
        std::reverse(mostSignificantFirst.begin(), mostSignificantFirst.end());
    }
    return mostSignificantFirst;
}

// A 32-bit value's bytes as this processor stores them.
inline Bytes native32(unsigned long value) {
    return nativeOrder({static_cast<unsigned char>(value >> 24), static_cast<unsigned char>(value >> 16),
                        static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)});
}

// n bytes of memory from base + offset.
inline Bytes bytesAt(const void* base, std::size_t offset, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(base) + offset;
    return Bytes(p, p + n);
}

// Bytes in the form "3F 80 00 00", for failure messages.
inline std::string hex(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char b : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        text += digits[b >> 4];
        text += digits[b & 0xF];
    }
    return text;
}

}  // namespace targetbytes

// A text buffer of maxLen + 1 bytes between guard bytes, every byte
// pre-filled with 0xFF, so a test sees exactly which bytes an operation wrote.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace testsupport {

struct Written {
    std::string text;   // the bytes up to the first zero
    std::string fault;  // empty when the text is terminated, zeros follow it and nothing outside was written
    bool touched;       // whether any byte changed
};

// What write(buffer) wrote into a buffer of maxLen + 1 bytes (none for a negative maxLen).
template <typename Write>
Written writeGuarded(int maxLen, Write write) {
    constexpr std::size_t kGuard = 16;
    const std::size_t size = maxLen < 0 ? 0 : static_cast<std::size_t>(maxLen) + 1;
    std::vector<unsigned char> bytes(size + 2 * kGuard, 0xFF);
    unsigned char* buffer = bytes.data() + kGuard;
    write(reinterpret_cast<char*>(buffer));
    const auto unwritten = [](unsigned char b) { return b == 0xFF; };
    Written w{{}, {}, !std::all_of(bytes.begin(), bytes.end(), unwritten)};
    std::size_t end = 0;
    while (end < size && buffer[end] != 0) w.text.push_back(static_cast<char>(buffer[end++]));
    if (!std::all_of(bytes.data(), buffer, unwritten) || !std::all_of(buffer + size, bytes.data() + bytes.size(), unwritten)) {
        w.fault = "wrote outside the buffer";
    } else if (size > 0 && end == size) {
        w.fault = "no terminating zero";
    } else if (!std::all_of(buffer + end, buffer + size, [](unsigned char b) { return b == 0; })) {
        w.fault = "a byte after the text is not zero";
    }
    return w;
}

}  // namespace testsupport

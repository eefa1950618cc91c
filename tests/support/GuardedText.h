// A text buffer between guard bytes, every byte pre-filled with 0xFF, so a
// test sees exactly which bytes an operation wrote.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace testsupport {

class GuardedText {
public:
    static constexpr unsigned char kUnwritten = 0xFF;
    static constexpr std::size_t kGuardBytes = 16;

    // A buffer of `bytes` bytes (maxLen + 1 for a text of at most maxLen characters).
    explicit GuardedText(std::size_t bytes) : size(bytes), storage(bytes + 2 * kGuardBytes, kUnwritten) {}

    // Where the operation under test writes.
    char* data() { return reinterpret_cast<char*>(storage.data() + kGuardBytes); }

    // Byte i of the buffer.
    unsigned char at(std::size_t i) const { return storage[kGuardBytes + i]; }

    // The bytes up to the first zero, or the whole buffer when it holds none.
    std::string text() const {
        std::string result;
        for (std::size_t i = 0; i < size && at(i) != 0; ++i) {
            result.push_back(static_cast<char>(at(i)));
        }
        return result;
    }

    // True when neither the buffer nor its guards were written.
    bool untouched() const {
        for (unsigned char b : storage) {
            if (b != kUnwritten) {
                return false;
            }
        }
        return true;
    }

    // Empty when the guards are intact and every byte from the end of the text
    // through the buffer's last byte is zero; otherwise what went wrong.
    std::string fault() const {
        for (std::size_t i = 0; i < kGuardBytes; ++i) {
            if (storage[i] != kUnwritten) {
                return "wrote before the buffer";
            }
            if (storage[kGuardBytes + size + i] != kUnwritten) {
                return "wrote past the buffer, at offset " + std::to_string(size + i);
            }
        }
        std::size_t end = 0;
        while (end < size && at(end) != 0) {
            ++end;
        }
        if (size > 0 && end == size) {
            return "no terminating zero";
        }
        for (std::size_t i = end; i < size; ++i) {
            if (at(i) != 0) {
                return "byte " + std::to_string(i) + " after the text is not zero";
            }
        }
        return {};
    }

private:
    std::size_t size;
    std::vector<unsigned char> storage;
};

// What an operation wrote into a guarded buffer of maxLen + 1 bytes (none for
// a negative maxLen): the text and the fault, if any.
struct Written {
    std::string text;
    std::string fault;
    bool touched;
};

template <typename Write>
Written writeGuarded(int maxLen, Write write) {
    GuardedText buffer(maxLen < 0 ? 0 : static_cast<std::size_t>(maxLen) + 1);
    write(buffer.data());
    return {buffer.text(), buffer.fault(), !buffer.untouched()};
}

}  // namespace testsupport

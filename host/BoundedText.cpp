#include "host/BoundedText.h"

#include <cstring>

void boundedCopy(char* dest, const char* source, VstInt32 maxLen) {
    if (maxLen < 0) {
        return;
    }
    const std::size_t limit = static_cast<std::size_t>(maxLen);
    const std::size_t length = strnlen(source, limit);
    std::memmove(dest, source, length);
    std::memset(dest + length, 0, limit + 1 - length);
}

void boundedAppend(char* dest, const char* source, VstInt32 maxLen) {
    if (maxLen < 0) {
        return;
    }
    const std::size_t limit = static_cast<std::size_t>(maxLen);
    const std::size_t start = strnlen(dest, limit);
    const std::size_t length = strnlen(source, limit - start);
    std::memmove(dest + start, source, length);
    dest[start + length] = '\0';
    dest[limit] = '\0';
}

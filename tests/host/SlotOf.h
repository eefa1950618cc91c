// The slot of a virtual operation in its class's table. Under the Itanium C++
// ABI a pointer to a virtual member holds 1 + the slot's byte offset in the
// table; any other pointer to member is even, and gives -1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

template <typename MemberFunction>
long slotOf(MemberFunction f) {
    struct Representation {
        std::uintptr_t ptr;
        std::ptrdiff_t adj;
    } rep;
    static_assert(sizeof(MemberFunction) == sizeof(Representation));
    std::memcpy(&rep, &f, sizeof rep);
    return (rep.ptr & 1) ? static_cast<long>((rep.ptr - 1) / sizeof(void*)) : -1;
}

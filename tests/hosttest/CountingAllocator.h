// Counts calls to malloc, calloc and realloc made anywhere in the process,
// the plug-in included (its allocations reach the C library's malloc, which
// this executable replaces). Not available under sanitizers, which bring
// their own allocator.
#pragma once

#include <cstdint>

namespace hosttest {

// False under AddressSanitizer or ThreadSanitizer: nothing is counted there.
bool allocationsCounted();
// Allocations made so far by the whole process.
std::uint64_t allocationCount();

}  // namespace hosttest

// Opens and closes a region of a file whose functions are compiled for wider
// instructions than the rest of the library. GCC takes a target pragma; clang
// has none and attaches the target to each function declared in the region.
#pragma once

#define GLOWMARSH_PRAGMA(text) _Pragma(#text)

#if defined(__clang__)
#define GLOWMARSH_TARGET_BEGIN(features) \
    GLOWMARSH_PRAGMA(clang attribute push(__attribute__((target(features))), apply_to = function))
#define GLOWMARSH_TARGET_END GLOWMARSH_PRAGMA(clang attribute pop)
#else
#define GLOWMARSH_TARGET_BEGIN(features) \
    GLOWMARSH_PRAGMA(GCC push_options) GLOWMARSH_PRAGMA(GCC target(features))
#define GLOWMARSH_TARGET_END GLOWMARSH_PRAGMA(GCC pop_options)
#endif

# 64-bit Windows with Debian's MinGW-w64 cross compiler (posix threads), run
# under wine. Programs and the plug-in carry their C and C++ runtime inside
# (-static), so they need only Windows' own DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(GLOWMARSH_TARGET_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER "${GLOWMARSH_TARGET_TRIPLET}-gcc-posix")
set(CMAKE_CXX_COMPILER "${GLOWMARSH_TARGET_TRIPLET}-g++-posix")
set(CMAKE_RC_COMPILER "${GLOWMARSH_TARGET_TRIPLET}-windres")

set(CMAKE_FIND_ROOT_PATH "/usr/${GLOWMARSH_TARGET_TRIPLET}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} "/usr/${GLOWMARSH_TARGET_TRIPLET}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-static")
endforeach()

# Programs run under wine, in a wine prefix inside the build tree.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run;${CMAKE_BINARY_DIR}/wine")

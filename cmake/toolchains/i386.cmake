# 32-bit x86 with Debian's i686 cross compiler (g++-i686-linux-gnu), run under
# qemu-i386 (the build machine's kernel does not run 32-bit x86 programs).
#
# SSE2 arithmetic instead of the x87 stack: x87 keeps intermediates at 64-bit
# significands and rounds them a second time on store, so double results
# would not match the other targets. long double stays the 80-bit x87 type.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(GLOWMARSH_TARGET_TRIPLET i686-linux-gnu)
set(GLOWMARSH_TARGET_MULTIARCH i386-linux-gnu)
set(GLOWMARSH_QEMU_NAME qemu-i386)

set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

include("${CMAKE_CURRENT_LIST_DIR}/DebianCross.cmake")

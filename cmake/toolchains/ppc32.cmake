# 32-bit big-endian PowerPC with Debian's cross compiler (g++-powerpc-linux-gnu),
# run under qemu-ppc. long double is the 106-bit double-double format here.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR powerpc)
set(GLOWMARSH_TARGET_TRIPLET powerpc-linux-gnu)
set(GLOWMARSH_TARGET_MULTIARCH powerpc-linux-gnu)
set(GLOWMARSH_QEMU_NAME qemu-ppc)
# qemu-ppc 7.2 traps instructions that glibc's libm relies on older
# processors to run; this preload runs them as those processors do.
set(GLOWMARSH_QEMU_PRELOAD_SOURCE "${CMAKE_CURRENT_LIST_DIR}/QemuPpcMffs.cpp")

include("${CMAKE_CURRENT_LIST_DIR}/DebianCross.cmake")

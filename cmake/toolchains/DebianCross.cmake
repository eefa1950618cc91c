# Shared part of the cross toolchains: Debian's <triplet>-g++, whose C and C++
# runtime lives under /usr/<triplet>, and qemu-user to run what it builds.
# qemu's -L makes the target's loader resolve there, so CTest, test discovery
# and the plug-in's dlopen all work unchanged. The loader still reads the build
# machine's /etc/ld.so.cache, which on a machine with Debian's 32-bit x86
# libraries (libc6-i386) names /lib32/libc.so.6: another build of glibc than
# the cross loader's, with which pthread_create never returns. LD_LIBRARY_PATH
# is searched before that cache and keeps the whole runtime from one build.
# Expects GLOWMARSH_TARGET_TRIPLET, GLOWMARSH_TARGET_MULTIARCH and
# GLOWMARSH_QEMU_NAME; GLOWMARSH_QEMU_PRELOAD_SOURCE optionally names a source
# file built for the target and preloaded into every program qemu runs.
set(CMAKE_C_COMPILER "${GLOWMARSH_TARGET_TRIPLET}-gcc")
set(CMAKE_CXX_COMPILER "${GLOWMARSH_TARGET_TRIPLET}-g++")

# Libraries and headers come from the target's directories only; tools
# (nm, qemu) from the build machine.
set(CMAKE_FIND_ROOT_PATH "/usr/${GLOWMARSH_TARGET_TRIPLET}")
set(CMAKE_LIBRARY_ARCHITECTURE "${GLOWMARSH_TARGET_MULTIARCH}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config must not offer the build machine's libraries for the target.
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/${GLOWMARSH_TARGET_MULTIARCH}/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

find_program(GLOWMARSH_QEMU NAMES "${GLOWMARSH_QEMU_NAME}" REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR "${GLOWMARSH_QEMU};-L;/usr/${GLOWMARSH_TARGET_TRIPLET}"
    "-E;LD_LIBRARY_PATH=/usr/${GLOWMARSH_TARGET_TRIPLET}/lib")

get_property(_glowmarsh_in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(GLOWMARSH_QEMU_PRELOAD_SOURCE AND NOT _glowmarsh_in_try_compile)
  get_filename_component(_glowmarsh_preload_name "${GLOWMARSH_QEMU_PRELOAD_SOURCE}" NAME_WE)
  set(_glowmarsh_preload "${CMAKE_BINARY_DIR}/qemu-preload/${_glowmarsh_preload_name}.so")
  if("${GLOWMARSH_QEMU_PRELOAD_SOURCE}" IS_NEWER_THAN "${_glowmarsh_preload}")
    file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/qemu-preload")
    execute_process(
      COMMAND "${CMAKE_CXX_COMPILER}" -std=c++20 -O2 -Wall -Wextra -shared -fPIC
              -o "${_glowmarsh_preload}" "${GLOWMARSH_QEMU_PRELOAD_SOURCE}"
      RESULT_VARIABLE _glowmarsh_preload_status)
    if(NOT _glowmarsh_preload_status EQUAL 0)
      message(FATAL_ERROR "could not build ${GLOWMARSH_QEMU_PRELOAD_SOURCE} for the target")
    endif()
  endif()
  list(APPEND CMAKE_CROSSCOMPILING_EMULATOR "-E;LD_PRELOAD=${_glowmarsh_preload}")
endif()

# GoogleTest and GoogleMock compiled from source as part of this build, with
# the same GTest:: targets that find_package(GTest) gives (the sources
# declare them as aliases themselves).
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
if(NOT EXISTS "${GLOWMARSH_GTEST_SOURCE_DIR}/CMakeLists.txt")
  message(FATAL_ERROR "no GoogleTest sources in ${GLOWMARSH_GTEST_SOURCE_DIR} (Debian package googletest)")
endif()
add_subdirectory("${GLOWMARSH_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
foreach(lib gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${lib})
    message(FATAL_ERROR "GoogleTest sources in ${GLOWMARSH_GTEST_SOURCE_DIR} lack GTest::${lib}")
  endif()
endforeach()
# Third-party code: its warnings are not ours to fix (g++ 12 reports a known
# false -Wrestrict inside std::string on 32-bit targets, for one).
foreach(lib gtest gtest_main gmock gmock_main)
  target_compile_options(${lib} PRIVATE -w)
endforeach()

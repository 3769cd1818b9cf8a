# GoogleTest for the Windows cross build, compiled from the host's sources (Debian's googletest
# package) in a binary folder of its own inside this build.
find_path(VEXMOR_GTEST_SOURCE googletest/include/gtest/gtest.h PATHS /usr/src/googletest
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(GTest REQUIRED_VARS VEXMOR_GTEST_SOURCE)

if(GTest_FOUND AND NOT TARGET GTest::gtest)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VEXMOR_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Third-party code: its warnings are not this project's to fix.
  target_compile_options(gtest PRIVATE -w)
  target_compile_options(gtest_main PRIVATE -w)
  # Newer GoogleTest releases name their targets GTest::gtest themselves.
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()

# Cross-compiles vexmor.exe for 64-bit Windows with Debian's mingw-w64 (posix thread model):
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The tests run under Wine (scripts/test-windows).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VEXMOR_MINGW_TARGET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VEXMOR_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEXMOR_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${VEXMOR_MINGW_TARGET}-windres)

# Headers and libraries come from the mingw-w64 tree only, never from the host's /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${VEXMOR_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# vexmor.exe must run on a bare Windows machine: the GCC and C++ runtimes are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# {fmt}, GoogleTest and the PNG encoder reach the cross build in another form than on the host;
# the find modules in mingw-w64/ provide them under the usual target names.
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/mingw-w64)

# Test programs run under Wine; ctest lists the tests when it runs them, not at build time.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

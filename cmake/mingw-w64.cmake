# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64).
# The posix flavour of the compiler is used because it has std::thread; the
# programs are linked statically so that they run under Wine, or on a Windows
# machine, without the compiler's DLLs beside them. Test programs run through
# Wine (CMAKE_CROSSCOMPILING_EMULATOR), so ctest works as on Linux.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PW_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PW_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PW_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${PW_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PW_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Debian's wine64 package puts its loader here; nothing named wine64 is on
# PATH without the wine package.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)

# Debian has neither Qt nor Google Benchmark for mingw-w64: the window and the
# benchmarks are not cross-built.
set(PW_UI OFF CACHE BOOL "Build the Qt user interface")
set(PW_BENCH OFF CACHE BOOL "Build the benchmarks")

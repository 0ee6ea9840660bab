# Cross-compiling toolchain: MinGW-w64, x86_64, posix threads, everything linked statically.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELNOR_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

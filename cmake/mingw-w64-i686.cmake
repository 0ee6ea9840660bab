# Cross-compiling toolchain: MinGW-w64, i686 (the 32-bit program Velnor ships), posix threads, static.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELNOR_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

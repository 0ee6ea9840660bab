# What both MinGW-w64 toolchains share; each names its target first (VELNOR_MINGW_PREFIX, the processor).
set(CMAKE_SYSTEM_NAME Windows)
find_program(CMAKE_C_COMPILER NAMES ${VELNOR_MINGW_PREFIX}-gcc-posix ${VELNOR_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${VELNOR_MINGW_PREFIX}-g++-posix ${VELNOR_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VELNOR_MINGW_PREFIX}-windres windres REQUIRED)
set(CMAKE_FIND_ROOT_PATH /usr/${VELNOR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests built here run under Wine; the wrapper gives them the Japanese locale and the run's prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec)

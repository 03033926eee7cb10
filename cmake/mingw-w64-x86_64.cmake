# Cross-building for 64-bit Windows with Debian's MinGW-w64 (the POSIX threading
# flavour, so the C++ runtime has std::thread and std::mutex); programs and tests
# run under Wine.
#
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZN_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${ZN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${ZN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test discovery and ctest start the programs through Wine.
find_program(ZN_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ZN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZN_WINE})
endif()

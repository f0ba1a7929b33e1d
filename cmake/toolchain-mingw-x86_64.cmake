# Cross build for Windows (x86_64) with mingw-w64 (Debian: g++-mingw-w64-x86-64-win32).
#   cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORV_MINGW_TRIPLE x86_64-w64-mingw32)

# Debian names the compilers by threading model; the plain name is an alternative that may
# point at either, so the win32 one is asked for first.
find_program(CMAKE_C_COMPILER NAMES ${ORV_MINGW_TRIPLE}-gcc-win32 ${ORV_MINGW_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${ORV_MINGW_TRIPLE}-g++-win32 ${ORV_MINGW_TRIPLE}-g++
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${ORV_MINGW_TRIPLE}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${ORV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER) # build tools (Wine, host compiler) are the host's
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtime: a program that misses the compiler's runtime DLLs at start exits without a
# word (under Wine with its debug output off: code 53), so it carries them instead.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

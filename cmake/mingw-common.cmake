# Shared by the mingw-w64 toolchain files: they set CMAKE_SYSTEM_PROCESSOR and ORV_MINGW_TRIPLE.
set(CMAKE_SYSTEM_NAME Windows)

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

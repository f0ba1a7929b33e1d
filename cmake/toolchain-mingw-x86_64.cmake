# Cross build for Windows (x86_64) with mingw-w64 (Debian: g++-mingw-w64-x86-64-win32).
#   cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORV_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

#!/usr/bin/env bash
# Builds the Windows backends with mingw-w64 and runs their tests under Wine.
#   x86_64: build-win64/ (built and run; the Wine prefix lives in build-win64/wineprefix)
#   i686:   build-win32/ (built only: a 64-bit-only Wine cannot start 32-bit programs)
# Installs nothing. Needs (Debian): g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 wine
# wine64, plus cmake and a host C compiler. Extra arguments go to ctest (e.g. -R version -V).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

missing=()
for tool in cmake cc x86_64-w64-mingw32-windres i686-w64-mingw32-windres wineserver; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
for compiler in x86_64-w64-mingw32-g++ i686-w64-mingw32-g++; do
    command -v "$compiler-win32" >/dev/null || command -v "$compiler" >/dev/null ||
        missing+=("$compiler")
done
command -v wine64 >/dev/null || [ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
if [ ${#missing[@]} -gt 0 ]; then
    echo "windows-tests: missing ${missing[*]}" >&2
    echo "  Debian: apt-get install --no-install-recommends g++-mingw-w64-x86-64-win32" \
        "g++-mingw-w64-i686-win32 wine wine64" >&2
    exit 2
fi

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)

configure() { # <build dir> <toolchain file>
    cmake -S "$root" -B "$root/$1" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$2" >/dev/null
}

echo "== x86_64: configure and build (build-win64)"
configure build-win64 toolchain-mingw-x86_64.cmake
cmake --build "$root/build-win64"

echo "== i686: configure and build (build-win32, not run)"
configure build-win32 toolchain-mingw-i686.cmake
cmake --build "$root/build-win32"

echo "== x86_64: tests under Wine"
ctest --test-dir "$root/build-win64/tests/windows" --output-on-failure --no-tests=error "$@"

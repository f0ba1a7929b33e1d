# Shared by start.sh and test.sh: install what is missing, then configure and build a preset.
set -euo pipefail

ORV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# What building and running needs (Debian 12).
ORV_BUILD_PACKAGES=(cmake ninja-build g++ binutils qt6-base-dev qt6-serialport-dev
                    fonts-dejavu-core fonts-liberation2)
# What the whole test set needs on top: an RTF reader we did not write, and the Windows
# cross compilers with Wine.
ORV_TEST_PACKAGES=(libreoffice-writer-nogui g++-mingw-w64-x86-64-win32
                   g++-mingw-w64-i686-win32 wine wine64)

# Installs those of the given packages that are missing; apt only when needed.
orv_install_missing() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "== installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

orv_build() { # <preset>
    echo "== configure and build ($1)"
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}

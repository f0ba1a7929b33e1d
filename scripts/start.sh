#!/usr/bin/env bash
# Installs what is missing, builds OrvTerm and starts it.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$ORV_ROOT"
orv_install_missing "${ORV_BUILD_PACKAGES[@]}"
orv_build default >/dev/null
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
    echo "start.sh: no display found (DISPLAY or WAYLAND_DISPLAY); OrvTerm is a desktop program" >&2
    exit 1
fi
exec "$ORV_ROOT/build/src/OrvTerm"

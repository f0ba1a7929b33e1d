#!/bin/sh
# The Wine side of the Windows tests, as CTest fixture steps.
#
#   wine-fixture.sh setup             prefix (created once), ptys, ports registered, server up
#   wine-fixture.sh delete-serialcomm remove HKLM\HARDWARE\DEVICEMAP\SERIALCOMM for the rest of the run
#   wine-fixture.sh cleanup           stop this prefix's server and the pty holder
#
# Environment (set by CTest): WINEPREFIX, ORV_WINE (loader), ORV_WINESERVER, ORV_PTYHOLD,
# ORV_RUN_DIR. Everything Wine starts here gets /dev/null or the log file as its standard
# streams: Wine's background processes keep them open, and CTest would wait on its own pipes.
set -eu

: "${WINEPREFIX:?}" "${ORV_WINE:?}" "${ORV_WINESERVER:?}" "${ORV_PTYHOLD:?}" "${ORV_RUN_DIR:?}"
log=$ORV_RUN_DIR/wine.log
ports="COM10 COM2 COM5" # out of order on purpose: the list follows the registry, not this

wine_quiet() { "$ORV_WINE" "$@" </dev/null >>"$log" 2>&1; }

fail() {
    echo "wine-fixture: $*" >&2
    [ -f "$log" ] && tail -n 20 "$log" >&2
    exit 1
}

# The holder's pid is ours; check the name too, in case the pid was reused since.
stop_ptyhold() {
    pid_file=$ORV_RUN_DIR/ptyhold.pid
    [ -f "$pid_file" ] || return 0
    pid=$(cat "$pid_file")
    if [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = orv_ptyhold ]; then
        kill "$pid" 2>/dev/null || true
    fi
    rm -f "$pid_file"
}

stop_server() {
    "$ORV_WINESERVER" -k </dev/null >/dev/null 2>&1 || true
    "$ORV_WINESERVER" -w </dev/null >/dev/null 2>&1 || true
}

case ${1:-} in
setup)
    mkdir -p "$ORV_RUN_DIR"
    stop_server # a server left over from an interrupted run would keep its old port list
    stop_ptyhold
    rm -f "$ORV_RUN_DIR"/received-* "$ORV_RUN_DIR"/ports.txt "$ORV_RUN_DIR"/serialcomm.txt
    : >"$log"

    # The prefix is large and takes seconds to make: keep it between runs.
    if [ ! -f "$WINEPREFIX/.orv-ready" ]; then
        rm -rf "$WINEPREFIX"
        wine_quiet wineboot --init || fail "cannot create the Wine prefix $WINEPREFIX"
        "$ORV_WINESERVER" -w # let the set-up finish and the registry reach the disk
        touch "$WINEPREFIX/.orv-ready"
    fi

    "$ORV_PTYHOLD" "$ORV_RUN_DIR" 600 $ports || fail "cannot open pseudo-terminals"
    {
        printf 'REGEDIT4\n\n[-HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n\n'
        printf '[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
        while read -r name device; do printf '"%s"="%s"\n' "$name" "$device"; done \
            <"$ORV_RUN_DIR/ports.txt"
    } >"$ORV_RUN_DIR/ports.reg"
    (cd "$ORV_RUN_DIR" && wine_quiet reg import ports.reg) || fail "cannot register the ports"

    # Wine builds SERIALCOMM from Software\Wine\Ports when its services start, so restart them.
    # The server then outlives each test program (the key must stay as built) and ends in the
    # cleanup step, or by itself two minutes after the last program if the run is cut short.
    stop_server
    "$ORV_WINESERVER" -p120 </dev/null >>"$log" 2>&1 || fail "cannot start wineserver"
    wine_quiet wineboot || fail "cannot start Wine's services"
    "$ORV_WINE" reg query 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' </dev/null \
        >"$ORV_RUN_DIR/serialcomm.txt" 2>>"$log" || fail "no SERIALCOMM key after the restart"
    echo "SERIALCOMM as Wine built it:"
    tr -d '\r' <"$ORV_RUN_DIR/serialcomm.txt"
    ;;
delete-serialcomm)
    wine_quiet reg delete 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /f ||
        fail "cannot delete the SERIALCOMM key"
    ;;
cleanup)
    stop_server
    stop_ptyhold
    ;;
*)
    echo "usage: $0 setup|delete-serialcomm|cleanup" >&2
    exit 2
    ;;
esac

# wine.sh: running Windows test programs under wine on this machine. Source it, then:
#
#   wine_prefix PREFIX           create the wine prefix PREFIX when it does not exist yet
#                                (several seconds the first time); every later call uses it
#   wine_map_com PREFIX COMn PATH   map COM port COMn to PATH (a pseudo-terminal or a link
#                                to one) in the prefix's registry (HKLM\Software\Wine\Ports)
#   wine_run PREFIX SECONDS [PRELOAD] -- PROGRAM [ARGS...]
#                                run a program under wine, killed after SECONDS; PRELOAD (a
#                                .so, may be empty) is preloaded into wine's processes only.
#                                Returns the program's status (124 when it was killed).
#   wine_stop PREFIX             end the prefix's wineserver and what still runs in it
#
# Every wine start runs in a private mount namespace with /dev/ttyS0 covered by an empty file:
# wine links COM1 to /dev/ttyS0 at each start, and on these machines that is the console.
# Each call ends the prefix's wineserver afterwards, so no server outlives its namespace.
# Needs root (unshare, mount) and wine64. WINEDEBUG is -all unless set.

wine_in_namespace() { # PREFIX SECONDS PRELOAD PROGRAM [ARGS...]
    local prefix=$1 seconds=$2 preload=$3
    shift 3
    local cover
    cover=$(mktemp)
    WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINE_PRELOAD=$preload COVER=$cover \
        timeout -k 5 "$seconds" unshare --mount --propagation private sh -c '
            mount --bind "$COVER" /dev/ttyS0 || exit 125
            if [ -n "$WINE_PRELOAD" ]; then export LD_PRELOAD=$WINE_PRELOAD; fi
            "$@"; status=$?
            wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
            exit $status' sh "$@"
    local status=$?
    rm -f "$cover"
    return $status
}

wine_prefix() { # PREFIX
    [ -f "$1/system.reg" ] && return 0
    mkdir -p "$1"
    wine_in_namespace "$1" 180 "" wineboot -i >/dev/null 2>&1
}

wine_map_com() { # PREFIX COMn PATH
    wine_in_namespace "$1" 60 "" wine reg add 'HKLM\Software\Wine\Ports' /v "$2" /d "$3" /f \
        >/dev/null 2>&1
}

wine_run() { # PREFIX SECONDS [PRELOAD] -- PROGRAM [ARGS...]
    local prefix=$1 seconds=$2 preload=""
    shift 2
    if [ "$1" != "--" ]; then preload=$1; shift; fi
    shift
    wine_in_namespace "$prefix" "$seconds" "$preload" wine "$@"
}

wine_stop() { # PREFIX
    WINEPREFIX=$1 wineserver -k 2>/dev/null || true
}

#!/usr/bin/env bash
# CMake's emulator for the test suites built for Windows: runs one of them
# under Wine in the rig of wine_rig.sh (a fresh prefix on an Xvfb of its own,
# COM1 the simulated device $RINGLATCH_HOST_SIMDEVICE, the rig's
# $RINGLATCH_WINE_SERIALPORT_DLL before Qt's own), with the Qt for Windows
# libraries and the MinGW run time on its PATH, and prints its Qt Test log.
#   wine_run.sh QT_BIN_DIR PROGRAM.exe [ARGS...]
set -euo pipefail
qt_bin=$1 program=$2
shift 2
source "$(dirname "$0")/wine_rig.sh"

work=$(mktemp -d /tmp/ringlatch-wine.XXXXXX)
trap 'wine_rig_stop; rm -rf "$work"' EXIT
wine_rig_start "$work"
start_device "$RINGLATCH_HOST_SIMDEVICE" --answer o --delay 200

runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
rig=$(dirname "$RINGLATCH_WINE_SERIALPORT_DLL")
export WINEPATH="Z:$rig;Z:$qt_bin;Z:$runtime;Z:/usr/x86_64-w64-mingw32/lib"
# Wine hands WINEQT_* to the program as QT_*: no platform theme of the host.
export WINEQT_QPA_PLATFORMTHEME=
# Qt Test's log goes to a file: Wine loses the program's own console output
# when it is a pipe.
status=0
WINE_PROGRAM_TIMEOUT=240 wine_program "$program" -o "$work/log.txt,txt" "$@" >"$work/wine.log" 2>&1 ||
    status=$?
cat "$work/log.txt" 2>/dev/null || true
if [ "$status" -ne 0 ] && [ ! -s "$work/log.txt" ]; then
    cat "$work/wine.log"
fi
exit "$status"

# The Windows program under Wine on its own Xvfb, in a fresh Wine prefix that
# lives in a work folder of the test's own. Sourced by the Windows tests.
#   wine_rig_start WORK        start Xvfb, make the prefix; DISPLAY, WINEPREFIX set
#   wine_rig_stop              end every Wine process of the prefix, the device, Xvfb
#   start_device SIMDEVICE …   the simulated device, on COM1
#   device COMMAND             a command to the device (see ringlatch_simdevice.cpp)
#   wine_program ARGS…         wine with the rig's modem-line library preloaded,
#                              ended after $WINE_PROGRAM_TIMEOUT seconds (600)
#
# COM1 of the prefix is the registry value HKLM\Software\Wine\Ports\COM1, the
# fixed path $WORK/com1, so no test ever touches the host's own serial ports.
# Until start_device puts a symlink to its pseudo-terminal there, COM1 is
# missing. modem_lines.c, preloaded into the program's Wine process, answers the
# modem-line ioctls on pseudo-terminals, without which Wine 8.0 cancels every
# comm-event wait on one.
# shellcheck shell=bash

WINE_RIG_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$WINE_RIG_DIR/../end_to_end/driver.sh"

WINE_RIG_PIDS=()
DEVICE_PIDS=()

wine_rig_start() {
    WINE_RIG_WORK=$1
    COM1_LINK=$WINE_RIG_WORK/com1
    Xvfb -displayfd 5 -screen 0 1024x768x24 -dpi 96 -nolisten tcp 5>"$WINE_RIG_WORK/display" \
        >"$WINE_RIG_WORK/xvfb.log" 2>&1 &
    WINE_RIG_PIDS+=($!)
    wait_for 10 test -s "$WINE_RIG_WORK/display" || {
        echo "Xvfb did not start" >&2
        return 1
    }
    export DISPLAY=":$(cat "$WINE_RIG_WORK/display")"
    export WINEPREFIX=$WINE_RIG_WORK/prefix WINEARCH=win64 WINEDEBUG=-all
    # No Mono or Gecko prompts, no menu entries written into the user's desktop.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    # The wineserver prints its object table when it ends: keep it in its own log.
    timeout 120 wineboot -i >"$WINE_RIG_WORK/wineboot.log" 2>&1 &&
        wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$COM1_LINK" /f \
            >>"$WINE_RIG_WORK/wineboot.log" 2>&1 || {
        cat "$WINE_RIG_WORK/wineboot.log" >&2
        echo "cannot make the Wine prefix" >&2
        return 1
    }
    # Wine reads the port mapping when a session starts: end this one.
    wine_rig_end_session
    gcc -shared -fPIC -O2 -o "$WINE_RIG_WORK/modem_lines.so" "$WINE_RIG_DIR/modem_lines.c" -ldl
}

wine_rig_end_session() {
    timeout 20 wineserver -k >/dev/null 2>&1 || true
    timeout 20 wineserver -w >/dev/null 2>&1 || true
}

wine_program() {
    LD_PRELOAD="$WINE_RIG_WORK/modem_lines.so" timeout "${WINE_PROGRAM_TIMEOUT:-600}" wine "$@"
}

# The simulated device, commanded through a FIFO, its output in $WORK/device.log.
start_device() {
    local simdevice=$1
    shift
    rm -f "$WINE_RIG_WORK/device.in"
    mkfifo "$WINE_RIG_WORK/device.in"
    "$simdevice" --link "$COM1_LINK" "$@" <"$WINE_RIG_WORK/device.in" \
        >>"$WINE_RIG_WORK/device.log" 2>&1 &
    DEVICE_PIDS+=($!)
    exec 3>"$WINE_RIG_WORK/device.in"
    wait_for 10 test -L "$COM1_LINK" || {
        echo "the simulated device did not start" >&2
        return 1
    }
}

device() { echo "$*" >&3; }

stop_device() {
    local pid
    for pid in "${DEVICE_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${DEVICE_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    DEVICE_PIDS=()
    exec 3>&-
    rm -f "$COM1_LINK"
}

wine_rig_stop() {
    [ -z "${WINEPREFIX:-}" ] || wine_rig_end_session
    stop_device
    local pid
    for pid in "${WINE_RIG_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}

# The X window of the program's main window, by its exact title.
main_window() {
    xdotool search --onlyvisible --name '^Ringlatch v1 :: Korvane ::$' | head -1
}

has_main_window() {
    [ -n "$(main_window)" ]
}

# Width and height of an X window, as "WxH".
window_size() {
    xwininfo -id "$1" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}'
}

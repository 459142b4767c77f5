# The Windows program under Wine on its own Xvfb, in a fresh Wine prefix that
# lives in a work folder of the test's own. Sourced by the Windows tests.
#   wine_rig_start WORK   start Xvfb and make the prefix (DISPLAY, WINEPREFIX set)
#   wine_rig_stop         end every Wine process of the prefix, and Xvfb
#   wait_for SECONDS CMD  retry CMD every 0.1 s for at most SECONDS
# shellcheck shell=bash

source "$(dirname "${BASH_SOURCE[0]}")/../end_to_end/driver.sh"

WINE_RIG_PIDS=()

wine_rig_start() {
    WINE_RIG_WORK=$1
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
    timeout 120 wineboot -i >"$WINE_RIG_WORK/wineboot.log" 2>&1 || {
        cat "$WINE_RIG_WORK/wineboot.log" >&2
        echo "wineboot failed" >&2
        return 1
    }
}

wine_rig_stop() {
    if [ -n "${WINEPREFIX:-}" ]; then
        timeout 20 wineserver -k >/dev/null 2>&1 || true
        timeout 20 wineserver -w >/dev/null 2>&1 || true
    fi
    local pid
    for pid in "${WINE_RIG_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}

# The X window of the program's main window, by its exact title.
main_window() {
    xdotool search --onlyvisible --name '^Ringlatch v1 :: Korvane ::$' | head -1
}

# Width and height of an X window, as "WxH".
window_size() {
    xwininfo -id "$1" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}'
}

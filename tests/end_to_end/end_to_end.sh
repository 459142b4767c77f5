#!/usr/bin/env bash
# The real program, end to end: Ringlatch under Xvfb, driven by xdotool with
# keyboard and mouse as a user would, with a simulated device on a
# pseudo-terminal bind-mounted over the program's COM1 device inside a
# private mount namespace. Message texts are read as a user copies them:
# Ctrl+C on the box, then the clipboard.
#
# usage: end_to_end.sh RINGLATCH SIMDEVICE COM1_DEVICE
# Exit 77 (skipped) when the namespace or the bind mount cannot be made.
set -euo pipefail

PROGRAM=$1 SIMDEVICE=$2 COM1=$3

skip() {
    echo "SKIPPED: $*"
    exit 77
}

if [ "${RINGLATCH_E2E_INSIDE:-}" != 1 ]; then
    for tool in unshare mount Xvfb xdotool xclip; do
        command -v "$tool" >/dev/null || skip "$tool is not installed"
    done
    [ -e "$COM1" ] || skip "$COM1 does not exist, so there is nothing to bind the pseudo-terminal over"
    unshare -m --propagation private true 2>/dev/null ||
        skip "no private mount namespace here (needs root or CAP_SYS_ADMIN)"
    RINGLATCH_E2E_INSIDE=1 exec unshare -m --propagation private bash "$0" "$@"
fi

source "$(dirname "$0")/driver.sh"

WORK=$(mktemp -d)
PIDS=()
cleanup() {
    local pid
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    {
        echo "FAIL: $*"
        echo "--- device log"
        cat "$WORK/device.log" || true
        echo "--- program output"
        cat "$WORK/program.log" || true
    } >&2
    exit 1
}

# The device, commanded through a FIFO.
mkfifo "$WORK/device.in"
"$SIMDEVICE" --answer o --delay 200 <"$WORK/device.in" >"$WORK/device.log" 2>&1 &
PIDS+=($!)
exec 3>"$WORK/device.in"
device() { echo "$*" >&3; }
wait_for 10 grep -q '^ready ' "$WORK/device.log" || fail "the simulated device did not start"
SLAVE=$(awk '/^ready /{print $3; exit}' "$WORK/device.log")

mount --bind "$SLAVE" "$COM1" 2>"$WORK/mount.err" ||
    skip "cannot bind-mount the pseudo-terminal over $COM1: $(cat "$WORK/mount.err")"
# Lock files of this run stay in this namespace, away from any other run's.
if [ -d /run/lock ]; then
    mount -t tmpfs -o mode=1777 ringlatch-locks /run/lock ||
        skip "cannot make a private /run/lock"
fi

# The display.
Xvfb -displayfd 4 -screen 0 1024x768x24 -dpi 96 -nolisten tcp 4>"$WORK/display" \
    >"$WORK/xvfb.log" 2>&1 &
PIDS+=($!)
wait_for 10 test -s "$WORK/display" || fail "Xvfb did not start"
export DISPLAY=":$(cat "$WORK/display")"
export QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME= QT_SCALE_FACTOR=1 LC_ALL=C.UTF-8

"$PROGRAM" >"$WORK/program.log" 2>&1 &
APP=$!
PIDS+=("$APP")
wait_for 20 xdotool search --onlyvisible --name '^Ringlatch v1 :: Korvane ::$' ||
    fail "the window did not appear"
WINDOW=$(xdotool search --onlyvisible --name '^Ringlatch v1 :: Korvane ::$' | head -1)

# Start-up opened COM1 without complaint.
no_box
echo "ok - start-up: no box"

# Type a number and press "Posalji ".
click_text1
xdotool type --delay 30 0641234567
xdotool key Tab space
copied=$(read_box)
expect_box "send" "$copied" "Podaci uspesno upisani u eprom uredjaja!"
expect_box "send, box title" "$copied" "Ringlatch_1"
[ "$(device_received)" = "d0641234567" ] || fail "device received '$(device_received)'"
[ "$(device_settings)" = "2400 8N1" ] || fail "line settings were '$(device_settings)'"
echo "ok - device received d0641234567 at 2400 8N1"

# The device says something; "Iscitaj" shows it.
device "send Dobar dan, ovde relej 42"
wait_for 5 grep -q '^sent ' "$WORK/device.log" || fail "device did not send"
sleep 0.3
click_text1
xdotool key Tab Tab space
no_box
click_text1
clear_clipboard
xdotool key ctrl+a ctrl+c
sleep 0.3
shown=$(xclip -o -selection clipboard 2>/dev/null || true)
[ "$shown" = "Dobar dan, ovde relej 42" ] || fail "Text1 shows '$shown' after the read-out"
echo "ok - read-out: Text1 shows the device's text"

# COM2 is refused and COM1 reopened: the arrow key moves the choice to COM2.
click_text1
xdotool key Tab Tab Tab Down
copied=$(read_box)
expect_box "COM2" "$copied" "Nepostoji COM2"
grep -q "$SLAVE\|$COM1" <(ls -l "/proc/$APP/fd") || fail "the port is not open after COM2"
# The port works after the reopen: send the read-out text back.
forget_received
click_text1
xdotool key Tab space
copied=$(read_box)
expect_box "send after COM2" "$copied" "Podaci uspesno upisani u eprom uredjaja!"
[ "$(device_received)" = "dDobar\\x20dan,\\x20ovde\\x20relej\\x2042" ] ||
    fail "device received '$(device_received)' after COM2"
echo "ok - the port was reopened on COM1; the read-out went back unchanged"

check_about
check_unplugged

kill -0 "$APP" 2>/dev/null || fail "the program is not running any more"
grep -qiE "AddressSanitizer|runtime error|QXcbConnection: XCB error" "$WORK/program.log" &&
    fail "the program reported errors"
echo "PASS"

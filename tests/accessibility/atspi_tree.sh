#!/usr/bin/env bash
# The real program as a screen reader reads it: Ringlatch under Xvfb with a
# session bus of its own (dbus-run-session), where at-spi2-core's
# accessibility bus starts on demand, and a small AT-SPI client
# (atspi_client.py, Debian's python3-pyatspi) that reads the program's tree.
#
# Where a private mount namespace is allowed (root), COM1 is a simulated
# device on a pseudo-terminal bind-mounted over the COM1 device, as in the
# end-to-end test; elsewhere the program opens COM1 as it is, and a port box
# at start is read and closed like any other box.
#
# usage: atspi_tree.sh RINGLATCH SIMDEVICE COM1_DEVICE
# Exit 77 (skipped) when the tools are missing or the bus cannot start.
set -euo pipefail

PROGRAM=$1 SIMDEVICE=$2 COM1=$3
HERE=$(cd "$(dirname "$0")" && pwd)
# Debian's interpreter, which python3-pyatspi installs into, whatever else is
# first on the PATH.
PYTHON=/usr/bin/python3

skip() {
    echo "SKIPPED: $*"
    exit 77
}

if [ "${RINGLATCH_A11Y_INSIDE:-}" != 1 ]; then
    for tool in Xvfb dbus-run-session dbus-daemon; do
        command -v "$tool" >/dev/null || skip "$tool is not installed"
    done
    [ -x "$PYTHON" ] || skip "$PYTHON is not installed"
    "$PYTHON" -c 'import pyatspi' 2>/dev/null || skip "python3-pyatspi is not installed"
    [ -e /usr/share/dbus-1/services/org.a11y.Bus.service ] ||
        skip "at-spi2-core is not installed (no org.a11y.Bus service)"
    if [ -e "$COM1" ] && unshare -m --propagation private true 2>/dev/null; then
        RINGLATCH_A11Y_INSIDE=1 exec unshare -m --propagation private bash "$0" "$@"
    fi
fi

WORK=$(mktemp -d)
PIDS=()
cleanup() {
    local pid
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    for log in "$WORK"/*.log; do
        [ -s "$log" ] && { echo "--- $(basename "$log")"; cat "$log"; } >&2
    done
    exit 1
}

# Waits up to $1 seconds for the command to succeed.
wait_for() {
    local tries=$(($1 * 10))
    shift
    while ((tries-- > 0)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

CLIENT_ARGS=()
if [ "${RINGLATCH_A11Y_INSIDE:-}" = 1 ]; then
    # The device, commanded through a FIFO (the client unplugs it at the end).
    mkfifo "$WORK/device.in"
    "$SIMDEVICE" --answer o <"$WORK/device.in" >"$WORK/device.log" 2>&1 &
    PIDS+=($!)
    exec 3>"$WORK/device.in"
    wait_for 10 grep -q '^ready ' "$WORK/device.log" || fail "the simulated device did not start"
    SLAVE=$(awk '/^ready /{print $3; exit}' "$WORK/device.log")
    mount --bind "$SLAVE" "$COM1" || fail "cannot bind the pseudo-terminal over $COM1"
    # Lock files of this run stay in this namespace.
    if [ -d /run/lock ]; then
        mount -t tmpfs -o mode=1777 ringlatch-locks /run/lock || fail "cannot make a private /run/lock"
    fi
    CLIENT_ARGS+=(--device "$WORK/device.in")
    echo "COM1 is a simulated device on $SLAVE"
else
    echo "COM1 is $COM1 as it is (no private mount namespace here)"
fi

# -noreset: the accessibility bus's launcher opens the display to publish the
# bus on it and closes it again; left to reset then, the server would refuse
# the program's connection for a moment.
Xvfb -displayfd 4 -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset 4>"$WORK/display" \
    >"$WORK/xvfb.log" 2>&1 &
PIDS+=($!)
wait_for 10 test -s "$WORK/display" || fail "Xvfb did not start"
DISPLAY=":$(cat "$WORK/display")"
export DISPLAY QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME='' QT_SCALE_FACTOR=1 LC_ALL=C.UTF-8
# The session's bus and everything it starts live in $WORK, never in the
# caller's session; its messages go to a log.
export XDG_RUNTIME_DIR=$WORK
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS

dbus-run-session -- true 2>"$WORK/bus.log" ||
    skip "the session bus cannot start: $(tail -1 "$WORK/bus.log")"

status=0
dbus-run-session -- "$PYTHON" "$HERE/atspi_client.py" "$PROGRAM" "${CLIENT_ARGS[@]}" \
    2>>"$WORK/bus.log" || status=$?
case $status in
0) ;;
77) exit 77 ;;
*) fail "the tree read from outside is not as expected (exit $status)" ;;
esac

#!/bin/sh
# Runs the screenshot test on its own Xvfb (xcb, 96 dpi) at 100 %, 150 % and
# 200 %. Xvfb picks a free display itself (-displayfd), so parallel tests with
# displays of their own cannot collide.
#   screenshots.sh <tst_screenshot>
set -eu

test_program=$1
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
i=0
until [ -s "$work/display" ]; do
    i=$((i + 1))
    if [ "$i" -gt 100 ] || ! kill -0 "$xvfb" 2>/dev/null; then
        cat "$work/xvfb.log" >&2
        echo "screenshots.sh: Xvfb did not start" >&2
        exit 1
    fi
    sleep 0.1
done
DISPLAY=":$(cat "$work/display")"
export DISPLAY QT_QPA_PLATFORM=xcb

for scale in 1 1.5 2; do
    QT_SCALE_FACTOR=$scale "$test_program"
done

#!/usr/bin/env bash
# The zip as a user gets it: unpacked into a fresh Wine prefix, its
# Ringlatch_1.exe, with the stock DLLs, starts and maps its window with the
# designed title and size (COM1 is missing in the rig, so a port box follows).
#   zip_starts.sh ZIP
set -euo pipefail
zip=$1
source "$(dirname "$0")/wine_rig.sh"

work=$(mktemp -d /tmp/ringlatch-wine.XXXXXX)
trap 'wine_rig_stop; rm -rf "$work"' EXIT
wine_rig_start "$work"

unzip -q "$zip" -d "$work/unpacked"
(cd "$work/unpacked/Ringlatch_1" && wine ./Ringlatch_1.exe) >"$work/program.log" 2>&1 &
if ! wait_for 60 has_main_window; then
    cat "$work/program.log" >&2
    echo "FAIL: the window did not appear" >&2
    exit 1
fi
window=$(main_window)
size=$(window_size "$window")
echo "window $window: $size"
[ "$size" = "329x224" ] || {
    echo "FAIL: the window is $size, not 329x224" >&2
    exit 1
}
echo "ok - Ringlatch_1.exe from the zip shows \"Ringlatch v1 :: Korvane ::\" at 329x224"

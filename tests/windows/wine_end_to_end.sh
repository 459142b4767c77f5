#!/usr/bin/env bash
# The Windows program, end to end under Wine: Ringlatch_1.exe on Xvfb, driven
# by xdotool as a user would, its COM1 a pseudo-terminal whose far end is the
# simulated device. Box texts are read as a Windows user copies them: Ctrl+C
# (Qt's own handler on Windows), then the clipboard.
#
# usage: wine_end_to_end.sh zip|installer PACKAGE SHIPPED_FOLDER RIG_SERIALPORT_DLL SIMDEVICE OUT_DIR
#
# The rig, of which nothing ships: COM1 and the modem-line library of
# wine_rig.sh, and the program folder is the shipped one (from the zip, or
# installed by the installer with /S) with Qt6SerialPort.dll swapped for the
# build of qtserialport-wine.patch (Wine 8.0 never completes Qt's comm-event
# wait on the completion port). Ringlatch_1.exe stays byte-identical to the
# shipped one.
set -euo pipefail

MODE=$1 PACKAGE=$2 SHIPPED=$3 RIG_DLL=$4 SIMDEVICE=$5 OUT=$6
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/wine_rig.sh"

WORK=$(mktemp -d /tmp/ringlatch-wine.XXXXXX)
trap 'wine_rig_stop; rm -rf "$WORK"' EXIT

fail() {
    {
        echo "FAIL ($MODE): $*"
        echo "--- device log"
        cat "$WORK/device.log" 2>/dev/null || true
        echo "--- program output"
        cat "$WORK/program.log" 2>/dev/null || true
    } >&2
    import -window root "$OUT/wine-failure-$MODE.png" 2>/dev/null || true
    exit 1
}

# Asks the device what it saw: prints "2400 8N1 nodes open close …".
device_status() {
    local before
    before=$(grep -c '^status ' "$WORK/device.log" || true)
    device status
    # shellcheck disable=SC2016
    wait_for 5 eval '[ "$(grep -c "^status " "$WORK/device.log")" -gt "$before" ]' ||
        fail "the device did not report its status"
    grep '^status ' "$WORK/device.log" | tail -1 | cut -d' ' -f2-
}

# The device on COM1, answering every request with "o" after 200 ms.
plug_device() {
    start_device "$SIMDEVICE" --answer o --delay 200 || fail "the device did not start"
}

# The device saw the program open it, at 2400 8N1, and no box came up.
expect_opened() {
    no_box
    local status
    status=$(device_status)
    [[ $status == "2400 8N1 nodes open"* ]] || fail "$1: the device saw: $status"
    echo "ok - $1: COM1 opened at 2400 8N1 ($status), no box"
}

# Option1 (COM1) in the window: Frame1 at 224,96 px, Option1 at 8,16 in it.
click_com1() {
    eval "$(xdotool getwindowgeometry --shell "$WINDOW")"
    xdotool windowfocus --sync "$WINDOW" mousemove $((X + 224 + 8 + 10)) $((Y + 96 + 16 + 8)) click 1
    sleep 0.3
}

# What Text1 shows, as the user copies it.
text1_shown() {
    click_text1
    clear_clipboard
    xdotool key ctrl+a ctrl+c
    sleep 0.3
    xclip -o -selection clipboard 2>/dev/null || true
}

# Types a number and presses "Posalji "; prints the box's copy.
send_number() {
    click_text1
    xdotool key ctrl+a BackSpace
    [ -z "$1" ] || xdotool type --delay 30 "$1"
    xdotool key Tab space
    read_box
}

start_program() {
    (cd "$APP_DIR" && wine_program ./Ringlatch_1.exe) >>"$WORK/program.log" 2>&1 &
    wait_for 60 has_main_window || fail "the window did not appear"
    WINDOW=$(main_window)
    sleep 0.5
}

stop_program() {
    wine_rig_end_session
}

# --- The rig
wine_rig_start "$WORK" || fail "the Wine rig did not start"

case $MODE in
zip)
    unzip -q "$PACKAGE" -d "$WORK/unpacked"
    APP_DIR=$WORK/unpacked/Ringlatch_1
    ;;
installer)
    timeout 120 wine "$PACKAGE" /S >"$WORK/setup.log" 2>&1 || fail "the installer failed"
    timeout 60 wineserver -w || true
    APP_DIR=$WINEPREFIX/drive_c/Program\ Files/Ringlatch
    ;;
*)
    fail "unknown mode $MODE"
    ;;
esac
cmp -s "$APP_DIR/Ringlatch_1.exe" "$SHIPPED/Ringlatch_1.exe" ||
    fail "Ringlatch_1.exe under test differs from the shipped one"
cmp -s "$APP_DIR/Qt6SerialPort.dll" "$SHIPPED/Qt6SerialPort.dll" ||
    fail "the shipped Qt6SerialPort.dll was not what the package holds"
cp "$RIG_DLL" "$APP_DIR/Qt6SerialPort.dll"
echo "ok - $MODE: Ringlatch_1.exe is the shipped one; the rig's Qt6SerialPort.dll swapped in"

# --- COM1 missing at start-up, then the device appears and COM1 is clicked.
start_program
copied=$(read_box)
expect_box "COM1 missing at start-up" "$copied" "Greska na portu COM1"
reason=$(tr -d '\r' <<<"$copied" | grep -A1 -xF "Greska na portu COM1" | tail -1)
[ -n "$reason" ] && [ "${reason:0:3}" != "---" ] || fail "the port box gives no reason: $copied"
echo "ok - Windows' reason: \"$reason\""
[ -n "$(main_window)" ] || fail "the program ended after the port box"
plug_device
click_com1
expect_opened "clicking COM1"
stop_program
stop_device

# --- Start-up with the device there.
: >"$WORK/device.log"
plug_device
start_program
expect_opened "start-up"
import -window "$WINDOW" "$OUT/window-wine-$MODE.png" 2>/dev/null || true

forget_received
copied=$(send_number 0641234567)
expect_box "send" "$copied" "Podaci uspesno upisani u eprom uredjaja!"
expect_box "send, box title" "$copied" "Ringlatch_1"
[ "$(device_received)" = "d0641234567" ] || fail "device received '$(device_received)'"
[ "$(device_settings)" = "2400 8N1" ] || fail "line settings were '$(device_settings)'"
echo "ok - device received d0641234567 at 2400 8N1"

# No answer, a wrong answer, a late answer: each is a failure.
while read -r answer delay what; do
    [ "$answer" = "-" ] && answer=""
    device "answer $answer $delay"
    forget_received
    copied=$(send_number 0641234567)
    expect_box "$what" "$copied" "Slanje podataka nije uspelo"
    [ "$(device_received)" = "d0641234567" ] || fail "$what: device received '$(device_received)'"
done <<'EOF'
- 0 no answer
ok 0 answer "ok"
O 0 answer "O"
o 1500 answer after 1500 ms
EOF
# The late "o" is still unread: a read-out takes it, then the device answers again.
sleep 1
device "answer o 200"
click_text1
xdotool key Tab Tab space
no_box
[ "$(text1_shown)" = "o" ] || fail "the late answer was not kept for the read-out"
echo "ok - the late answer came with the next read-out"

# "Iscitaj" shows the device's text; bytes 0x80-0xFF are Latin-1, and sent back unchanged.
high=""
for code in $(seq 128 255); do high+=$(printf '\\x%02x' "$code"); done
device "send Dobar dan, ovde relej 42"
wait_for 5 grep -q '^sent Dobar' "$WORK/device.log" || fail "device did not send"
sleep 0.5
click_text1
xdotool key Tab Tab space
no_box
shown=$(text1_shown)
[ "$shown" = "Dobar dan, ovde relej 42" ] || fail "Text1 shows '$shown' after the read-out"
echo "ok - read-out: Text1 shows the device's text"
device "send $high"
sleep 1
click_text1
xdotool key Tab Tab space
no_box
shown=$(text1_shown)
expected=$(python3 -c 'print(bytes(range(0xA0, 0x100)).decode("latin-1"), end="")')
[[ $shown == *"$expected" ]] || fail "the read-out of 0x80-0xFF shows '$shown'"
forget_received
click_text1
xdotool key Tab space
copied=$(read_box)
expect_box "send the read-out back" "$copied" "Podaci uspesno upisani u eprom uredjaja!"
[ "$(device_received)" = "d$high" ] || fail "0x80-0xFF came back as '$(device_received)'"
echo "ok - 0x80-0xFF read out as Latin-1 and sent back unchanged"

# COM2 is refused and COM1 reopened.
click_text1
xdotool key Tab Tab Tab Down
copied=$(read_box)
expect_box "COM2" "$copied" "Nepostoji COM2"
no_box
forget_received
copied=$(send_number 123)
expect_box "send after COM2" "$copied" "Podaci uspesno upisani u eprom uredjaja!"
[ "$(device_received)" = "d123" ] || fail "after COM2 the device received '$(device_received)'"
echo "ok - COM1 reopened after COM2"

check_about "$OUT/box-wine-$MODE.png"
check_unplugged
[ -n "$(main_window)" ] || fail "the program is not running any more"
stop_program
stop_device

# The command line of the same Ringlatch_1.exe, its output to a pipe: what a
# script sees on Windows.
if [ "$MODE" = zip ]; then
    : >"$WORK/device.log"
    plug_device
    cli() {
        local status=0
        (cd "$APP_DIR" && WINE_PROGRAM_TIMEOUT=60 wine_program ./Ringlatch_1.exe "$@") \
            >"$WORK/cli.out" 2>"$WORK/cli.err" || status=$?
        tr -d '\r' <"$WORK/cli.out"
        echo "exit $status"
    }
    out=$(cli --version)
    [ "$out" = $'Ringlatch 1.00\nexit 0' ] || fail "--version gave: $out"
    forget_received
    out=$(cli --port COM1 --store 0641234567)
    [ "$out" = $'Podaci uspesno upisani u eprom uredjaja!\nexit 0' ] || fail "--store gave: $out"
    [ "$(device_received)" = "d0641234567" ] || fail "--store: device received '$(device_received)'"
    device "answer ok 0"
    out=$(cli --store 0641234567)
    [ "$out" = $'Slanje podataka nije uspelo\nexit 1' ] || fail "--store, wrong answer, gave: $out"
    out=$(cli --store 123456789012345678901)
    [ "$(tail -1 <<<"$out")" = "exit 64" ] || fail "--store, 21 characters, gave: $out"
    out=$(cli --port COM7 --store 1)
    [ "$(tail -1 <<<"$out")" = "exit 2" ] || fail "--store on a missing port gave: $out"
    grep -q "Greska na portu COM1" "$WORK/cli.err" || fail "no port error on stderr: $(cat "$WORK/cli.err")"
    (sleep 1.5; device "send Dobar dan \\xe9\\xfc") &
    sender=$!
    (cd "$APP_DIR" && WINE_PROGRAM_TIMEOUT=60 wine_program ./Ringlatch_1.exe --read-out --listen 4000) \
        >"$WORK/read-out.bin" 2>"$WORK/cli.err" || fail "--read-out failed: $(cat "$WORK/cli.err")"
    wait "$sender"
    [ "$(od -An -tx1 "$WORK/read-out.bin" | tr -d ' \n')" = "446f6261722064616e20e9fc" ] ||
        fail "--read-out wrote: $(od -An -tx1 "$WORK/read-out.bin")"
    echo "ok - command line under Wine: --version, --store (0, 1, 64, 2), --read-out byte for byte"
fi
echo "PASS ($MODE)"

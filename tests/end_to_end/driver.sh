# Drives the program's window as a user does, with xdotool and the clipboard,
# and reads what the simulated device reported. Shared by the end-to-end tests
# of the Linux and the Windows program. The caller defines fail, starts the
# device with its output in $WORK/device.log, and sets WINDOW to the main
# window's X window once it is up.
# shellcheck shell=bash

# Waits up to $1 seconds for the command to succeed.
wait_for() {
    local limit=$1
    shift
    local tries=$((limit * 10))
    while ((tries-- > 0)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# xclip keeps serving what it put on the clipboard from the background: keep it
# off the caller's output.
clear_clipboard() {
    printf "(nothing copied)" | xclip -selection clipboard >/dev/null 2>&1
}

# Where Text1 lies in the window (the designed layout: 720,1440 twips, 153x25 px).
click_text1() {
    eval "$(xdotool getwindowgeometry --shell "$WINDOW")"
    xdotool windowfocus --sync "$WINDOW" mousemove $((X + 48 + 20)) $((Y + 96 + 12)) click 1
    sleep 0.2
}

# The message box that is up now: its window id.
box_window() {
    xdotool search --onlyvisible --name '^(Ringlatch_1|O programu)$' | head -1
}

has_box() {
    [ -n "$(box_window)" ]
}

# Waits for a box, copies it with Ctrl+C, closes it with Enter and prints the copy.
read_box() {
    wait_for 10 has_box || true
    local box
    box=$(box_window)
    [ -n "$box" ] || fail "no message box appeared"
    xdotool windowfocus --sync "$box"
    sleep 0.2
    clear_clipboard
    xdotool key ctrl+c
    sleep 0.3
    xclip -o -selection clipboard 2>/dev/null || true
    xdotool key Return
    wait_for 10 eval '! has_box' ||
        fail "the message box did not close"
    sleep 0.2
}

no_box() {
    sleep 0.5
    [ -z "$(box_window)" ] || fail "unexpected box: $(read_box)"
}

# Everything the device received since the last forget_received, and whether
# it all came at 2400 8N1.
SEEN=0
forget_received() {
    SEEN=$(wc -l <"$WORK/device.log")
}
device_received() {
    tail -n +$((SEEN + 1)) "$WORK/device.log" | awk '/^received /{printf "%s", $2}'
}
device_settings() {
    tail -n +$((SEEN + 1)) "$WORK/device.log" | awk '/^received /{print $3 " " $4}' | sort -u
}

expect_box() {
    local what=$1 copied=$2 expected=$3
    grep -qxF -- "$expected" <<<"$(tr -d '\r' <<<"$copied")" ||
        fail "$what: expected a box saying \"$expected\", the copy was: $copied"
    echo "ok - $what: \"$expected\""
}


# "?" is last in the tab order, one step back from Text1: the About box. With a
# file name, a screenshot of the box is kept there.
check_about() {
    click_text1
    xdotool key shift+Tab space
    if [ -n "${1:-}" ]; then
        wait_for 10 has_box && import -window "$(box_window)" "$1" 2>/dev/null || true
    fi
    local copied
    copied=$(read_box)
    expect_box "about" "$copied" "Program za ubacivanje podataka u eprom uredjaja"
    expect_box "about, address" "$copied" "kontakt@ringlatch.example"
    expect_box "about, title" "$copied" "O programu"
}

# The device is unplugged while the port is open: one box naming the port,
# then quiet. The caller's device function sends the device its commands.
check_unplugged() {
    device "vanish"
    local copied
    copied=$(read_box)
    expect_box "unplugged" "$copied" "Greska na portu COM1"
    sleep 1
    no_box
    echo "ok - unplugged: one box"
}

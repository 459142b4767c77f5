#!/usr/bin/env bash
# The installer as an administrator uses it: /S installs silently into a fresh
# Wine prefix, puts the program into Program Files with a "Ringlatch" shortcut
# in the Start menu and registers its uninstaller; the installed program
# starts; the uninstaller, also with /S, removes the folder, the shortcut and
# the registration.
#   installer.sh SETUP_EXE PROGRAM_FOLDER
set -euo pipefail
setup=$1 folder=$2
source "$(dirname "$0")/wine_rig.sh"

work=$(mktemp -d /tmp/ringlatch-wine.XXXXXX)
trap 'wine_rig_stop; rm -rf "$work"' EXIT
wine_rig_start "$work"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ringlatch'
installed=$WINEPREFIX/drive_c/Program\ Files/Ringlatch
shortcut=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Ringlatch.lnk

timeout 120 wine "$setup" /S >"$work/setup.log" 2>&1 || fail "the installer failed: $(cat "$work/setup.log")"
timeout 60 wineserver -w || true

# Everything of the program folder is installed, unchanged.
(cd "$folder" && find . -type f | sort) >"$work/shipped"
while read -r file; do
    cmp -s "$folder/$file" "$installed/$file" || fail "$file was not installed as shipped"
done <"$work/shipped"
[ -f "$installed/Uninstall.exe" ] || fail "no uninstaller in $installed"
echo "ok - installed into C:\\Program Files\\Ringlatch ($(wc -l <"$work/shipped") files)"

[ -f "$shortcut" ] || fail "no Start-menu shortcut at $shortcut"
grep -qa "Ringlatch_1.exe" "$shortcut" || fail "the shortcut does not lead to Ringlatch_1.exe"
echo "ok - Start menu: Ringlatch.lnk"

wine reg query "$key" >"$work/reg.txt" 2>&1 || fail "no uninstall registration: $(cat "$work/reg.txt")"
for value in DisplayName DisplayVersion DisplayIcon UninstallString QuietUninstallString; do
    grep -q "$value" "$work/reg.txt" || fail "the registration lacks $value"
done
grep -q 'DisplayVersion.*1\.00' "$work/reg.txt" || fail "DisplayVersion is not 1.00"
echo "ok - registered for Apps & features"

# The installed program starts.
(cd "$installed" && wine ./Ringlatch_1.exe) >"$work/program.log" 2>&1 &
wait_for 60 has_main_window || fail "the installed program did not show its window"
size=$(window_size "$(main_window)")
[ "$size" = "329x224" ] || fail "the installed program's window is $size"
echo "ok - the installed program shows its window at $size"
wine_rig_end_session

timeout 120 wine "C:\\Program Files\\Ringlatch\\Uninstall.exe" /S >"$work/uninstall.log" 2>&1 ||
    fail "the uninstaller failed: $(cat "$work/uninstall.log")"
# The uninstaller runs on from a copy of itself in the temporary folder.
timeout 60 wineserver -w || true
wait_for 30 test ! -e "$installed" || fail "$installed is still there: $(ls -R "$installed")"
[ ! -e "$shortcut" ] || fail "the shortcut is still there"
if wine reg query "$key" >/dev/null 2>&1; then fail "the registration is still there"; fi
echo "ok - uninstalled: folder, shortcut and registration gone"

#!/bin/sh
# Installs a built Ringlatch into a temporary prefix and checks what lands
# there, validates the desktop entry, starts the program from its Exec line,
# and builds the Debian package and checks its dependencies, its contents and
# what lintian says of it.
#   check_install.sh <build folder>
set -eu

build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
    echo "check_install: $*" >&2
    exit 1
}

prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/ringlatch share/applications/ringlatch.desktop \
    share/icons/hicolor/scalable/apps/ringlatch.svg \
    share/doc/ringlatch/LiberationSans-OFL.txt share/doc/ringlatch/copyright \
    share/doc/ringlatch/changelog.gz share/man/man1/ringlatch.1.gz; do
    [ -f "$prefix/$f" ] || fail "missing $f"
done
for size in 16 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/ringlatch.png
    [ -f "$png" ] || fail "missing $png"
    file -b "$png" | grep -q "PNG image data, $size x $size," || fail "$png is not ${size}x$size"
done
[ -x "$prefix/bin/ringlatch" ] || fail "bin/ringlatch is not executable"
# The window is a module of the program's own, under the library folder.
window_module=$(find "$prefix" -name ringlatch-window.so)
case "$window_module" in
"$prefix"/lib/ringlatch/ringlatch-window.so | "$prefix"/lib/*-linux-gnu/ringlatch/ringlatch-window.so) ;;
*) fail "the window module is not in a ringlatch folder under lib: '$window_module'" ;;
esac
# The manual page is the program's: it names every option.
man=$(gzip -dc "$prefix/share/man/man1/ringlatch.1.gz" | sed "s/\\\\-/-/g")
for option in port list-ports store read-out listen help version dialout; do
    echo "$man" | grep -q -- "$option" || fail "the manual page does not mention $option"
done

entry=$prefix/share/applications/ringlatch.desktop
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the entry"
for key in Name Comment Icon Exec Categories; do
    grep -q "^$key=" "$entry" || fail "the entry has no $key"
done
grep -qx "Icon=ringlatch" "$entry" || fail "the entry's icon is not ringlatch"

# The Exec line names the installed program; it must start and keep running
# (on the offscreen platform; with no COM1 here it waits behind its error box).
exec_line=$(sed -n 's/^Exec=//p' "$entry")
program=${exec_line%% *}
[ -x "$prefix/bin/$program" ] || fail "Exec=$exec_line is not an installed program"
status=0
QT_QPA_PLATFORM=offscreen timeout 3 "$prefix/bin/$program" >"$tmp/run.log" 2>&1 || status=$?
[ "$status" -eq 124 ] || { cat "$tmp/run.log" >&2; fail "$program ended with $status instead of running"; }

# The Debian package.
(cd "$tmp" && cpack --config "$build/CPackConfig.cmake" -B "$tmp/deb" >/dev/null) ||
    fail "cpack failed"
deb=$(ls "$tmp"/deb/ringlatch_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6svg6 qt6-qpa-plugins; do
    echo "$depends" | grep -q "$lib" || fail "the package does not depend on $lib: $depends"
done
dpkg-deb -c "$deb" | awk '{print $6}' >"$tmp/contents"
for f in ./usr/bin/ringlatch ./usr/share/applications/ringlatch.desktop \
    ./usr/share/icons/hicolor/16x16/apps/ringlatch.png \
    ./usr/share/icons/hicolor/32x32/apps/ringlatch.png \
    ./usr/share/icons/hicolor/scalable/apps/ringlatch.svg \
    ./usr/share/man/man1/ringlatch.1.gz ./usr/share/doc/ringlatch/copyright \
    ./usr/share/doc/ringlatch/changelog.gz; do
    grep -qx "$f" "$tmp/contents" || fail "the package lacks $f"
done
grep -Eqx '\./usr/lib/([^/]*-linux-gnu/)?ringlatch/ringlatch-window\.so' "$tmp/contents" ||
    fail "the package lacks the window module"

# The package as Debian expects it: no lintian errors or warnings.
command -v lintian >/dev/null || fail "lintian is not installed (scripts/test installs it)"
status=0
lintian --fail-on error,warning "$deb" >"$tmp/lintian.log" 2>&1 || status=$?
grep -v "running with root privileges" "$tmp/lintian.log" >&2 || true
[ "$status" -eq 0 ] || fail "lintian reports errors or warnings (exit $status)"
echo "check_install: installed tree, desktop entry and package are as expected"

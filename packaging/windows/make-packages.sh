#!/usr/bin/env bash
# Assembles the Windows program folder from the cross-built Ringlatch_1.exe and
# its window module, and writes the zip and the installer beside it.
#   make-packages.sh EXE WINDOW_DLL QT_PREFIX QT_SOURCES SOURCE_DIR OUT_DIR VERSION
# The folder holds only what the program loads: the Qt libraries it and its
# window module link, the windows platform plugin, the style plugin it uses,
# and the MinGW run time, all stripped. Nothing else of Qt is needed: the window icon is read as PNG
# (built into Qt Gui), the banner is drawn by Qt SVG directly and the boxes'
# icons come from Windows, so no image-format or icon-engine plugin is loaded.
set -euo pipefail

exe=$1 window_dll=$2 qt=$3 qt_sources=$4 src=$5 out=$6 version=$7
mingw=x86_64-w64-mingw32
name=Ringlatch_1-$version-win64
folder=$out/Ringlatch_1

rm -rf "$folder" "$out/$name.zip" "$out/Ringlatch_1-$version-setup.exe"
mkdir -p "$folder/platforms" "$folder/styles" "$folder/licenses"

cp "$exe" "$folder/Ringlatch_1.exe"
# The program loads its window from beside itself.
cp "$window_dll" "$folder/"
for lib in Core Gui Widgets SerialPort Svg; do
    cp "$qt/bin/Qt6$lib.dll" "$folder/"
done
cp "$qt/plugins/platforms/qwindows.dll" "$folder/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$folder/styles/"
for runtime in libstdc++-6.dll libgcc_s_seh-1.dll; do
    cp "$("$mingw-g++-posix" -print-file-name="$runtime")" "$folder/"
done
cp "/usr/$mingw/lib/libwinpthread-1.dll" "$folder/"
find "$folder" -name '*.dll' -o -name '*.exe' | xargs "$mingw-strip" --strip-unneeded

# Licences of what the folder carries besides the program: the built-in font,
# Qt (LGPL 3) and the GCC run time (GPL 3 with the run-time library exception).
cp "$src/resources/fonts/OFL.txt" "$folder/licenses/LiberationSans-OFL.txt"
qt_tarball=$(echo "$qt_sources"/qtbase-everywhere-src-*.tar.xz)
tar -xOf "$qt_tarball" --wildcards '*/LICENSES/LGPL-3.0-only.txt' >"$folder/licenses/Qt-LGPL-3.0.txt"
tar -xOf "$qt_tarball" --wildcards '*/LICENSES/GPL-3.0-only.txt' >"$folder/licenses/GPL-3.0.txt"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$folder/licenses/GCC-runtime-copyright.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$folder/licenses/MinGW-w64-copyright.txt"

# Files are stored with a fixed time, so the same build gives the same zip.
find "$folder" -exec touch -h -d '2000-01-01 00:00:00 UTC' {} +
(cd "$out" && rm -f "$name.zip" && TZ=UTC zip -q -X -r -9 "$name.zip" Ringlatch_1)

# The uninstaller removes exactly the files above, then their folders.
files_nsh=$out/uninstall-files.nsh
(
    cd "$folder"
    find . -type f | sort | sed 's|^\./||; s|/|\\|g; s|^|    Delete "$INSTDIR\\|; s|$|"|'
    find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|^|    RMDir "$INSTDIR\\|; s|$|"|'
) >"$files_nsh"
size_kb=$(du -sk "$folder" | cut -f1)
makensis -V2 -NOCD -DVERSION="$version" -DPROGRAM_DIR="$folder" -DICON="$src/resources/ringlatch.ico" \
    -DSIZE_KB="$size_kb" -DFILES_NSH="$files_nsh" -DOUTFILE="$out/Ringlatch_1-$version-setup.exe" \
    "$src/packaging/windows/ringlatch.nsi"

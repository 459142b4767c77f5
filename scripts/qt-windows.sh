# Qt 6.4.2 for Windows, cross-built with MinGW-w64 from the sources beside the
# project and kept in a cache outside the source tree. Sourced by
# scripts/windows and scripts/test.
# shellcheck shell=bash

# What cross-building, packaging and running the Windows program needs.
WINDOWS_PACKAGES=(cmake ninja-build qt6-base-dev qt6-serialport-dev qt6-svg-dev libgl-dev
                  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
                  binutils-mingw-w64-x86-64 nsis zip unzip python3 python3-pefile
                  wine wine64 xvfb xauth xdotool x11-utils imagemagick)

QT_SOURCES=${RINGLATCH_QT_SOURCES:-$ROOT/../shared/third_party/qt-6.4.2}
QT_CACHE=${RINGLATCH_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ringlatch}
QT_TOOLCHAIN=$ROOT/cmake/mingw-w64-x86_64.cmake

# A minimal Qt: release, shared, Core/Gui/Widgets/Test, the windows platform
# plugin, bundled third-party libraries. Tablet input is off because the
# tarball lacks src/3rdparty/wintab; Direct2D and DirectWrite 3 are off
# together because qwindows.dll does not link with only the first off (the
# program uses Qt's GDI font engine either way).
QT_BASE_OPTIONS=(
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_dbus=OFF -DFEATURE_sql=OFF
    -DFEATURE_network=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF
    -DFEATURE_xml=OFF -DFEATURE_jpeg=OFF -DFEATURE_tabletevent=OFF
    -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF
)

# The cache key: the sources' checksums, the options and the toolchain, so
# any change to how Qt is built gives a new install.
qt_windows_key() {
    {
        cat "$QT_SOURCES/SHA256SUMS"
        printf '%s\n' "${QT_BASE_OPTIONS[@]}"
        cat "$QT_TOOLCHAIN"
    } | sha256sum | cut -c1-16
}

QT_WINDOWS_PREFIX=$QT_CACHE/qt-6.4.2-mingw64-$(qt_windows_key)

# Qt's own cross-building CMake. The toolchain it chains to is named each time:
# the one recorded in the install may be in a clone that is gone.
qt_cmake() {
    "$QT_WINDOWS_PREFIX/bin/qt-cmake" -DQT_CHAINLOAD_TOOLCHAIN_FILE="$QT_TOOLCHAIN" "$@"
}

# Runs a CMake configure step with its output in a log, shown when it fails.
#   configure_logged LOG COMMAND…
configure_logged() {
    local log=$1
    shift
    "$@" >"$log" 2>&1 || {
        tail -40 "$log" >&2
        return 1
    }
}

# Runs ninja in a build folder and prints its progress every ten per cent.
qt_ninja() {
    local label=$1 dir=$2
    shift 2
    ninja -C "$dir" "$@" | awk -v label="$label" '
        match($0, /^\[[0-9]+\/[0-9]+\]/) {
            split(substr($0, 2, RLENGTH - 2), n, "/")
            pct = int(100 * n[1] / n[2])
            if (pct >= next_pct) { printf "%s: %d%% (%d of %d)\n", label, pct, n[1], n[2]; fflush(); next_pct = pct - pct % 10 + 10 }
            next
        }
        /^FAILED:| error: / { print; fflush() }'
    return "${PIPESTATUS[0]}"
}

# Builds qtbase, Qt Serial Port and Qt SVG into QT_WINDOWS_PREFIX unless the
# cache already has them; the build trees are deleted once installed.
ensure_qt_windows() {
    if [ -f "$QT_WINDOWS_PREFIX/.complete" ]; then
        echo "Qt for Windows: cached in $QT_WINDOWS_PREFIX" >&2
        return 0
    fi
    (cd "$QT_SOURCES" && sha256sum --quiet -c SHA256SUMS) || {
        echo "Qt sources in $QT_SOURCES do not match SHA256SUMS" >&2
        return 1
    }
    echo "Qt for Windows: building into $QT_WINDOWS_PREFIX (about 10 minutes on 2 cores)" >&2
    local started=$SECONDS
    local work=$QT_WINDOWS_PREFIX.build
    rm -rf "$work" "$QT_WINDOWS_PREFIX"
    mkdir -p "$work"
    local module
    for module in qtbase qtserialport qtsvg; do
        tar -C "$work" -xf "$QT_SOURCES"/$module-everywhere-src-6.4.2*.tar.xz
    done
    configure_logged "$work/qtbase-configure.log" \
        cmake -S "$work"/qtbase-everywhere-src-6.4.2 -B "$work/qtbase-build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$QT_TOOLCHAIN" -DCMAKE_INSTALL_PREFIX="$QT_WINDOWS_PREFIX" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        "${QT_BASE_OPTIONS[@]}" || return 1
    qt_ninja "Qt for Windows: qtbase" "$work/qtbase-build"
    cmake --install "$work/qtbase-build" >/dev/null
    for module in qtserialport qtsvg; do
        configure_logged "$work/$module-configure.log" \
            qt_cmake -S "$work/$module-everywhere-src-6.4.2" -B "$work/$module-build" -G Ninja ||
            return 1
        qt_ninja "Qt for Windows: $module" "$work/$module-build"
        cmake --install "$work/$module-build" >/dev/null
    done
    rm -rf "$work"
    touch "$QT_WINDOWS_PREFIX/.complete"
    echo "Qt for Windows: built in $((SECONDS - started)) s" >&2
}

# The test rig's Qt Serial Port (tests/windows/qtserialport-wine.patch): built
# against the install above from the same sources with the patch applied,
# cached beside it under its own key, never installed into Qt and never
# shipped. Prints the folder that holds its Qt6SerialPort.dll.
ensure_qt_windows_rig_serialport() {
    local patch=$ROOT/tests/windows/qtserialport-wine.patch
    local key
    key=$( (echo "$QT_WINDOWS_PREFIX"; cat "$patch") | sha256sum | cut -c1-16)
    local out=$QT_CACHE/qtserialport-wine-$key
    if [ ! -f "$out/Qt6SerialPort.dll" ]; then
        local work=$out.build
        rm -rf "$work"
        mkdir -p "$work/src"
        tar -C "$work/src" --strip-components=1 \
            -xf "$QT_SOURCES"/qtserialport-everywhere-src-6.4.2.tar.xz
        # Called as $(…), where a failing step does not end the script: each
        # step says so itself.
        patch -d "$work/src" -p1 --quiet <"$patch" &&
            configure_logged "$work/configure.log" \
                qt_cmake -S "$work/src" -B "$work/build" -G Ninja &&
            qt_ninja "Qt Serial Port for the Wine rig" "$work/build" SerialPort >&2 &&
            mkdir -p "$out" &&
            cp "$work/build/bin/Qt6SerialPort.dll" "$out/" || return 1
        rm -rf "$work"
    fi
    echo "$out"
}

# Cross-builds the project into build-windows with warnings as errors (and any
# further CMake arguments given), and makes the program folder, the zip and the
# installer there.
build_windows() {
    qt_cmake -S "$ROOT" -B "$ROOT/build-windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DRINGLATCH_WERROR=ON -DBUILD_TESTING=ON -DRINGLATCH_QT_SOURCES="$QT_SOURCES" "$@" >/dev/null
    cmake --build "$ROOT/build-windows" --parallel "$(nproc)"
    cmake --build "$ROOT/build-windows" --target windows_packages
}

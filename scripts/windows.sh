#!/usr/bin/env bash
# Builds the Windows zip and tests it under Wine, on Debian 12 or 13:
#   1. installs the MinGW-w64 compilers and the build's tools (setup.sh windows)
#   2. builds Qt for Windows from this release's qt6-base source, once: the
#      result is kept in ~/.cache/rallon/ (RALLON_CACHE), keyed by Qt's
#      version, the options below and the toolchain file
#   3. builds Qt's serial port module from third_party/ into the same prefix
#   4. cross-builds this project (cmake/windows-x64.cmake) into build-windows/
#   5. packs build-windows/rallon-config-VERSION-windows-x64.zip
#   6. runs the Windows tests under Wine (tests/wine/run.sh): here when this
#      release's Wine is 10 or later, else in a fresh Debian 13 root
#      (scripts/fresh-root.sh trixie --wine)
# Ends with one line, `Total: N passed, N failed`. RALLON_WINE=0 skips step 6.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2
repo=$PWD
cache=${RALLON_CACHE:-$HOME/.cache/rallon}
build=$repo/build-windows
jobs=$(nproc)
started=$SECONDS

passed=0
failed=0
step() {
    local name=$1
    shift
    echo
    echo "== $name"
    if "$@"; then
        echo "-- $name: passed"
        passed=$((passed + 1))
    else
        echo "-- $name: FAILED"
        failed=$((failed + 1))
        return 1
    fi
}
finish() {
    echo
    echo "windows.sh: $(((SECONDS - started) / 60)) min $(((SECONDS - started) % 60)) s"
    echo "Total: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit
}

host_qt=$(dpkg-query -W -f='${source:Version}' libqt6core6 2>/dev/null)
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")

# Qt for Windows: what it is built from and with. Any change here, in the
# toolchain file or in Qt's version makes a new cache entry.
qt_options=(
    -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DFEATURE_pkg_config=OFF
    # Core, Gui, Widgets and Test only.
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_vulkan=OFF
    # The offscreen platform (the tests) draws text through FreeType.
    -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF -DFEATURE_fontconfig=OFF
    # Bundled libraries: none from the build machine goes into a Windows DLL.
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
    -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_zstd=OFF
    # Debian's source has no 3rdparty/wintab.
    -DFEATURE_tabletevent=OFF
)
qt_key() {
    printf '%s\n' "$host_qt" "${qt_options[@]}" | cat - cmake/windows-x64.cmake | sha256sum | cut -c 1-12
}
qt_version=${host_qt%%+*}
qt_prefix=$cache/qt-$qt_version-windows-x64-$(qt_key)

install_tools() {
    bash scripts/setup.sh build windows
}

# This release's qt6-base source (the version of the Qt installed here, whose
# tools the cross-build uses), fetched through an apt configuration of its
# own: the system's sources are not touched.
qt_source() {
    local apt=$1/apt
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts"
    echo "deb-src http://deb.debian.org/debian $codename main" >"$apt/sources.list"
    local options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts"
                   -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache")
    apt-get "${options[@]}" update -qq &&
        (cd "$1" && apt-get "${options[@]}" source -qq "qt6-base=$host_qt" >/dev/null) &&
        ls -d "$1"/qt6-base-*/ >/dev/null
}

build_qt() {
    if [ -f "$qt_prefix/lib/cmake/Qt6/Qt6Config.cmake" ]; then
        echo "Qt $qt_version for Windows: $qt_prefix (cached)"
        return 0
    fi
    mkdir -p "$cache"
    local work
    work=$(mktemp -d "$cache/qt-build.XXXXXX") || return 1
    # shellcheck disable=SC2064  # the folder is known now
    trap "rm -rf '$work'" RETURN
    echo "Building Qt $qt_version for Windows into $qt_prefix (about 20 minutes on 2 cores)"
    qt_source "$work" || return 1
    cmake -S "$work"/qt6-base-*/ -B "$work/build" "${qt_options[@]}" \
        -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/windows-x64.cmake" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_INSTALL_PREFIX="$qt_prefix.part" >"$work/configure.log" 2>&1 \
        || { tail -n 40 "$work/configure.log"; return 1; }
    cmake --build "$work/build" --parallel "$jobs" >"$work/build.log" 2>&1 \
        || { grep -B 5 -A 20 -m 3 -E 'error|FAILED' "$work/build.log"; return 1; }
    rm -rf "$qt_prefix.part"
    cmake --install "$work/build" >/dev/null && mv "$qt_prefix.part" "$qt_prefix"
}

step "the MinGW-w64 compilers and the build's tools" install_tools || finish
step "Qt $qt_version for Windows" build_qt || finish
finish

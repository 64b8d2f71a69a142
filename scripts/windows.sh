#!/usr/bin/env bash
# Builds the Windows zip and tests it under Wine, on Debian 12 or 13:
#   1. installs the MinGW-w64 compilers and the build's tools (setup.sh windows)
#   2. builds Qt for Windows from this release's qt6-base source, once: the
#      result is kept in ~/.cache/rallon/ (RALLON_CACHE), keyed by Qt's
#      version, the options below and the toolchain file
#   3. builds Qt's serial port module from third_party/ into the same prefix,
#      and libpq (PostgreSQL's client library) from this release's source,
#      once, kept in ~/.cache/rallon/ as Qt is
#   4. draws the programs' icon with rallon-icon built for this machine
#   5. cross-builds this project (cmake/windows-x64.cmake) into build-windows/
#   6. packs build-windows/rallon-config-VERSION-windows-x64.zip, checks the
#      icon and version resources of its programs, and makes the installer
#      of the same files beside it, rallon-config-VERSION-windows-x64.msi
#      (packaging/windows/rallon-config.wxs, with wixl)
#   7. runs the Windows tests under Wine (tests/wine/run.sh): here when this
#      release's Wine is 10 or later, else in a fresh Debian 13 root
#      (scripts/fresh-root.sh trixie --wine), the installer's steps with them
# Ends with one line, `Total: N passed, N failed`. RALLON_WINE=0 skips step 7.
# shellcheck disable=SC2317  # the steps are functions run through step
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2
repo=$PWD
cache=${RALLON_CACHE:-$HOME/.cache/rallon}
build=$repo/build-windows
jobs=$(nproc)
steps_name=windows.sh
# shellcheck source=steps.sh source-path=SCRIPTDIR
. scripts/steps.sh || exit 2
# shellcheck source=apt-sources.sh source-path=SCRIPTDIR
. scripts/apt-sources.sh || exit 2

# shellcheck source=/dev/null
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
sp_prefix=$build/qtserialport

# libpq for Windows: the client library alone, from the PostgreSQL source
# libpq-dev is built from, with no optional library (no TLS: Debian has no
# OpenSSL for MinGW-w64). Any change here makes a new cache entry.
pq_cc=x86_64-w64-mingw32-gcc-posix
pq_options=(--host=x86_64-w64-mingw32 --without-readline --without-zlib --without-icu --without-openssl
            --without-gssapi --without-ldap --disable-nls --disable-rpath)
pq_key() {
    printf '%s\n' "$host_pq" "$pq_cc" "${pq_options[@]}" | sha256sum | cut -c 1-12
}

# The tools, then what depends on them: the Qt installed here (its source
# version, e.g. 6.4.2+dfsg-21, names the Qt built for Windows), the options
# every Windows build of a Qt module or of this project takes, and where the
# DLLs the programs import are found.
install_tools() {
    bash scripts/setup.sh build windows || return 1
    host_qt=$(dpkg-query -W -f='${source:Version}' qt6-base-dev 2>/dev/null)
    [ -n "$host_qt" ] || { echo "qt6-base-dev is not installed"; return 1; }
    qt_version=${host_qt%%+*}
    qt_prefix=$cache/qt-$qt_version-windows-x64-$(qt_key)
    read -r pq_package host_pq < <(dpkg-query -W -f='${source:Package} ${source:Version}' libpq-dev 2>/dev/null)
    [ -n "$host_pq" ] || { echo "libpq-dev is not installed"; return 1; }
    pq_version=${host_pq%%-*}
    pq_prefix=$cache/libpq-$pq_version-windows-x64-$(pq_key)
    cross=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/windows-x64.cmake"
           -DCMAKE_PREFIX_PATH="$qt_prefix;$sp_prefix;$pq_prefix"
           -DCMAKE_FIND_ROOT_PATH="$qt_prefix;$sp_prefix;$pq_prefix"
           -DQT_ADDITIONAL_PACKAGES_PREFIX_PATH="$sp_prefix"
           -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
    dll_dirs=("$qt_prefix/bin" "$sp_prefix/bin" "$pq_prefix/bin"
              "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
              /usr/x86_64-w64-mingw32/lib)
}

# debian_source DIR PACKAGE VERSION: the source package unpacked in DIR,
# fetched through an apt configuration of its own from the Debian mirror of
# the system's sources, which are not touched: the release, its updates and
# (beside a mirror named .../debian) its security updates, where an
# installed libpq often comes from. An archive that cannot be read matters
# only when the source is not found elsewhere: then apt's errors are shown.
debian_source() {
    local apt=$1/apt mirror
    mirror=$(debian_mirror /etc/apt) || return 1
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts"
    {
        echo "deb-src $mirror $codename main"
        echo "deb-src $mirror $codename-updates main"
        case "$mirror" in */debian) echo "deb-src $mirror-security $codename-security main" ;; esac
    } >"$apt/sources.list"
    local options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts"
                   -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache"
                   -o "APT::Sandbox::User=root")  # _apt cannot reach the cache
    apt-get "${options[@]}" update -qq 2>"$apt/update.log"
    if ! (cd "$1" && apt-get "${options[@]}" source -qq "$2=$3" >/dev/null) || ! ls -d "$1/$2"-*/ >/dev/null; then
        cat "$apt/update.log"
        return 1
    fi
}

# This release's qt6-base source: the version of the Qt installed here, whose
# tools the cross-build uses.
qt_source() {
    debian_source "$1" qt6-base "$host_qt"
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
    trap "rm -rf '$work'; trap - RETURN" RETURN
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

# libpq.dll, its import library and headers, and PostgreSQL's licence, from
# the source of the libpq installed here: only what libpq is made of is built
# (src/interfaces/libpq with the parts of src/port and src/common it links;
# 3 to 5 minutes on 2 cores, configure included).
build_libpq() {
    if [ -f "$pq_prefix/bin/libpq.dll" ]; then
        echo "libpq $pq_version for Windows: $pq_prefix (cached)"
        return 0
    fi
    mkdir -p "$cache"
    local work source
    work=$(mktemp -d "$cache/libpq-build.XXXXXX") || return 1
    # shellcheck disable=SC2064  # the folder is known now
    trap "rm -rf '$work'; trap - RETURN" RETURN
    echo "Building libpq $pq_version for Windows into $pq_prefix"
    debian_source "$work" "$pq_package" "$host_pq" || return 1
    source=$(ls -d "$work/$pq_package"-*/)
    rm -rf "$pq_prefix.part"
    (cd "$source" && ./configure "${pq_options[@]}" CC="$pq_cc" --prefix="$pq_prefix.part") \
        >"$work/configure.log" 2>&1 || { tail -n 40 "$work/configure.log"; return 1; }
    { make -C "$source/src/interfaces/libpq" -j "$jobs" &&
        make -C "$source/src/interfaces/libpq" install &&
        make -C "$source/src/include" install; } >"$work/build.log" 2>&1 \
        || { grep -B 5 -A 20 -m 3 -E 'error|Error' "$work/build.log" || tail -n 40 "$work/build.log"; return 1; }
    # The server's headers are not a client's; lib/ keeps the import library.
    find "$pq_prefix.part/include" -type d -name server -prune -exec rm -rf {} + &&
        rm -f "$pq_prefix.part/lib/libpq.dll" &&
        mkdir -p "$pq_prefix.part/licences/libpq" &&
        cp "$source/COPYRIGHT" "$pq_prefix.part/licences/libpq/" &&
        mv "$pq_prefix.part" "$pq_prefix" &&
        ls "$pq_prefix"/bin/libpq.dll "$pq_prefix"/lib/libpq.* "$pq_prefix"/include/libpq-fe.h
}

# Qt's licence texts and those of the libraries built into it, kept with the
# cached Qt (a Qt cached before they were kept gets them from its source).
qt_licences() {
    [ -d "$qt_prefix/licences" ] && return 0
    local work
    work=$(mktemp -d "$cache/qt-licences.XXXXXX") || return 1
    # shellcheck disable=SC2064
    trap "rm -rf '$work'; trap - RETURN" RETURN
    qt_source "$work" || return 1
    local source library
    source=$(ls -d "$work"/qt6-base-*/)
    mkdir -p "$work/licences/qtbase"
    cp "$source"/LICENSES/*.txt "$work/licences/qtbase/" || return 1
    # The bundled libraries built into Core, Gui and Widgets: each one's
    # attribution (name, version, licence) and licence files.
    for library in blake2 double-conversion easing freetype harfbuzz-ng icc libpng md4c md5 \
                   pcre2 rfc6234 sha1 sha3 tinycbor zlib; do
        mkdir -p "$work/licences/$library" &&
            cp "$source/src/3rdparty/$library/qt_attribution.json" "$work/licences/$library/" || return 1
        find "$source/src/3rdparty/$library" -maxdepth 2 -type f \
            \( -iname '*LICEN[CS]E*' -o -iname 'COPYING*' \) -exec cp {} "$work/licences/$library/" \;
    done
    mv "$work/licences" "$qt_prefix/licences"
}

# cmake_build SOURCE BUILD LOG OPTIONS...: configures and builds, the log's
# end shown on failure.
cmake_build() {
    local source=$1 dir=$2 log=$3
    shift 3
    { cmake -S "$source" -B "$dir" "${cross[@]}" "$@" && cmake --build "$dir" --parallel "$jobs"; } >"$log" 2>&1 \
        || { grep -E -m 20 -A 5 'error|Error|FAILED' "$log" || tail -n 40 "$log"; return 1; }
    grep -E 'warning:' "$log" | sort -u | head -n 20
    return 0
}

build_serialport() {
    mkdir -p "$build" || return 1
    cmake_build third_party/qtserialport "$build/qtserialport-build" "$build/qtserialport.log" \
        -DCMAKE_INSTALL_PREFIX="$sp_prefix" &&
        cmake --install "$build/qtserialport-build" >/dev/null
}

# The icon the programs carry (packaging/CMakeLists.txt): a cross-build
# cannot run the drawing program it builds, so one built for this machine,
# with its Qt, draws it.
icon=$build/rallon-config.ico
draw_icon() {
    mkdir -p "$build" || return 1
    { cmake -S . -B "$build/host" -G Ninja -DCMAKE_BUILD_TYPE=Release &&
        cmake --build "$build/host" --target rallon-icon; } >"$build/host.log" 2>&1 \
        || { tail -n 40 "$build/host.log"; return 1; }
    QT_QPA_PLATFORM=offscreen "$build/host/packaging/rallon-icon" "$icon" && echo "$icon: $(stat -c %s "$icon") octets"
}

build_project() {
    cmake_build . "$build/project" "$build/project.log" \
        -Dnlohmann_json_DIR=/usr/share/cmake/nlohmann_json -DRALLON_WINDOWS_ICON="$icon"
}

# The DLLs FILE imports that are not Windows' own, found among Qt's, the
# serial port module's and the MinGW runtime's (dll_dirs), and theirs in
# turn.
dlls_of() {
    local queue=("$@") seen=" " file name found dir
    while [ ${#queue[@]} -gt 0 ]; do
        file=${queue[0]}
        queue=("${queue[@]:1}")
        while read -r name; do
            case "$seen" in *" ${name,,} "*) continue ;; esac
            seen+="${name,,} "
            found=
            for dir in "${dll_dirs[@]}"; do
                found=$(find "$dir" -maxdepth 1 -iname "$name" -print -quit 2>/dev/null)
                [ -n "$found" ] && break
            done
            [ -n "$found" ] || continue  # Windows' own
            echo "$found"
            queue+=("$found")
        done < <(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p')
    done
}

# deploy DIR PLUGIN...: the DLLs that DIR's programs and the plugins named
# (as under Qt's plugins/) need, and the fonts, copied into DIR.
fonts=(DejaVuSans.ttf DejaVuSans-Bold.ttf DejaVuSansMono.ttf DejaVuSansMono-Bold.ttf)
deploy() {
    local dir=$1 plugin font
    shift
    for plugin in "$@"; do
        mkdir -p "$dir/$(dirname "$plugin")" &&
            cp "$qt_prefix/plugins/$plugin" "$dir/$plugin" || return 1
    done
    mkdir -p "$dir/fonts"
    for font in "${fonts[@]}"; do
        cp "/usr/share/fonts/truetype/dejavu/$font" "$dir/fonts/" || return 1
    done
    dlls_of "$dir"/*.exe "${@/#/$dir/}" | sort -u | xargs -r cp -t "$dir"
}

version=$(sed -n 's/^project(rallon-config VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip_name=rallon-config-$version-windows-x64

# The tests run from the build's bin folder, with everything beside them.
# Windows' own look: qmodernwindowsstyle from Qt 6.7 on, qwindowsvistastyle
# before (deploy names the one missing when there is neither).
style_plugin() {
    local name
    for name in qmodernwindowsstyle qwindowsvistastyle; do
        [ -f "$qt_prefix/plugins/styles/$name.dll" ] && break
    done
    echo "styles/$name.dll"
}

# PqSelectOne.exe, the Wine tests' check of libpq.dll against a server, is
# built there with the cached libpq.
prepare_tests() {
    "$pq_cc" -O2 -Wall -Wextra -Werror -I"$pq_prefix/include" -o "$build/project/bin/PqSelectOne.exe" \
        tests/wine/PqSelectOne.c -L"$pq_prefix/lib" -lpq &&
        deploy "$build/project/bin" platforms/qwindows.dll platforms/qoffscreen.dll "$(style_plugin)"
}

# The zip: the three programs, what they need, libpq, the fonts, the
# licences, the README and the manual pages as text.
pack_zip() {
    local stage=$build/zip/$zip_name page
    rm -rf "$build/zip" "$build/$zip_name.zip"
    mkdir -p "$stage/licences" "$stage/manual" || return 1
    # libpq.dll (PostgreSQL's client library) ships with the programs, with
    # what it imports.
    cp "$build"/project/bin/rallon-{config,cli,sim}.exe "$pq_prefix/bin/libpq.dll" "$stage/" &&
        deploy "$stage" platforms/qwindows.dll "$(style_plugin)" &&
        { dlls_of "$stage/libpq.dll" | xargs -r cp -n -t "$stage"; } &&
        x86_64-w64-mingw32-strip --strip-unneeded "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll || return 1
    cp LICENSE README.md "$stage/" &&
        cp -r "$qt_prefix/licences/." "$pq_prefix/licences/." "$stage/licences/" &&
        mkdir -p "$stage/licences/qtserialport" &&
        cp third_party/qtserialport/LICENSES/*.txt "$stage/licences/qtserialport/" &&
        cp /usr/share/doc/fonts-dejavu-core/copyright "$stage/licences/dejavu-fonts.txt" &&
        cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licences/gcc-runtime.txt" &&
        cp /usr/share/doc/mingw-w64-common/copyright "$stage/licences/mingw-w64.txt" || return 1
    for page in rallon-config rallon-cli rallon-sim; do
        sed "s/@PROJECT_VERSION@/$version/g" "packaging/man/$page.1" |
            groff -man -Tutf8 -P-cbou >"$stage/manual/$page.txt" || return 1
    done
    # Same input, same zip: fixed times, sorted names, no extra attributes.
    find "$stage" -exec touch -h -d "@$(git log -1 --format=%ct)" {} +
    (cd "$build/zip" && find "$zip_name" | LC_ALL=C sort | zip -q -X -D "$build/$zip_name.zip" -@) &&
        unzip -l "$build/$zip_name.zip" | tail -n 1
}

# Each program of the zip holds the icon (an icon group, resource type 14)
# and a version (type 16) whose FileVersion and ProductName are the
# project's.
check_resources() {
    local exe types file_version product
    for exe in "$build/zip/$zip_name"/rallon-{config,cli,sim}.exe; do
        types=$(x86_64-w64-mingw32-objdump -p "$exe" |
            sed -nE 's/^[0-9a-f]+   Entry: ID: 0x0000(0e|10),.*/\1/p' | sort | tr '\n' ' ')
        file_version=$(strings -a -el "$exe" | grep -A 1 -x FileVersion | tail -n 1)
        product=$(strings -a -el "$exe" | grep -A 1 -x ProductName | tail -n 1)
        echo "$(basename "$exe"): resource types ${types:-none}; FileVersion $file_version; ProductName $product"
        [ "$types" = "0e 10 " ] && [ "$file_version" = "$version" ] &&
            [ "$product" = "Tarvex Power Rallon Configuration Utility" ] || return 1
    done
}

# make_msi VERSION FILE: the installer of the zip's folder as VERSION, its
# product code drawn from VERSION (each version its own, the same each
# time); its File table holds every file of the folder.
make_msi() {
    local msi_version=$1 out=$2 code files
    code=$(printf 'rallon-config %s windows-x64' "$msi_version" | sha256sum |
        sed -E 's/^(.{8})(.{4})(.{4})(.{4})(.{12}).*/\1-\2-\3-\4-\5/' | tr a-f A-F)
    mkdir -p "$(dirname "$out")" && cp "$icon" "$build/zip/rallon-config.ico" || return 1
    # wixl takes the files by paths relative to the folder it runs in.
    (cd "$build/zip" &&
        find "$zip_name" -type f | LC_ALL=C sort |
        wixl-heat -p "$zip_name/" --var var.Stage --component-group Programs --directory-ref INSTALLDIR --win64 \
            >files.wxs &&
        wixl -a x64 -D Version="$msi_version" -D ProductCode="$code" -D Stage="$zip_name" -D Win64=yes \
            -D Icon=rallon-config.ico -o "$out" "$repo/packaging/windows/rallon-config.wxs" files.wxs) || return 1
    files=$(msiinfo export "$out" File | tail -n +4 | wc -l)
    echo "$(basename "$out"): $(msiinfo export "$out" Property | grep -E '^ProductVersion' | tr '\t' ' '), $files files"
    [ "$files" -eq "$(find "$build/zip/$zip_name" -type f | wc -l)" ]
}

# The installer beside the zip, and for the upgrade test under Wine one of
# the same files as an earlier version.
msi=$build/$zip_name.msi
older_msi=$build/upgrade-test/rallon-config-0.0.1-windows-x64.msi
make_installers() {
    make_msi "$version" "$msi" && make_msi 0.0.1 "$older_msi"
}

# Wine 10 or later runs the serial line (with the test bench's modem-line
# library); Debian 12's Wine 8 cannot, so there a fresh Debian 13 root does.
wine_tests() {
    local bin=$build/project/bin wine_major
    wine_major=$(apt-cache policy wine 2>/dev/null | sed -nE 's/^ *Candidate: ([0-9]+:)?([0-9]+)\..*/\2/p')
    if [ "${wine_major:-0}" -ge 10 ]; then
        bash tests/wine/run.sh "$bin" "$msi" "$older_msi"
    else
        bash scripts/fresh-root.sh trixie --wine "$bin" "$msi" "$older_msi"
    fi
}

step "the MinGW-w64 compilers and the build's tools" install_tools || finish
step "Qt $qt_version for Windows" build_qt || finish
step "Qt's licence texts" qt_licences || finish
step "Qt Serial Port (third_party/qtserialport)" build_serialport || finish
step "libpq $pq_version for Windows" build_libpq || finish
step "the programs' icon, drawn by rallon-icon built for this machine" draw_icon || finish
step "rallon-config, rallon-cli, rallon-sim and the tests for Windows" build_project || finish
step "the tests' folder: DLLs, plugins and fonts" prepare_tests || finish
step "$zip_name.zip" pack_zip || finish
step "the icon and version resources of the zip's programs" check_resources || finish
step "$zip_name.msi, and an earlier version's for the upgrade test" make_installers || finish
echo "Zip: $build/$zip_name.zip"
echo "Installer: $msi"
[ "${RALLON_WINE:-1}" = 0 ] && finish

# The Wine tests' own Total line counts into this script's.
echo
echo "== the Windows tests under Wine"
wine_tests 2>&1 | tee "$build/wine.log"
wine_status=${PIPESTATUS[0]}
wine_total=$(sed -nE 's/^Total: ([0-9]+) passed, ([0-9]+) failed$/\1 \2/p' "$build/wine.log" | tail -n 1)
if [ -z "$wine_total" ]; then
    failed=$((failed + 1))
else
    read -r wine_passed wine_failed <<<"$wine_total"
    passed=$((passed + wine_passed))
    failed=$((failed + wine_failed))
    [ "$wine_status" -eq 0 ] || [ "$wine_failed" -gt 0 ] || failed=$((failed + 1))
fi
finish

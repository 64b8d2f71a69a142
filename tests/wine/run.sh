#!/usr/bin/env bash
# Runs the Windows build under Wine 10 or later on Debian 13: every
# test_*.exe of BINDIR on the offscreen platform, then rallon-cli.exe against
# rallon-sim.exe over a null-modem pair (ports, read, read --json, write, set,
# provision; Ctrl+C, Ctrl+Break and the console's close event ending a read
# from a silent device), then rallon-config.exe under Xvfb driven by the keyboard through
# the port selection, RETRIEVE and a CHANGE of the primary port, with a
# screenshot, and the device read back; PqSelectOne.exe, libpq.dll's SELECT 1
# on a throwaway PostgreSQL server on 127.0.0.1. With MSI and OLDER_MSI (the
# installer and an earlier version's, from scripts/windows.sh): the earlier
# one installed silently, the installer over it (one uninstall entry, its
# version), the installed rallon-cli.exe reading the device, the Start menu
# entries, and a silent uninstall that leaves no file and no key.
#
# The serial ports are pairs of Linux pseudo-terminals joined by NullModem
# and mapped into a fresh Wine prefix: COM5-COM6, and COM10-COM11 up to
# COM24-COM25 for the suites (RALLON_COM_PAIRS). ModemLines.so, preloaded
# into every Wine process, gives the ptys the modem lines Wine asks for.
# Installs what it needs with apt when run as root. Ends with one line,
# `Total: N passed, N failed`: each suite and each step counts once.
# RALLON_WINE_TIMEOUT=s: the limit for each suite (default 300).
# RALLON_WINE_SUITES=GLOB: the suites run (default test_*.exe).
# RALLON_WINE_SHOT=FILE: where the window's screenshot is copied.
# usage: tests/wine/run.sh BINDIR [MSI OLDER_MSI]
# shellcheck disable=SC2317  # the steps are functions run through step
set -uo pipefail

if ! { [ $# -eq 1 ] || { [ $# -eq 3 ] && [ -f "$2" ] && [ -f "$3" ]; }; } || [ ! -d "$1" ]; then
    echo "usage: tests/wine/run.sh BINDIR [MSI OLDER_MSI]" >&2
    exit 2
fi
bin=$(cd "$1" && pwd)
msi=${2:+$(realpath "$2")}
older_msi=${3:+$(realpath "$3")}
here=$(cd "$(dirname "$0")" && pwd)
suite_timeout=${RALLON_WINE_TIMEOUT:-300}
suite_glob=${RALLON_WINE_SUITES:-test_*.exe}
shot_copy=${RALLON_WINE_SHOT:-}
steps_name=tests/wine/run.sh
# shellcheck source=../../scripts/steps.sh source-path=SCRIPTDIR
. "$here/../../scripts/steps.sh" || exit 2

packages=(wine wine64 xvfb gcc libc6-dev gcc-mingw-w64-x86-64-win32 fonts-dejavu-core xdotool imagemagick
          postgresql)  # the server libpq.dll is tried against
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' \
        || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    [ "$(id -u)" -eq 0 ] || { echo "tests/wine/run.sh: as root, install: ${missing[*]}" >&2; exit 2; }
    echo "Installing ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null \
        || exit 2
fi
wine_version=$(wine --version 2>/dev/null)
wine_major=$(sed -E 's/^wine-([0-9]+).*/\1/' <<<"$wine_version")
if ! [ "${wine_major:-0}" -ge 10 ] 2>/dev/null; then
    echo "tests/wine/run.sh: ${wine_version:-no Wine} cannot do serial I/O; Wine 10 or later is needed" \
        "(on Debian 12: bash scripts/fresh-root.sh trixie --wine BINDIR)" >&2
    exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/rallon-wine.XXXXXX") || exit 2
chmod 700 "$work"
export WINEPREFIX=$work/prefix WINEDEBUG=-all XDG_RUNTIME_DIR=$work
# No Mono or Gecko installer dialogs, no menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

pids=()
job=
pg_dir=

# Ends what this script started, the prefix's wineserver last, and removes
# the work folder (the prefix with it).
cleanup() {
    local pid server folder
    [ -z "$job" ] || kill "$job" 2>/dev/null
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null
    done
    if [ -d "$WINEPREFIX" ]; then
        # The wineserver's socket folder, named by the prefix's device and inode.
        server=$(stat -c '%d %i' "$WINEPREFIX" | { read -r device inode; printf 'server-%x-%x' "$device" "$inode"; })
        timeout 30 wineserver -k 2>/dev/null
        for folder in /tmp/wine-*/"$server" "/tmp/.wine-$(id -u)/$server"; do
            [ -d "$folder" ] && rm -rf "$folder" && rmdir "$(dirname "$folder")" 2>/dev/null
        done
    fi
    stop_postgres
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# The preloaded library and the null-modem relay, built for this system,
# and the console's events for Windows.
build_helpers() {
    cc -O2 -Wall -Wextra -Werror -shared -fPIC -o "$work/ModemLines.so" "$here/ModemLines.c" -ldl &&
        cc -O2 -Wall -Wextra -Werror -o "$work/NullModem" "$here/NullModem.c" &&
        x86_64-w64-mingw32-gcc -O2 -Wall -Wextra -Werror -o "$work/CtrlEvent.exe" "$here/CtrlEvent.c"
}

new_prefix() {
    timeout 300 wineboot -i >"$work/wineboot.log" 2>&1 || { tail -n 20 "$work/wineboot.log"; return 1; }
    timeout 60 wineserver -w
}

# COM5-COM6 and, for the suites, COM10-COM11 ... COM24-COM25: nine pairs of
# ptys, entered in the prefix's port table; Wine's mount manager makes the
# devices and their SERIALCOMM entries when the wineserver starts again.
ports=(5 6 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25)
map_ports() {
    local line i=0 pty pair_list=()
    "$work/NullModem" 9 >"$work/pairs" 2>"$work/NullModem.log" &
    pids+=($!)
    for _ in $(seq 50); do
        [ "$(wc -l <"$work/pairs")" -eq 9 ] && break
        sleep 0.1
    done
    read -ra pty <<<"$(tr '\n' ' ' <"$work/pairs")"
    [ ${#pty[@]} -eq 18 ] || { echo "NullModem made no pairs"; cat "$work/NullModem.log"; return 1; }
    {
        echo 'REGEDIT4'
        echo
        echo '[HKEY_LOCAL_MACHINE\Software\Wine\Ports]'
        for i in "${!ports[@]}"; do
            echo "\"COM${ports[$i]}\"=\"${pty[$i]}\""
        done
    } >"$work/ports.reg"
    timeout 60 wine reg import "$(winepath -w "$work/ports.reg")" >/dev/null 2>&1 &&
        timeout 60 wineserver -k && timeout 60 wineserver -w &&
        timeout 60 wine reg query 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' >"$work/serialcomm" 2>&1 || return 1
    for i in "${!ports[@]}"; do
        line=$(readlink "$WINEPREFIX/dosdevices/com${ports[$i]}")
        echo "COM${ports[$i]} -> $line"
        [ "$line" = "${pty[$i]}" ] || { echo "COM${ports[$i]} is not mapped to ${pty[$i]}"; return 1; }
        grep -q "REG_SZ *COM${ports[$i]}\s*$" <(tr -d '\r' <"$work/serialcomm") \
            || { echo "COM${ports[$i]} is missing from SERIALCOMM"; return 1; }
    done
    for ((i = 2; i < ${#ports[@]}; i += 2)); do
        pair_list+=("COM${ports[$i]}:COM${ports[$i + 1]}")
    done
    RALLON_COM_PAIRS=$(IFS=,; echo "${pair_list[*]}")
    export RALLON_COM_PAIRS
    echo "RALLON_COM_PAIRS=$RALLON_COM_PAIRS"
}

# A Windows path of a Linux one.
winpath() {
    winepath -w "$1" 2>/dev/null | tr -d '\r'
}

# suite FILE: one test_*.exe on the offscreen platform, within its time limit.
suite() {
    local exe=$1 log status=0
    log=$work/$(basename "$exe" .exe).log
    # In the background, so that a signal's trap need not wait for the suite.
    (cd "$bin" && exec timeout -k 10 "$suite_timeout" wine "$exe") >"$log" 2>&1 &
    job=$!
    wait "$job" || status=$?
    job=
    tr -d '\r' <"$log" | grep -E '^(FAIL!|SKIP|XPASS|QFATAL|Totals:)' -A 1 | grep -v '^--$'
    [ "$status" -eq 124 ] && echo "timed out after $suite_timeout s"
    if [ "$status" -ne 0 ]; then
        echo "exit status $status; the log's end:"
        tr -d '\r' <"$log" | tail -n 15
    fi
    return "$status"
}

# cli ARGS...: rallon-cli.exe in the work folder, its output without CRs.
cli() {
    (cd "$work" && timeout -k 5 120 wine "$bin/rallon-cli.exe" "$@") 2>"$work/cli.err" | tr -d '\r'
}

# check_output PATTERN ARGS...: rallon-cli.exe ARGS succeeds and prints a
# line matching PATTERN.
check_output() {
    local pattern=$1 output status
    shift
    output=$(cli "$@")
    status=$?
    echo "$output"
    tr -d '\r' <"$work/cli.err"
    [ "$status" -eq 0 ] && grep -qE "$pattern" <<<"$output"
}

# The virtual device on COM6 (fresh: its factory configuration), with
# ARGS; ready when it prints the port it serves.
sim=
start_sim() {
    stop_sim
    (cd "$work" && exec wine "$bin/rallon-sim.exe" --port COM6 "$@") >"$work/sim.log" 2>&1 &
    sim=$!
    pids+=("$sim")
    for _ in $(seq 300); do
        grep -q 'COM6' "$work/sim.log" && return 0
        kill -0 "$sim" 2>/dev/null || break
        sleep 0.1
    done
    tr -d '\r' <"$work/sim.log"
    return 1
}
stop_sim() {
    [ -n "$sim" ] || return 0
    kill "$sim" 2>/dev/null
    wait "$sim" 2>/dev/null
    sim=
}

# rallon-cli ports names COM5 as number 5, and lists the ports by number.
ports_lists_com5() {
    check_output '^ 5  (\\\\\.\\)?COM5( |$)' ports &&
        { cli ports | cut -c1-2 | sort -c -n || { echo "not in the order of their numbers"; return 1; }; }
}

# read --json on standard output, kept as device.json.
read_json() {
    cli read 5 --json >"$work/device.json"
    local status=$?
    tr -d '\r' <"$work/device.json"
    tr -d '\r' <"$work/cli.err"
    [ "$status" -eq 0 ] && grep -qE '^ +"primaryPort": 4000,$' <(tr -d '\r' <"$work/device.json")
}

# read --json -o: the program writes the file itself.
read_json_file() {
    local output
    output=$(cli read 5 --json -o backup.json) || { echo "$output"; tr -d '\r' <"$work/cli.err"; return 1; }
    tr -d '\r' <"$work/backup.json" && grep -qE '^ +"primaryPort": 4000,$' <(tr -d '\r' <"$work/backup.json")
}

# The backup with another gateway, written back, then read.
write_changed() {
    sed -E 's/^( +"gateway": )"[^"]*"/\1"192.168.1.254"/' "$work/device.json" >"$work/changed.json" &&
        grep -q '"192.168.1.254"' "$work/changed.json" &&
        check_output '^written and verified' write 5 changed.json &&
        check_output '^DEFAULT GATEWAY +192\.168\.1\.254$' read 5
}

# One device from a template with an address from a range: its ledger line
# says done.
provision_one() {
    cat >"$work/template.json" <<'EOF'
{
    "format": "rallon-config/1",
    "mask": "255.255.255.0",
    "gateway": "10.1.0.1",
    "primaryPort": 4002
}
EOF
    check_output '^4660 +10\.1\.0\.20 +done$' provision 5 --template template.json \
        --ip-range 10.1.0.20-10.1.0.29 --ledger ledger.csv --count 1 &&
        tr -d '\r' <"$work/ledger.csv" &&
        grep -qE '^[^,]+,4660,wireless,10\.1\.0\.20,4002,done,$' <(tr -d '\r' <"$work/ledger.csv")
}

# The same with the ledger on the PostgreSQL server: the pool, exported,
# holds the device's line.
provision_server() {
    check_output '^4660 +10\.1\.0\.20 +done$' provision 5 --template template.json \
        --ip-range 10.1.0.20-10.1.0.29 --ledger "$pg_uri" --pool wine --count 1 &&
        check_output '^[^,]+,4660,wireless,10\.1\.0\.20,4002,done,.?$' ledger export --ledger "$pg_uri" --pool wine
}

# ctrl_event EVENT STATUS: EVENT (c, break or close) delivered by CtrlEvent
# to rallon-cli.exe read 5 --json -o out.json waiting for a silent device
# ends it with STATUS, the port closed (the trace's last line), and no
# out.json written.
ctrl_event() {
    local status
    rm -f "$work/out.json"
    (cd "$work" && timeout -k 5 120 wine "$work/CtrlEvent.exe" "$1" cli.err \
        "\"$(winpath "$bin/rallon-cli.exe")\" read 5 --json -o out.json --timeout-ms 60000 --trace") \
        </dev/null >"$work/ctrl.out" 2>/dev/null
    status=$?
    tr -d '\r' <"$work/ctrl.out"
    # The trace's first lines and its last: the port opened, and closed.
    tr -d '\r' <"$work/cli.err" | sed -n '1,2p;$p'
    echo "exit status $status"
    [ "$status" -eq "$2" ] && tr -d '\r' <"$work/cli.err" | tail -n 1 | grep -qE '^ +[0-9.]+ close$' || return 1
    [ ! -e "$work/out.json" ] || { echo "out.json written"; return 1; }
}

# A throwaway PostgreSQL server: a cluster of Debian's server in a folder
# of its own (not $work, which the server's user may not enter), listening
# on 127.0.0.1 at the first free port from 55432, run as nobody when this
# script is root; user rallon, trusted without a password. pg_uri names its
# database postgres once it runs. stop_postgres stops it and removes the
# folder.
pg_uri=
pg_bin=
as_server() {
    if [ "$(id -u)" -eq 0 ]; then
        setpriv --reuid=nobody --regid=nogroup --clear-groups env -u LD_PRELOAD "$@"
    else
        env -u LD_PRELOAD "$@"
    fi
}
start_postgres() {
    local port
    stop_postgres
    pg_bin=$(find /usr/lib/postgresql -maxdepth 2 -name bin -type d 2>/dev/null | sort -V | tail -n 1)
    [ -x "$pg_bin/initdb" ] || { echo "no initdb in /usr/lib/postgresql/*/bin"; return 1; }
    pg_dir=$(mktemp -d "${TMPDIR:-/tmp}/rallon-pg.XXXXXX") || return 1
    if [ "$(id -u)" -eq 0 ]; then
        chown nobody:nogroup "$pg_dir" || return 1
    fi
    as_server LC_ALL=C "$pg_bin/initdb" -D "$pg_dir/data" -U rallon -A trust -E UTF8 --no-locale --no-sync \
        >"$pg_dir/initdb.log" 2>&1 || { cat "$pg_dir/initdb.log"; return 1; }
    for port in $(seq 55432 55451); do
        rm -f "$pg_dir/server.log"
        if as_server "$pg_bin/pg_ctl" -D "$pg_dir/data" -l "$pg_dir/server.log" -w -t 60 \
            -o "-c listen_addresses=127.0.0.1 -p $port -k $pg_dir" start >/dev/null 2>&1; then
            pg_uri=postgresql://rallon@127.0.0.1:$port/postgres
            echo "$("$pg_bin/postgres" --version) as $(stat -c %U "$pg_dir/data"): $pg_uri"
            return 0
        fi
        grep -q 'could not bind' "$pg_dir/server.log" 2>/dev/null || break
    done
    cat "$pg_dir/server.log" 2>/dev/null
    return 1
}
stop_postgres() {
    [ -n "$pg_dir" ] || return 0
    [ -z "$pg_uri" ] || as_server "$pg_bin/pg_ctl" -D "$pg_dir/data" -m fast -w stop >/dev/null 2>&1
    rm -rf "$pg_dir"
    pg_dir=
    pg_uri=
}

# PqSelectOne.exe: libpq.dll connects to the server and runs SELECT 1.
select_one() {
    local output status
    output=$(cd "$work" && timeout -k 5 60 wine "$bin/PqSelectOne.exe" "$pg_uri" 2>&1)
    status=$?
    tr -d '\r' <<<"$output"
    [ "$status" -eq 0 ] && tr -d '\r' <<<"$output" | grep -qE 'SELECT 1 returned 1$'
}

# The installer's entries in the Uninstall keys of HKCU and HKLM, one line
# each: key|DisplayVersion|Publisher.
product="Tarvex Power Rallon Configuration Utility"
uninstall_entries() {
    local root
    for root in HKCU HKLM; do
        timeout 60 wine reg query "$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s 2>/dev/null
    done | tr -d '\r' | awk -v product="$product" '
        function flush() { if (name == product) print key "|" version "|" publisher }
        /^HKEY_/ { flush(); key = $0; name = version = publisher = ""; next }
        { field = $1; value = $0; if (!sub(/^ +[^ ]+ +REG_SZ +/, "", value)) next }
        field == "DisplayName" { name = value }
        field == "DisplayVersion" { version = value }
        field == "Publisher" { publisher = value }
        END { flush() }'
}

# The version in an installer's name, rallon-config-VERSION-windows-x64.msi.
msi_version() {
    basename "$1" | sed -E 's/^rallon-config-(.*)-windows-x64\.msi$/\1/'
}

# quiet_msiexec ARGS...: msiexec ARGS /qn, its log shown on failure.
quiet_msiexec() {
    timeout -k 5 300 wine msiexec "$@" /qn >"$work/msiexec.log" 2>&1 || { tr -d '\r' <"$work/msiexec.log"; return 1; }
}

# install MSI: installed silently; then one uninstall entry, with MSI's
# version and the publisher.
install() {
    local entries
    quiet_msiexec /i "$(winpath "$1")" || return 1
    entries=$(uninstall_entries)
    echo "${entries:-no uninstall entry}"
    [ "$(wc -l <<<"$entries")" -eq 1 ] && [ "${entries#*|}" = "$(msi_version "$1")|Tarvex" ]
}

# The installed rallon-cli.exe (wherever the installer put the programs)
# prints its version and reads the device.
installed_cli() {
    local installed
    installed=$(find "$WINEPREFIX/drive_c" -path '*/rallon-config/rallon-cli.exe' -print -quit)
    echo "installed: ${installed:-nothing}"
    [ -n "$installed" ] || return 1
    (cd "$work" && timeout -k 5 60 wine "$installed" --version) | tr -d '\r' | grep -x "rallon-cli $(msi_version "$msi")" &&
        (cd "$work" && timeout -k 5 120 wine "$installed" read 5) | tr -d '\r' | grep -E '^SERIAL NO\. +4660$'
}

# The Start menu's two entries: the utility's, which names the installed
# rallon-config.exe, and the command prompt's.
start_menu() {
    local links utility
    links=$(find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/*' -name '*.lnk')
    echo "${links//"$WINEPREFIX/"/}"
    utility=$(grep -F "/$product.lnk" <<<"$links")
    [ -n "$utility" ] && grep -aqF 'rallon-config\rallon-config.exe' "$utility" &&
        grep -q '/Rallon command prompt\.lnk$' <<<"$links"
}

# msiexec /x: no file named for the utility left in the prefix, no
# uninstall entry, no key of its own.
uninstall() {
    local left
    quiet_msiexec /x "$(winpath "$msi")" || return 1
    left=$(find "$WINEPREFIX/drive_c" -iname '*rallon*'; uninstall_entries
           timeout 60 wine reg query 'HKCU\Software\Tarvex' >/dev/null 2>&1 && echo 'HKCU\Software\Tarvex')
    [ -z "$left" ] || { echo "left: $left"; return 1; }
}

# focus TITLE SECONDS: a window named TITLE is shown within SECONDS; it is
# given the keyboard (there is no window manager to do it).
focus() {
    local id
    for _ in $(seq $((2 * $2))); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { sleep 1; xdotool windowfocus --sync "$id"; return; }
        sleep 0.5
    done
    echo "no window \"$1\" within $2 s"
    return 1
}

# Xvfb on :77, and the prefix's session started anew on it: Wine's desktop
# keeps the display driver of the session it was started in, and the suites
# ran without a display.
display() {
    stop_sim
    timeout 60 wineserver -k && timeout 60 wineserver -w || return 1
    Xvfb :77 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    export DISPLAY=:77
    for _ in $(seq 50); do
        xdotool getmouselocation >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    cat "$work/xvfb.log"
    return 1
}

# The octets the window has read from its port, by its serial trace.
received() {
    tr -d '\r' <"$work/config.log" | sed -nE 's/^([a-z.]+: )?< ((([0-9A-Fa-f]{2}) ?)+)$/\2/p' | wc -w
}

# rallon-config.exe on the display: waits out the splash, types 5 into the
# port selection window, presses DONE, then RETRIEVE (the main window's first
# focus); once it has read a whole record (113 octets) from the device, types
# 4003 as the new primary port (the fourth box after RETRIEVE), presses
# CHANGE (twelve boxes on), and takes a screenshot once it has read the
# device's answer, a second record. The device is read back after it.
window() {
    local config status=1
    (cd "$work" && WINEQT_LOGGING_RULES=rallon.serial.debug=true exec wine "$bin/rallon-config.exe") \
        >"$work/config.log" 2>&1 &
    config=$!
    pids+=("$config")
    if focus 'COMM PORT SELECTION' 60; then
        xdotool key --delay 200 BackSpace 5 Tab space
        if focus 'Tarvex Power Rallon Configuration Utility' 30; then
            xdotool key space
            for _ in $(seq 60); do
                [ "$(received)" -ge 113 ] && break
                sleep 0.5
            done
            echo "the window received $(received) octets for RETRIEVE"
            # shellcheck disable=SC2046  # twelve separate Tabs
            xdotool key --delay 100 Tab Tab Tab Tab 4 0 0 3 $(printf 'Tab %.0s' $(seq 12)) space
            for _ in $(seq 60); do
                [ "$(received)" -ge 226 ] && { status=0; break; }
                sleep 0.5
            done
            echo "the window received $(received) octets after CHANGE"
            sleep 3
            import -window root "$work/window.png" || status=1
            [ -z "$shot_copy" ] || cp "$work/window.png" "$shot_copy" || status=1
        fi
    fi
    [ "$status" -eq 0 ] || tr -d '\r' <"$work/config.log" | tail -n 20
    kill "$config" 2>/dev/null
    wait "$config" 2>/dev/null
    return "$status"
}

echo "Testing $bin under $wine_version (suites: $suite_glob)"
step "cc ModemLines.so and NullModem" build_helpers || finish
step "a fresh Wine prefix" new_prefix || finish
step "COM5-COM6 and COM10-COM25 on null-modem pairs" map_ports || finish

export LD_PRELOAD=$work/ModemLines.so
export WINEQT_QPA_PLATFORM=offscreen
# Without a console Qt sends test and log output to the debugger
# (OutputDebugString), which Wine drops: standard output and error instead.
export WINEQT_FORCE_STDERR_LOGGING=1
# Qt's offscreen platform takes its fonts from one folder: the build's
# fonts/ when it has one, else Debian's DejaVu faces.
if [ -z "${WINEQT_QPA_FONTDIR:-}" ]; then
    if [ -d "$bin/fonts" ]; then
        WINEQT_QPA_FONTDIR=$(winpath "$bin/fonts")
    else
        WINEQT_QPA_FONTDIR=$(winpath /usr/share/fonts/truetype/dejavu)
    fi
    export WINEQT_QPA_FONTDIR
fi

# shellcheck disable=SC2206  # the glob is meant to expand
suites=("$bin"/$suite_glob)
[ -e "${suites[0]}" ] || { echo; echo "No $suite_glob in $bin"; failed=$((failed + 1)); suites=(); }
for exe in "${suites[@]}"; do
    step "$(basename "$exe")" suite "$exe"
done

step "a PostgreSQL server on 127.0.0.1" start_postgres &&
    step "PqSelectOne.exe: libpq.dll runs SELECT 1 on it" select_one
step "rallon-cli.exe ports lists COM5 as 5, by number" ports_lists_com5
if step "rallon-sim.exe --port COM6" start_sim; then
    step "rallon-cli.exe read 5" check_output '^SERIAL NO\. +4660$' read 5
    step "rallon-cli.exe read 5 --json >device.json" read_json &&
        step "rallon-cli.exe write 5 with another gateway" write_changed
    step "rallon-cli.exe read 5 --json -o backup.json" read_json_file
    step "rallon-cli.exe set 5 --primary-port 4001" check_output '^written and verified' set 5 --primary-port 4001 &&
        step "rallon-cli.exe read 5 shows 4001" check_output '^PRIMARY PORT +4001$' read 5
    step "rallon-cli.exe provision 5" provision_one &&
        [ -n "$pg_uri" ] && step "rallon-cli.exe provision 5 --ledger postgresql://... and ledger export" provision_server
    if [ -n "$msi" ]; then
        step "msiexec /i $(basename "$older_msi") /qn" install "$older_msi" &&
            step "msiexec /i $(basename "$msi") /qn over it: one uninstall entry, its version" install "$msi" &&
            { step "the installed rallon-cli.exe --version and read 5" installed_cli
              step "the Start menu's entries" start_menu
              step "msiexec /x /qn leaves no file and no key" uninstall; }
    fi
fi
if step "rallon-sim.exe --port COM6 --fault silent" start_sim --fault silent; then
    step "Ctrl+C ends rallon-cli.exe read 5 --json -o out.json: 130, no out.json" ctrl_event c 130
    step "Ctrl+Break ends it: 143, no out.json" ctrl_event break 143
    step "the console's close event ends it: 143, no out.json" ctrl_event close 143
    step "rallon-sim.exe --port COM6 afresh" start_sim &&
        step "rallon-cli.exe read 5 after them" check_output '^SERIAL NO\. +4660$' read 5
fi
unset WINEQT_QPA_PLATFORM
step "Xvfb, and the Wine session anew on it" display &&
    step "rallon-sim.exe --port COM6 afresh, for the window" start_sim &&
    step "rallon-config.exe under Xvfb: port 5, RETRIEVE, 4003 as primary port, CHANGE, screenshot" window &&
    step "rallon-cli.exe read 5 shows the window's 4003" check_output '^PRIMARY PORT +4003$' read 5
stop_sim
stop_postgres
finish

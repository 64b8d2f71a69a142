#!/usr/bin/env bash
# Runs the README's test command on a fresh minimal Debian and installs the
# package it builds on another: makes a root of RELEASE with debootstrap
# (from the Debian mirror of this machine's apt sources, through its apt
# proxy if it has one), clones this checkout's HEAD into it and runs
# `bash scripts/test.sh` there as root (RALLON_QUICK=1: the suite only),
# then builds the Debian package; makes a second fresh root, installs the
# package with apt and, as a plain user, runs rallon-sim, rallon-cli against
# it, rallon-config without a display and `man rallon-cli`. Needs root.
# Ends with one line, `Total: N passed, N failed`: the suite's tests and the
# install steps.
# ROOTS_DIR=dir: where the roots are made (default /var/tmp/rallon-roots).
# RALLON_QUICK=0: the whole test command in the root (sanitizers and fuzzing
# too, about three times as long).
# --wine BINDIR (trixie only): instead, one fresh root with Wine, into which
# BINDIR (the Windows build's programs and tests) and HEAD's tests/wine and
# scripts/steps.sh are copied, and `bash tests/wine/run.sh` run there; its
# Total counts in this one; with MSI and OLDER_MSI (the installer and an
# earlier version's) those are copied in too and run.sh tests them.
# RALLON_WINE_SHOT=FILE: the window's screenshot is copied to FILE.
# usage: scripts/fresh-root.sh bookworm|trixie|12|13 [--wine BINDIR [MSI OLDER_MSI]]
# shellcheck disable=SC2317  # the steps are functions run through step
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2

case "${1:-}" in
    bookworm | 12) release=bookworm ;;
    trixie | 13) release=trixie ;;
    *) echo "usage: scripts/fresh-root.sh bookworm|trixie|12|13 [--wine BINDIR [MSI OLDER_MSI]]" >&2; exit 2 ;;
esac
wine_bin=
wine_msis=()
if [ "${2:-}" = --wine ]; then
    [ "$release" = trixie ] || { echo "--wine needs trixie: Wine before 10 does no serial I/O" >&2; exit 2; }
    if ! [ -d "${3:-}" ] || ! { [ $# -eq 3 ] || { [ $# -eq 5 ] && [ -f "$4" ] && [ -f "$5" ]; }; }; then
        echo "usage: scripts/fresh-root.sh trixie --wine BINDIR [MSI OLDER_MSI]" >&2
        exit 2
    fi
    wine_bin=$(cd "$3" && pwd)
    [ $# -eq 3 ] || wine_msis=("$(realpath "$4")" "$(realpath "$5")")
fi
[ "$(id -u)" -eq 0 ] || { echo "scripts/fresh-root.sh needs root (debootstrap, mount, chroot)" >&2; exit 2; }

# The mirror and the proxy this machine's apt uses.
# shellcheck source=apt-sources.sh source-path=SCRIPTDIR
. scripts/apt-sources.sh || exit 2
mirror=$(debian_mirror /etc/apt) || exit 2
apt_proxy
quick=${RALLON_QUICK:-1}
[ "$quick" = 0 ] || quick=1
command -v debootstrap >/dev/null || bash scripts/setup.sh debootstrap || exit 2
head=$(git rev-parse HEAD) || exit 2
[ -z "$(git status --porcelain --untracked-files=no)" ] \
    || echo "Note: testing HEAD $head; changes not committed are not in it"
mkdir -p "${ROOTS_DIR:-/var/tmp/rallon-roots}"
work=$(mktemp -d "${ROOTS_DIR:-/var/tmp/rallon-roots}/$release.XXXXXX") || exit 2
# The build root takes about 3 GB, the install root under 1 GB.
if [ "$(df --output=avail -k "$work" | tail -n 1)" -lt $((5 * 1024 * 1024)) ]; then
    echo "Less than 5 GB free for $work" >&2
    rmdir "$work"
    exit 2
fi
build_root=$work/build
install_root=$work/install
user=technician

steps_name="fresh-root.sh $release"
# shellcheck source=steps.sh source-path=SCRIPTDIR
. scripts/steps.sh || exit 2

# Ends whatever still runs in the roots or for them, unmounts everything
# mounted under them (deepest first, lazily when busy) and removes them; a
# root that still has a mount is left in place, never removed.
cleanup() {
    local proc mount
    [ -z "$job" ] || kill -KILL -- "-$job" 2>/dev/null
    for proc in /proc/[0-9]*; do
        case "$(readlink "$proc/root" 2>/dev/null)" in
            "$work"/*) kill -KILL "${proc#/proc/}" 2>/dev/null ;;
        esac
    done
    for mount in $(findmnt -rn -o TARGET | grep -F "$work/" | sort -r); do
        umount "$mount" 2>/dev/null || umount -l "$mount"
    done
    if findmnt -rn -o TARGET | grep -qF "$work/"; then
        echo "Still mounted under $work, left in place:" >&2
        findmnt -rn -o TARGET | grep -F "$work/" >&2
    else
        rm -rf "$work"
    fi
}
job=
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# waited COMMAND...: runs COMMAND in a process group of its own and waits for
# it, so that a signal's trap runs at once rather than after COMMAND; cleanup
# ends the group.
waited() {
    local status
    setsid "$@" &
    job=$!
    wait "$job"
    status=$?
    job=
    return "$status"
}

# A fresh minimal root of the release in $1, with /proc, /sys, a /dev of its
# own (pseudo-terminals included) and /tmp mounted.
make_root() {
    local root=$1
    waited debootstrap --variant=minbase "$release" "$root" "$mirror" >"$root.log" 2>&1 \
        || { tail -n 20 "$root.log"; return 1; }
    # The root's apt goes through the same proxy.
    proxy_conf >"$root/etc/apt/apt.conf.d/01proxy" || return 1
    mount -t proc proc "$root/proc" &&
        mount -t sysfs -o ro sysfs "$root/sys" &&
        mount -t tmpfs -o mode=755,size=16m dev "$root/dev" &&
        mknod -m 666 "$root/dev/null" c 1 3 && mknod -m 666 "$root/dev/zero" c 1 5 &&
        mknod -m 666 "$root/dev/full" c 1 7 && mknod -m 666 "$root/dev/random" c 1 8 &&
        mknod -m 666 "$root/dev/urandom" c 1 9 && mknod -m 666 "$root/dev/tty" c 5 0 &&
        mkdir "$root/dev/pts" "$root/dev/shm" &&
        mount -t devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5 devpts "$root/dev/pts" &&
        ln -s pts/ptmx "$root/dev/ptmx" &&
        mount -t tmpfs -o mode=1777 shm "$root/dev/shm" &&
        ln -s /proc/self/fd "$root/dev/fd" && ln -s fd/0 "$root/dev/stdin" &&
        ln -s fd/1 "$root/dev/stdout" && ln -s fd/2 "$root/dev/stderr" &&
        mount -t tmpfs -o mode=1777 tmp "$root/tmp"
}

# in_root ROOT COMMAND...: as root inside ROOT, with a plain environment.
in_root() {
    local root=$1
    shift
    waited chroot "$root" env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}

# as_user COMMAND...: as the plain user inside the install root.
as_user() {
    chroot --userspec="$uid:$gid" --groups="$gid" "$install_root" env -i HOME="/home/$user" \
        USER="$user" LOGNAME="$user" LANG=C.UTF-8 TERM=dumb PATH=/usr/local/bin:/usr/bin:/bin "$@"
}

clone() {
    git clone -q --no-hardlinks "$PWD" "$build_root/root/rallon-config" &&
        git -C "$build_root/root/rallon-config" checkout -q --detach "$head"
}

# The README's test command; its Total line's counts go into the totals.
suite() {
    local log=$work/suite.log total
    # In the background, so that a signal's trap need not wait for the suite.
    in_root "$build_root" bash -c "cd /root/rallon-config && RALLON_QUICK=$quick bash scripts/test.sh" 2>&1 | tee "$log" &
    wait $!
    add_total "$log" "the test command"
}

# add_total LOG WHAT: LOG's last Total line's counts go into the totals.
add_total() {
    local total
    total=$(grep -E '^Total: [0-9]+ passed, [0-9]+ failed$' "$1" | tail -n 1)
    if [ -z "$total" ]; then
        failed=$((failed + 1))
        echo "-- $2 ended without its Total line"
        return
    fi
    passed=$((passed + $(sed -E 's/Total: ([0-9]+) passed.*/\1/' <<<"$total")))
    failed=$((failed + $(sed -E 's/.* ([0-9]+) failed/\1/' <<<"$total")))
}

wine_root=$work/wine

# The Windows build, the installers if given, and HEAD's tests/wine (with
# the steps it sources), into the Wine root.
wine_installers=()
copy_wine() {
    local msi
    mkdir -p "$wine_root/root/rallon-config" "$wine_root/root/installers" &&
        cp -a "$wine_bin" "$wine_root/root/bin" &&
        git archive "$head" tests/wine scripts/steps.sh | tar -x -C "$wine_root/root/rallon-config" || return 1
    for msi in "${wine_msis[@]}"; do
        cp "$msi" "$wine_root/root/installers/" || return 1
        wine_installers+=("/root/installers/$(basename "$msi")")
    done
}

# tests/wine/run.sh in the Wine root; its Total line's counts go into the totals.
wine_tests() {
    local log=$work/wine.log
    in_root "$wine_root" env RALLON_WINE_SHOT=/root/window.png RALLON_WINE_TIMEOUT="${RALLON_WINE_TIMEOUT:-300}" \
        bash /root/rallon-config/tests/wine/run.sh /root/bin "${wine_installers[@]}" 2>&1 | tee "$log" &
    wait $!
    add_total "$log" "tests/wine/run.sh"
    if [ -n "${RALLON_WINE_SHOT:-}" ] && [ -f "$wine_root/root/window.png" ]; then
        cp "$wine_root/root/window.png" "$RALLON_WINE_SHOT" && echo "The window's screenshot: $RALLON_WINE_SHOT"
    fi
}

package() {
    in_root "$build_root" bash -c 'cd /root/rallon-config/build && cpack -G DEB' &&
        cp "$build_root"/root/rallon-config/build/rallon-config_*_amd64.deb "$work/"
}

install_package() {
    cp "$work"/rallon-config_*_amd64.deb "$install_root/tmp/" &&
        in_root "$install_root" bash -c 'cd /tmp && apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive apt-get install -y ./rallon-config_*.deb'
}

add_user() {
    in_root "$install_root" useradd -m "$user" &&
        uid=$(in_root "$install_root" id -u "$user") && gid=$(in_root "$install_root" id -g "$user")
}

start_sim() {
    as_user rallon-sim >"$work/sim.out" 2>&1 &
    sim=$!
    for _ in $(seq 100); do
        pty=$(head -n 1 "$work/sim.out")
        [ -n "$pty" ] && break
        sleep 0.1
    done
    echo "rallon-sim: $pty"
    [[ "$pty" =~ ^/dev/pts/[0-9]+$ ]]
}

# check_output PATTERN COMMAND...: COMMAND succeeds and prints a line matching PATTERN.
check_output() {
    local pattern=$1 output
    shift
    output=$("$@") || { echo "$output"; return 1; }
    echo "$output"
    grep -qE "$pattern" <<<"$output"
}

# Without a display: exit 1 and one line naming rallon-cli.
no_display() {
    local output status=0
    output=$(as_user rallon-config 2>&1) || status=$?
    echo "$output (exit $status)"
    [ "$status" -eq 1 ] && [ "$(wc -l <<<"$output")" -eq 1 ] && grep -q 'rallon-cli' <<<"$output"
}

if [ -n "$wine_bin" ]; then
    echo "A fresh $release root in $work, testing $wine_bin under Wine with the tests/wine of $head"
    step "debootstrap a $release root for Wine" make_root "$wine_root" || finish
    step "copy $wine_bin and tests/wine into it" copy_wine || finish
    echo
    echo "== bash tests/wine/run.sh, as root in the $release root"
    wine_tests
    finish
fi

echo "Fresh $release roots in $work, testing $head"
step "debootstrap a $release root for the build" make_root "$build_root" || finish
step "clone HEAD into it" clone || finish
echo
echo "== RALLON_QUICK=$quick bash scripts/test.sh, as root in the $release root"
suite
# The package needs the build; the suite's failures are counted above.
[ -x "$build_root/root/rallon-config/build/rallon-config" ] || finish
step "cpack -G DEB in the $release root" package || finish

step "debootstrap a second $release root for the install" make_root "$install_root" || finish
step "apt-get install ./rallon-config_*.deb" install_package || finish
step "apt-get install man-db" in_root "$install_root" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends man-db
step "useradd $user" add_user || finish
if step "rallon-sim prints its pseudo-terminal" start_sim; then
    step "rallon-cli read" check_output '^SERIAL NO\. +4660$' as_user rallon-cli read "$pty"
    step "rallon-cli read --json" check_output '^ +"format": "rallon-config/1",$' as_user rallon-cli read "$pty" --json
    step "rallon-cli set --primary-port 4001 --dry-run" \
        check_output '^primaryPort: 4000 -> 4001$' as_user rallon-cli set "$pty" --primary-port 4001 --dry-run
fi
kill "$sim" 2>/dev/null
wait "$sim" 2>/dev/null
step "man rallon-cli" check_output 'read, +back +up, +restore +and +clone' as_user man -P cat rallon-cli
step "rallon-config without a display" no_display
finish

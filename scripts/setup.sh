#!/bin/sh
# Installs what the build and the tests need on Debian 12, as root.
#   scripts/setup.sh [--i386] [--fuzz]
# The packages every command needs (the compilers, CMake, Ninja, 64-bit Wine, Xvfb, Python,
# GoogleTest) must install, or set-up fails. The optional sets follow them, each installed on
# its own: --i386 for 32-bit Wine (the i686 tree's tests), --fuzz for clang with libFuzzer
# and the sanitizers (the fuzzers). An optional set that cannot be installed is reported in one
# line and set-up still succeeds; the caller skips what needs it.
#
# Only missing packages are installed, and the package index is refreshed only when something
# is missing. A refresh that fails for one index (a mirror in the middle of a sync answers with
# a file of the wrong size) is tried again a few times and then set aside: whether set-up
# succeeds is decided by whether the packages install.
# SETUP_UPDATE_TRIES (3) and SETUP_UPDATE_PAUSE (seconds, 20) set the refresh's tries.
set -u

REQUIRED="cmake ninja-build make git g++ googletest python3 \
mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
gcc-mingw-w64-x86-64-posix gcc-mingw-w64-i686-posix \
wine wine64 wine64-tools xvfb xauth"

# 32-bit Wine: packages of Debian's i386 architecture, added to dpkg when missing. wine32
# brings the 32-bit loader and libwine:i386; the X extension libraries are the ones Wine's
# display driver loads at run time when present (rendering, cursors, input, screen layout),
# so that the 32-bit wizard under Xvfb has the display support of the 64-bit one.
I386="wine32 libxrender1:i386 libxcursor1:i386 libxi6:i386 libxrandr2:i386 \
libxinerama1:i386 libxcomposite1:i386 libxfixes3:i386"

FUZZ="clang libclang-rt-14-dev"

want_i386=no
want_fuzz=no
for argument in "$@"; do
    case "$argument" in
        --i386) want_i386=yes ;;
        --fuzz) want_fuzz=yes ;;
        *) echo "usage: scripts/setup.sh [--i386] [--fuzz]" >&2; exit 2 ;;
    esac
done

# missing PACKAGES...: the ones dpkg does not list as installed.
missing() {
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            printf ' %s' "$package"
        fi
    done
}

# shellcheck disable=SC2086
missing_required="$(missing $REQUIRED)"
missing_i386=""
missing_fuzz=""
# shellcheck disable=SC2086
[ "$want_i386" = yes ] && missing_i386="$(missing $I386)"
# shellcheck disable=SC2086
[ "$want_fuzz" = yes ] && missing_fuzz="$(missing $FUZZ)"

if [ -z "$missing_required$missing_i386$missing_fuzz" ]; then
    echo "setup: all packages present"
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    if [ -n "$missing_required" ]; then
        echo "setup: missing packages:$missing_required (run as root to install them)" >&2
        exit 1
    fi
    [ -n "$missing_i386" ] &&
        echo "setup: 32-bit Wine could not be installed: not root; the i686 tests will be skipped"
    [ -n "$missing_fuzz" ] &&
        echo "setup: clang with libFuzzer could not be installed: not root; fuzzing will be skipped"
    exit 0
fi

export DEBIAN_FRONTEND=noninteractive
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# refresh_index: apt-get update, tried again while an index fails; then one line for each
# index that still failed.
refresh_index() {
    tries="${SETUP_UPDATE_TRIES:-3}"
    pause="${SETUP_UPDATE_PAUSE:-20}"
    try=1
    while :; do
        status=0
        apt-get update -q >"$work/update.log" 2>&1 || status=$?
        cat "$work/update.log"
        # apt names an index it could not fetch on an "E:" (or, in older versions, "W:") line.
        sed -n 's/^[EW]: Failed to fetch \([^ ]*\) *\(.*\)$/\1 (\2)/p' "$work/update.log" >"$work/failed"
        if [ "$status" -eq 0 ] && [ ! -s "$work/failed" ]; then
            return 0
        fi
        [ "$try" -ge "$tries" ] && break
        echo "setup: the package index could not be refreshed (try $try of $tries); trying again in $pause s"
        sleep "$pause"
        try=$((try + 1))
    done
    if [ -s "$work/failed" ]; then
        while IFS= read -r index; do
            echo "setup: package index not refreshed: $index; going on with the indexes that were fetched"
        done <"$work/failed"
    else
        echo "setup: apt-get update failed (exit $status); going on with the indexes there are"
    fi
}

# install_set PACKAGES...: apt-get install; on failure, the reason apt gave is in $work/reason.
install_set() {
    : >"$work/reason"
    status=0
    # shellcheck disable=SC2086
    apt-get install -y -q --no-install-recommends "$@" >"$work/install.log" 2>&1 || status=$?
    cat "$work/install.log"
    [ "$status" -eq 0 ] && return 0
    reason="$(sed -n 's/^E: //p' "$work/install.log" | tail -n 1 | sed 's/\.$//')"
    echo "${reason:-apt-get install failed (exit $status)}" >"$work/reason"
    return 1
}

if [ -n "$missing_i386" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
refresh_index

if [ -n "$missing_required" ]; then
    echo "setup: installing$missing_required"
    # shellcheck disable=SC2086
    if ! install_set $missing_required; then
        echo "setup: the packages every command needs could not be installed:$missing_required ($(cat "$work/reason"))" >&2
        exit 1
    fi
fi
if [ -n "$missing_i386" ]; then
    echo "setup: installing$missing_i386"
    # shellcheck disable=SC2086
    install_set $missing_i386 ||
        echo "setup: 32-bit Wine could not be installed: $(cat "$work/reason"); the i686 tests will be skipped"
fi
if [ -n "$missing_fuzz" ]; then
    echo "setup: installing$missing_fuzz"
    # shellcheck disable=SC2086
    install_set $missing_fuzz ||
        echo "setup: clang with libFuzzer could not be installed: $(cat "$work/reason"); fuzzing will be skipped"
fi
exit 0

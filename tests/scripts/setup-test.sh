#!/bin/sh
# setup-test.sh ROOT: runs scripts/setup.sh against stand-ins for apt-get, dpkg-query, dpkg and
# id (standins/), as root on a machine where the package archive misbehaves, and checks its exit
# code, its messages and what it asked apt to do. Nothing on this machine is installed or
# changed: the stand-ins keep their state in a temporary folder.
root="$1"
here="$(cd "$(dirname "$0")" && pwd)"
tmp="$(mktemp -d)" || exit 1
trap 'rm -rf "$tmp"' EXIT
passed=0
failed=0

check() { # check DESCRIPTION COMMAND...
    description="$1"; shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $description" >&2
        echo "--- output of set-up:" >&2
        cat "$FAKE_APT/out" >&2
    fi
}
said() { grep -qF -- "$1" "$FAKE_APT/out"; }
not_said() { ! grep -qF -- "$1" "$FAKE_APT/out"; }
installed() { grep -qx "$1" "$FAKE_APT/installed"; }
not_installed() { ! grep -qx "$1" "$FAKE_APT/installed" 2>/dev/null; }
calls() { [ "$(cat "$FAKE_APT/calls" 2>/dev/null | grep -c "^$1")" -eq "$2" ]; }

# machine NAME: a fresh machine with nothing installed; later lines set its faults.
machine() {
    export FAKE_APT="$tmp/$1"
    mkdir -p "$FAKE_APT"
    : >"$FAKE_APT/installed"
}
# setup ARGUMENTS...: set-up as a user runs it; its exit code is in $status.
setup() {
    status=0
    PATH="$here/standins:$PATH" SETUP_UPDATE_PAUSE=0 "$root/scripts/setup.sh" "$@" \
        >"$FAKE_APT/out" 2>&1 || status=$?
}

# One index of the archive fails at every try: set-up tries three times, names the index,
# installs everything and succeeds; run again, it finds everything and refreshes nothing.
machine index
touch "$FAKE_APT/broken-index"
setup --i386 --fuzz
check "an index that fails does not fail set-up" [ "$status" -eq 0 ]
check "the refresh is tried three times" calls "apt-get update" 3
check "the failed index is named" said "setup: package index not refreshed: http://archive.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz (File has unexpected size (374820 != 376004). Mirror sync in progress?); going on with the indexes that were fetched"
check "the i386 architecture is added for 32-bit Wine" calls "dpkg --add-architecture i386" 1
check "every set is installed" sh -c 'grep -qx cmake "$FAKE_APT/installed" && grep -qx wine32 "$FAKE_APT/installed" && grep -qx clang "$FAKE_APT/installed"'
: >"$FAKE_APT/calls"
setup --i386 --fuzz
check "a second run finds every package" said "setup: all packages present"
check "a second run refreshes nothing" calls "apt-get" 0

# The i386 and clang sets cannot install (their libraries must match security versions that
# only the failed index holds): one line each, and set-up succeeds with the required set.
machine optional
touch "$FAKE_APT/broken-index"
printf 'wine32\nclang\n' >"$FAKE_APT/uninstallable"
setup --i386 --fuzz
check "optional sets that fail do not fail set-up" [ "$status" -eq 0 ]
check "the required set is installed" installed wine64
check "32-bit Wine's failure is one clear line" said "setup: 32-bit Wine could not be installed: Unable to correct problems, you have held broken packages; the i686 tests will be skipped"
check "clang's failure is one clear line" said "setup: clang with libFuzzer could not be installed: Unable to correct problems, you have held broken packages; fuzzing will be skipped"

# A package every command needs cannot install: set-up fails and says which set and why, and
# installs no optional set after it.
machine required
printf 'wine64\n' >"$FAKE_APT/uninstallable"
setup --i386
check "a required package that cannot install fails set-up" [ "$status" -eq 1 ]
check "the failure names the set and apt's reason" said "setup: the packages every command needs could not be installed: cmake"
check "the failure gives apt's reason" said "(Unable to correct problems, you have held broken packages)"
check "no optional set is tried after the failure" not_installed wine32

# The main job asks only for the required set: no i386 architecture, no 32-bit Wine.
machine demo
setup
check "the required set alone succeeds" [ "$status" -eq 0 ]
check "the required set alone adds no architecture" calls "dpkg --add-architecture" 0
check "the required set alone installs no 32-bit Wine" not_installed wine32
check "the required set alone is installed" installed xvfb

# Not root: missing required packages are named; missing optional ones are skipped.
machine user
PATH_SAVED="$PATH"
mkdir -p "$tmp/user-bin"
printf '#!/bin/sh\necho 1000\n' >"$tmp/user-bin/id"; chmod +x "$tmp/user-bin/id"
status=0
PATH="$tmp/user-bin:$here/standins:$PATH" "$root/scripts/setup.sh" --i386 >"$FAKE_APT/out" 2>&1 || status=$?
check "a user without root is refused when required packages are missing" [ "$status" -eq 1 ]
check "the refusal says to run as root" said "(run as root to install them)"
check "a user without root installs nothing" calls "apt-get" 0
PATH="$PATH_SAVED"

echo "setup: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

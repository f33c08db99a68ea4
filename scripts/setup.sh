#!/bin/sh
# Installs what the build and the tests need on Debian 12, as root, and the packages named
# as arguments.
# Runs `apt-get update` at most once and installs only the packages that are missing.
set -eu

PACKAGES="cmake ninja-build make git g++ googletest python3 \
mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
gcc-mingw-w64-x86-64-posix gcc-mingw-w64-i686-posix \
wine wine64 wine64-tools xvfb xauth"
# A caller may name more packages (scripts/fuzz.sh: clang and its fuzzing runtimes).
PACKAGES="$PACKAGES $*"

# 32-bit Wine for the tests of the i686 tree: packages of Debian's i386 architecture, added
# to dpkg below when missing. wine32 brings the 32-bit loader and libwine:i386; the X
# extension libraries are the ones Wine's display driver loads at run time when present
# (rendering, cursors, input, screen layout), so that the 32-bit wizard under Xvfb has the
# display support of the 64-bit one.
PACKAGES_I386="wine32 libxrender1:i386 libxcursor1:i386 libxi6:i386 libxrandr2:i386 \
libxinerama1:i386 libxcomposite1:i386 libxfixes3:i386"

missing=""
for package in $PACKAGES $PACKAGES_I386; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done

if [ -z "$missing" ]; then
    echo "setup: all packages present"
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages:$missing (run as root to install them)" >&2
    exit 1
fi

echo "setup: installing$missing"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
apt-get update -q
# shellcheck disable=SC2086
apt-get install -y -q --no-install-recommends $missing

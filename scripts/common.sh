# Shared steps of demo.sh and test.sh.
root="$(cd "$(dirname "$0")/.." && pwd)"

# build ARCH [TESTS [CMAKE_ARGUMENTS...]]: configure and build one tree; TESTS is ON
# (default) or OFF.
# The build type "Toolkit" is -O1: quick to compile on two cores, and the
# programs still run at a useful speed under Wine.
build() {
    configure "$@"
    cmake --build "$root/build/$1" -- -j2
}

# build_targets ARCH TARGET...: configure one tree as build does (with its test programs, as
# the wizard's driver is one) and build only the named targets and what they need.
build_targets() {
    arch="$1"; shift
    configure "$arch" ON
    cmake --build "$root/build/$arch" --target "$@" -- -j2
}

# configure ARCH [TESTS [CMAKE_ARGUMENTS...]]: configure one tree, as build does.
configure() {
    arch="$1"
    tests="${2:-ON}"
    [ $# -ge 2 ] && shift 2 || shift $#
    tree="$root/build/$arch"
    cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Toolkit \
        -DCMAKE_CXX_FLAGS_TOOLKIT=-O1 -DCMAKE_C_FLAGS_TOOLKIT=-O1 \
        -DTOOLKIT_BUILD_TESTS="$tests" \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" "$@" >/dev/null
}

# wine_loader ARCH: the loader that runs the tree's programs.
wine_loader() {
    if [ "$1" = "x86_64" ]; then echo /usr/lib/wine/wine64; else echo /usr/lib/wine/wine; fi
}

# wine_arch ARCH: the kind of the tree's prefix. The i686 tree's prefix is a 32-bit Windows
# (no WOW64, one registry view), as the 32-bit build's systems are; see cmake/Wine.cmake.
wine_arch() {
    if [ "$1" = "x86_64" ]; then echo win64; else echo win32; fi
}

# has_wine32: 32-bit Wine is installed.
has_wine32() {
    [ -x /usr/lib/wine/wine ] && ls /usr/lib/i386-linux-gnu/wine/i386-windows/ntdll.dll >/dev/null 2>&1
}

# has_fuzzer: clang with libFuzzer and the sanitizer runtimes is installed.
has_fuzzer() {
    command -v clang++ >/dev/null 2>&1 &&
        dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null | grep -q "install ok installed"
}

# make_prefix ARCH: the tree's private Wine prefix, made once.
make_prefix() {
    arch="$1"
    prefix="$root/build/$arch/wineprefix"
    if [ ! -f "$prefix/.toolkit-ready" ]; then
        echo "Making the Wine prefix $prefix"
        rm -rf "$prefix"
        WINEPREFIX="$prefix" WINEARCH="$(wine_arch "$arch")" WINEDEBUG=-all \
            "$(wine_loader "$arch")" wineboot -i >/dev/null 2>&1
        WINEPREFIX="$prefix" wineserver -w
        touch "$prefix/.toolkit-ready"
    fi
}

# start_wineserver ARCH / stop_wineserver ARCH: one persistent server for a run of tests,
# so that each program starts in a fraction of the time.
# Wine's background services (services.exe, winedevice, rpcss) are started by the first
# program of a server and inherit its standard output; started by a test, they would hold
# that test's output pipe open and CTest would wait on it forever. So the first program
# runs here, with its output going nowhere.
start_wineserver() {
    WINEPREFIX="$root/build/$1/wineprefix" wineserver -p </dev/null >/dev/null 2>&1
    WINEPREFIX="$root/build/$1/wineprefix" WINEARCH="$(wine_arch "$1")" WINEDEBUG=-all \
        "$(wine_loader "$1")" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}
stop_wineserver() {
    WINEPREFIX="$root/build/$1/wineprefix" wineserver -k 2>/dev/null || true
}

# windows_path PATH: the Z: drive form of a Unix path.
windows_path() {
    printf 'Z:%s' "$1" | tr '/' '\\'
}

#!/bin/sh
# Builds the native tree and both architectures and runs every test. Exits non-zero on any
# failure.
set -eu
. "$(dirname "$0")/common.sh"

"$root/scripts/setup.sh"

# The portable cores, built natively with the system compiler, and their tests.
status=0
cmake -S "$root" -B "$root/build/native" -G Ninja -DTOOLKIT_NATIVE=ON >/dev/null
cmake --build "$root/build/native" -- -j2
echo "Running the native tests"
(cd "$root/build/native" && ctest --output-on-failure --timeout 300) || status=1
# The parsers under libFuzzer and the sanitizers: every target for a minute.
"$root/scripts/fuzz.sh" || status=1

build x86_64
# The i686 programs are always built; their tests only where they can run.
# Without 32-bit Wine the i686 tree cannot run its own image tool: it carries the image
# that the x86_64 tree made (the image does not depend on the architecture).
if has_wine32; then
    build i686 ON -DTOLVA_FIRMWARE_IMAGE=
else
    build i686 OFF -DTOLVA_FIRMWARE_IMAGE="$root/build/x86_64/wizard/demo-board.bio"
fi

for arch in x86_64 i686; do
    if [ "$arch" = "i686" ] && ! has_wine32; then
        echo "Tests of the i686 tree skipped: 32-bit Wine is not installed (its programs were built)."
        continue
    fi
    make_prefix "$arch"
    stop_wineserver "$arch"
    start_wineserver "$arch"
    echo "Running the $arch tests"
    if [ "$arch" = "i686" ]; then
        # The 32-bit wizard's first creation of the capsule engine now and then answers
        # E_NOINTERFACE under 32-bit Wine (seen in wizard_ui_e2e-arm-fault, never on x86_64,
        # gone with Wine's tracing on; not yet explained). Until it is, a wizard UI test that
        # fails is run up to twice more; failing three times in a row still fails the run.
        (cd "$root/build/$arch" && ctest --output-on-failure --timeout 300 -LE '^ui$') || status=1
        (cd "$root/build/$arch" && ctest --output-on-failure --timeout 300 -L '^ui$' --repeat until-pass:3) ||
            status=1
    else
        (cd "$root/build/$arch" && ctest --output-on-failure --timeout 300) || status=1
    fi
    stop_wineserver "$arch"
done
exit $status

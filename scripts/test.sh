#!/bin/sh
# Builds the native tree and both architectures and runs every test. Exits non-zero on any
# failure. Its last lines say what each part gave, and name every part skipped and why.
set -eu
. "$(dirname "$0")/common.sh"

"$root/scripts/setup.sh" --i386 --fuzz

status=0
summary=""
# ctest_tree TREE [ARGUMENTS...]: CTest in a build tree.
ctest_tree() {
    tree="$root/build/$1"; shift
    (cd "$tree" && ctest --output-on-failure --timeout 300 "$@")
}
# ctest_wine ARCH: a Wine tree's tests. Under Wine a program now and then ends without having
# run (seen in CI: one call of a tool's test script gave exit code 1 and no output at all,
# which the tool never does), so the tests that fail are run once more; a test that fails
# twice fails the run, and every test that passed only the second time is named in the
# summary.
ctest_wine() {
    ctest_tree "$1" && return 0
    failed=$(sed -n 's/^[0-9]*:\(.*\)$/\1/p' "$root/build/$1/Testing/Temporary/LastTestsFailed.log" | tr '\n' ' ')
    echo "== Running the failed tests once more: $failed"
    ctest_tree "$1" --rerun-failed || return 1
    rerun_note="(passed only when run again: $failed)"
}
# ctest_i686: the i686 tree's tests; see the loop below for the UI tests' further runs.
ctest_i686() {
    ctest_tree i686 -LE '^ui$' && ctest_tree i686 -L '^ui$' --repeat until-pass:3
}
# result PART OUTCOME: one line of the closing summary.
result() {
    summary="$summary$(printf '  %-14s %s' "$1" "$2")
"
}
# ran PART COMMAND...: runs a part's tests and notes whether they passed.
ran() {
    part="$1"; shift
    if "$@"; then
        result "$part" "passed"
    else
        result "$part" "FAILED"
        status=1
    fi
}

# The portable cores, built natively with the system compiler, and their tests.
cmake -S "$root" -B "$root/build/native" -G Ninja -DTOOLKIT_NATIVE=ON >/dev/null
cmake --build "$root/build/native" -- -j2
echo "Running the native tests"
ran "native tests" ctest_tree native
# The parsers under libFuzzer and the sanitizers: every target for a minute.
if has_fuzzer; then
    ran "fuzzing" "$root/scripts/fuzz.sh"
else
    result "fuzzing" "SKIPPED: clang with libFuzzer is not installed"
fi

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
        result "i686 tests" "SKIPPED: 32-bit Wine is not installed (the i686 programs were built)"
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
        ran "i686 tests" ctest_i686
    else
        rerun_note=""
        ran "$arch tests" ctest_wine "$arch"
        [ -z "$rerun_note" ] || result "" "$rerun_note"
    fi
    stop_wineserver "$arch"
done

echo
echo "== scripts/test.sh: what each part gave"
printf '%s' "$summary"
if [ "$status" -eq 0 ]; then
    skipped=$(printf '%s' "$summary" | grep -c "SKIPPED" || true)
    case "$skipped" in
        0) echo "== Every part ran and passed" ;;
        1) echo "== Every test that ran passed; 1 part was SKIPPED (see above)" ;;
        *) echo "== Every test that ran passed; $skipped parts were SKIPPED (see above)" ;;
    esac
else
    echo "== FAILED: see the parts above"
fi
exit $status

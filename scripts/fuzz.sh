#!/bin/sh
# Fuzzes the parsers with libFuzzer under the address and undefined-behaviour sanitizers.
#   scripts/fuzz.sh [TARGET] [SECONDS]
# TARGET is ini, setupdb, bio, store, profile, merge, payload, sequence, history or all (the default); SECONDS is each target's
# time (default 60). Every target runs two at a time. Exits non-zero when a target finds a
# crash, a leak, a timeout or a sanitizer report; what it found is copied to
# tests/fuzz/regressions/TARGET/ with a note, for the native tests to run from then on.
set -eu
. "$(dirname "$0")/common.sh"

all_targets="ini setupdb bio store profile merge payload sequence history"
target="${1:-all}"
seconds="${2:-60}"
case "$target" in
    all) targets="$all_targets" ;;
    ini | setupdb | bio | store | profile | merge | payload | sequence | history) targets="$target" ;;
    *) echo "usage: scripts/fuzz.sh [ini|setupdb|bio|store|profile|merge|payload|sequence|history|all] [SECONDS]" >&2; exit 2 ;;
esac
case "$seconds" in
    '' | *[!0-9]*) echo "fuzz: SECONDS must be a whole number, not \"$seconds\"" >&2; exit 2 ;;
esac

# clang with libFuzzer and the sanitizer runtimes.
"$root/scripts/setup.sh" --fuzz
if ! has_fuzzer; then
    echo "fuzz: clang with libFuzzer is not installed (scripts/setup.sh --fuzz, as root, installs it)" >&2
    exit 1
fi

tree="$root/build/fuzz"
cmake -S "$root" -B "$tree" -G Ninja -DTOOLKIT_NATIVE=ON -DTOOLKIT_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
programs=""
for name in $targets; do programs="$programs fuzz_$name"; done
# shellcheck disable=SC2086
cmake --build "$tree" --target fuzz_seeds $programs -- -j2

# seed_corpus NAME: the working corpus, build/fuzz/corpus/NAME, gets the committed seeds,
# the regression inputs, the built seeds and, for the text targets, the project's INI files
# and samples. Inputs it found before stay.
seed_corpus() {
    corpus="$tree/corpus/$1"
    mkdir -p "$corpus"
    for folder in "$root/tests/fuzz/corpus/$1" "$root/tests/fuzz/regressions/$1" "$tree/seeds/$1"; do
        [ -d "$folder" ] && find "$folder" -maxdepth 1 -type f -exec cp {} "$corpus/" \;
    done
    if [ "$1" = ini ] || [ "$1" = profile ]; then
        find "$root/boards" "$root/tests" -name '*.ini' -type f -exec cp {} "$corpus/" \;
        [ "$1" = ini ] && cp "$root"/docs/samples/* "$corpus/"
    fi
    return 0
}

# max_len NAME: the longest input libFuzzer makes; the text targets get room for a small
# board profile, the others take the longest seed (libFuzzer's default).
max_len() {
    case "$1" in
        ini | profile) echo "-max_len=8192" ;;
        *) echo "" ;;
    esac
}

# run_target NAME: one target for $seconds; its output goes to build/fuzz/logs/NAME.log.
run_target() {
    artifacts="$tree/artifacts/$1"
    rm -rf "$artifacts"
    mkdir -p "$artifacts" "$tree/logs"
    dict=""
    [ -f "$root/tests/fuzz/$1.dict" ] && dict="-dict=$root/tests/fuzz/$1.dict"
    # shellcheck disable=SC2046
    nice -n 10 "$tree/tests/fuzz/fuzz_$1" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" $dict $(max_len "$1") "$tree/corpus/$1" \
        >"$tree/logs/$1.log" 2>&1
}

# report NAME STATUS: the target's executions, coverage and corpus; the files of a failed
# run go to the regressions with a note of what was found.
report() {
    log="$tree/logs/$1.log"
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    coverage=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1 | sed -n 's/.*\(cov: [0-9]*\) \(ft: [0-9]*\).*/\1 \2/p')
    files=$(find "$tree/corpus/$1" -type f | wc -l)
    bytes=$(du -sk "$tree/corpus/$1" | cut -f1)
    echo "fuzz $1: ${executions:-?} executions, ${coverage:-no coverage line}, corpus $files files (${bytes} KB)"
    found=$(find "$tree/artifacts/$1" -type f | wc -l)
    if [ "$2" -eq 0 ] && [ "$found" -eq 0 ]; then
        return 0
    fi
    echo "fuzz $1: FAILED (exit $2); the log is $log:" >&2
    grep -E 'ERROR:|SUMMARY:|runtime error:|FuzzFailure|what\(\)|deadly signal|Test unit written' "$log" | head -n 12 >&2
    regressions="$root/tests/fuzz/regressions/$1"
    mkdir -p "$regressions"
    for file in "$tree/artifacts/$1"/*; do
        [ -f "$file" ] || continue
        name=$(basename "$file")
        cp "$file" "$regressions/$name"
        {
            echo "Found by scripts/fuzz.sh $1 on $(date -u +%Y-%m-%d):"
            grep -E 'ERROR:|SUMMARY:|runtime error:|what\(\)|deadly signal' "$log" | head -n 6
        } >"$regressions/$name.txt"
        echo "fuzz $1: copied $name to tests/fuzz/regressions/$1/ (with $name.txt)" >&2
    done
    return 1
}

rm -rf "$tree/seeds"
"$tree/tests/fuzz/fuzz_seeds" "$root"/boards/*.ini "$root"/tests/tools/fwsim/*.ini "$tree/seeds"

status=0
set -- $targets
while [ $# -gt 0 ]; do
    # Two at a time: the machine has two cores.
    first="$1"; shift
    seed_corpus "$first"
    run_target "$first" & first_pid=$!
    second=""
    if [ $# -gt 0 ]; then
        second="$1"; shift
        seed_corpus "$second"
        run_target "$second" & second_pid=$!
    fi
    first_status=0; wait "$first_pid" || first_status=$?
    report "$first" "$first_status" || status=1
    if [ -n "$second" ]; then
        second_status=0; wait "$second_pid" || second_status=$?
        report "$second" "$second_status" || status=1
    fi
done
exit $status

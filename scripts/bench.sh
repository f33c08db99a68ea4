#!/bin/sh
# Builds the benchmark programs of the x86_64 tree and prints one table of every benchmark:
# each row with its size, its time, the ratio to the same benchmark at its smaller size and
# the ratio it must stay under. It reports; it fails only when a benchmark program fails.
# How to read it: docs/benchmarks.md.
set -eu
. "$(dirname "$0")/common.sh"

arch=x86_64
"$root/scripts/setup.sh" >/dev/null
configure "$arch" >/dev/null 2>&1 || { echo "bench.sh: the $arch tree cannot be configured" >&2; exit 1; }
cmake --build "$root/build/$arch" --target inibench setupdbbench configbench installbench historybench PellamW PellamWRes \
    fwsim pellam -- -j2 >/dev/null
make_prefix "$arch"
stop_wineserver "$arch"
rows="$(mktemp)"
boards="$(mktemp -d)"
start_wineserver "$arch"
trap 'stop_wineserver "$arch"; rm -rf "$rows" "$boards"' EXIT

export WINEPREFIX="$root/build/$arch/wineprefix" WINEDEBUG=-all
wine="$(wine_loader "$arch")"
bin="$root/build/$arch/bin"

"$wine" regsvr32 /s "$(windows_path "$bin/PellamW.dll")"

# pellam.exe as an administrator runs it, each command a process of its own on a generated
# board of its own (FWSIM_STORE), timed from the shell with the process's start and end.
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# pellam_row NAME SIZE STORE EXPECTED-EXIT ARGUMENTS...: one row; FAILED when the exit differs.
pellam_row() {
    name="$1" size="$2" store="$3" expected="$4"; shift 4
    begin=$(now_ms)
    code=0
    (cd "$boards" && FWSIM_STORE="$store" "$wine" "$bin/pellam.exe" "$@" --quiet >/dev/null 2>&1) || code=$?
    printf '%s\t%s\t%s\t%s\n' "$name" "$size" $(($(now_ms) - begin)) "$([ "$code" -eq "$expected" ] || echo FAILED)"
}
# A board of that many questions and, for diff and install, the file of its tokens with every
# check box turned over: a file of every token in which about a quarter change.
make_board() {
    FWSIM_STORE="$boards/$1.store" "$wine" "$bin/fwsim.exe" init --questions "$1" --force >/dev/null
}
for questions in 2000 20000; do
    make_board "$questions"
    (cd "$boards" && FWSIM_STORE="$boards/$questions.store" "$wine" "$bin/pellam.exe" extract "$questions.ini" \
        --components smbios,tokens --quiet >/dev/null)
done
for tokens in 1000 10000; do
    make_board "$tokens"
    (cd "$boards" && FWSIM_STORE="$boards/$tokens.store" "$wine" "$bin/pellam.exe" extract "$tokens.ini" \
        --components tokens --quiet >/dev/null)
    sed -e 's/^Value=TRUE/Value=X/' -e 's/^Value=FALSE/Value=TRUE/' -e 's/^Value=X/Value=FALSE/' \
        "$boards/$tokens.ini" >"$boards/$tokens-edited.ini"
done
pellam_rows() {
    for questions in 2000 20000; do
        pellam_row "pellam settings (process)" "$questions" "$boards/$questions.store" 0 settings
        pellam_row "pellam verify (process)" "$questions" "$boards/$questions.store" 0 verify --config "$questions.ini"
    done
    for tokens in 1000 10000; do
        pellam_row "pellam diff (process)" "$tokens" "$boards/$tokens.store" 0 diff "$tokens-edited.ini" --components tokens
        cp "$boards/$tokens.store" "$boards/install.store"
        # 3010, as the Unix shell sees it: the install wrote.
        pellam_row "pellam install (process)" "$tokens" "$boards/install.store" 194 install "$tokens-edited.ini" \
            --components tokens
    done
}

# Each program prints "benchmark<TAB>size<TAB>milliseconds[<TAB>FAILED]"; a fifth field, after a
# fourth that is empty when the run passed, is a note the table prints at the end of the row
# (installbench's reads and writes per variable). Three rounds; the table keeps the best time
# of each row, as other work on the machine only adds time.
status=0
for round in 1 2 3; do
    for sections in 500 5000; do
        "$wine" "$bin/inibench.exe" --tsv "$sections" 20 | tr -d '\r' >>"$rows" || status=1
    done
    (cd "$root" && "$wine" "$bin/setupdbbench.exe" --tsv boards/demo-board.ini) | tr -d '\r' >>"$rows" || status=1
    for tokens in 1000 10000; do
        "$wine" "$bin/configbench.exe" --tsv "$tokens" | tr -d '\r' >>"$rows" || status=1
    done
    (cd "$root" && "$wine" "$bin/configbench.exe" --tsv --system boards/demo-board.ini) | tr -d '\r' >>"$rows" ||
        status=1
    for questions in 1000 10000; do
        "$wine" "$bin/installbench.exe" --tsv "$questions" | tr -d '\r' >>"$rows" || status=1
    done
    "$wine" "$bin/historybench.exe" --tsv | tr -d '\r' >>"$rows" || status=1
    pellam_rows >>"$rows"
done
awk -F '\t' '$4 == "FAILED" { failed = 1 } END { exit !failed }' "$rows" && status=1

# The limit of a benchmark: the most its time may grow from its smaller size to its larger
# one. Ten times the work may take at most twelve times as long (linear); a fixed amount of
# work on a ten times larger input, at most three times.
awk -F '\t' '
function limit(name) {
    if (name ~ /^add 1000 sections/ || name ~ /^install cooling/ || name ~ /^append a history record/) return 3
    return 12
}
$1 == "generate file" || $1 == "generate INI configuration" { next }
{
    key = $1 SUBSEP $2
    if (!(key in row)) { row[key] = ++rows; name[rows] = $1; size[rows] = $2; ms[rows] = $3 }
    i = row[key]
    if ($3 + 0 < ms[i] + 0) ms[i] = $3
    if ($4 == "FAILED") failed[i] = 1
    if ($5 != "") note[i] = $5
    if (!($1 in smallest) || $2 + 0 < smallestSize[$1]) { smallest[$1] = i; smallestSize[$1] = $2 + 0 }
}
END {
    printf "%-48s %10s %11s %8s %7s  %s\n", "benchmark", "size", "time (ms)", "ratio", "limit", ""
    for (i = 1; i <= rows; i++) {
        base = smallest[name[i]]
        verdict = failed[i] ? "FAILED" : ""
        if (base == i || ms[base] <= 0) {
            printf "%-48s %10s %11.2f %8s %7s  %s\n", name[i], size[i], ms[i], "", "", verdict (note[i] == "" ? "" : "  " note[i])
            continue
        }
        ratio = ms[i] / ms[base]
        sizeRatio = size[i] / size[base]
        if (verdict == "") verdict = ratio < limit(name[i]) ? "ok" : "over"
        printf "%-48s %10s %11.2f %7.2fx %6.1fx  %s (size %gx)%s\n", name[i], size[i], ms[i], ratio, limit(name[i]), verdict, sizeRatio,
            note[i] == "" ? "" : "  " note[i]
    }
}' "$rows"
exit $status

# The checks of the pellam test scripts, sourced by them after they have set wine_exec, bin
# (the programs' folder) and work (the test's folder): a fresh folder of the user's own with
# its board store, the programs run in it, and the checks of their answers; counts failures.
rm -rf "$work"; mkdir -p "$work"; cd "$work" || exit 1
FWSIM_STORE="$work/board.store"; export FWSIM_STORE
# The machine's history of changes and the configuration install keeps, in the test's folder
# (as a Windows path: pellam takes the variable as it is).
PELLAM_HISTORY="Z:$(printf '%s' "$work" | tr '/' '\\')\\history\\history.jsonl"; export PELLAM_HISTORY
failures=0
fail() { echo "FAILED: $*"; echo "--- stdout"; cat out.txt; echo "--- stderr"; cat err.txt; failures=$((failures + 1)); }

# pellam ARGS...: stdout in out.txt, stderr in err.txt, exit code in code. Wine hands a
# Unix parent only the low 8 bits of an exit code, so 3010 arrives as 194.
exit_restart=194
pellam() { "$wine_exec" "$bin/pellam.exe" "$@" >out 2>err.txt; code=$?; tr -d '\r' <out >out.txt; }
fwsim() { "$wine_exec" "$bin/fwsim.exe" "$@" | tr -d '\r'; }
expect_code() { [ "$code" -eq "$1" ] || fail "$2: exit code $code, expected $1"; }
expect_line() { grep -qxF -- "$1" out.txt || fail "$2: missing line: $1"; }
expect_error() { grep -qF -- "$1" err.txt || fail "$2: missing message: $1"; }
# json EXPRESSION: the --json document in out.txt as d, the expression must hold.
json() { python3 -c "import json,sys; d=json.load(open('out.txt', encoding='utf-8')); sys.exit(0 if ($1) else 1)" || fail "json: $1"; }

# The checks of the fwsim test scripts, sourced by them. Expects wine_exec, fwsim (the
# program) and work (the test's folder); counts failures.
failures=0
run() { "$wine_exec" "$fwsim" "$@" >"$work/out" 2>"$work/err"; code=$?; tr -d '\r' <"$work/out" >"$work/out.txt"; }
fail() { echo "FAILED: $*"; echo "--- stdout"; head -c 20000 "$work/out.txt"; echo "--- stderr"; cat "$work/err"; failures=$((failures + 1)); }
expect_code() { [ "$code" -eq "$1" ] || fail "$2: exit code $code, expected $1"; }
expect_line() { grep -qxF -- "$1" "$work/out.txt" || fail "$2: missing line: $1"; }
expect_error() { grep -qF -- "$1" "$work/err" || fail "$2: missing message: $1"; }

#!/bin/sh
# bad-arguments.sh WINE_EXEC BIN SCRIPT FIXTURE HOST
# Runs bad_arguments.vbs under HOST (scripthost: our script host; cscript: Wine's) on a copy
# of the fixture's inputs board, and passes when the script reports OK and the board's store
# is byte for byte what it was: no refused call reached the board.
wine_exec="$1"; bin="$2"; script="$3"; fixture="$4"; host="$5"
windows() { printf 'Z:%s' "$1" | tr '/' '\\'; }
FWSIM_STORE="$fixture/inputs-$host.store"; export FWSIM_STORE
cp "$fixture/inputs.store" "$FWSIM_STORE" || exit 1
if [ "$host" = cscript ]; then
    set -- cscript.exe //nologo "$(windows "$script")" "$(windows "$fixture")"
else
    set -- "$bin/scripthost.exe" //nologo "$(windows "$script")" "$(windows "$fixture")"
fi
out=$("$wine_exec" "$@" 2>&1); code=$?
out=$(printf '%s\n' "$out" | tr -d '\r'); printf '%s\n' "$out"
failures=0
[ "$code" -eq 0 ] || { echo "FAILED: the script exited $code"; failures=1; }
printf '%s\n' "$out" | grep -qxF "bad_arguments.vbs: OK" || { echo "FAILED: no OK line"; failures=1; }
cmp -s "$FWSIM_STORE" "$fixture/inputs.store" || { echo "FAILED: the refused calls changed the board's store"; failures=1; }
exit "$failures"

#!/bin/sh
# run-registered-elsewhere.sh WINE_EXEC BIN SCRIPT EXPECT
# Registers a copy of the server in a fresh folder with its message library beside it and
# nothing of ours on the search path, runs SCRIPT under the system's cscript (whose folder
# the toolkit makes current), and registers the tree's own server again however it ends.
wine_exec="$1"; bin="$2"; script="$3"; expected="$4"
windows() { printf 'Z:%s' "$1" | tr '/' '\\'; }
folder=$(mktemp -d)
restore() {
    "$wine_exec" regsvr32 /s "$(windows "$bin/PellamW.dll")"
    rm -rf "$folder"
}
trap restore EXIT
unset WINEPATH
cp "$bin/PellamW.dll" "$bin/PellamWRes.dll" "$folder/"
"$wine_exec" regsvr32 /s "$(windows "$folder/PellamW.dll")" || { echo "registration failed" >&2; exit 1; }
output=$("$wine_exec" cscript.exe //nologo "$(windows "$script")" 2>&1)
printf '%s\n' "$output" | tr -d '\r'
printf '%s\n' "$output" | tr -d '\r' | grep -qxF "$expected" || { echo "missing: $expected" >&2; exit 1; }

#!/bin/sh
# run-in-own-folder.sh WINE_EXEC BIN SCRIPT PREFERENCES EXPECT
# Copies our script host into a fresh folder with the given "Preferences.ini" text and
# runs SCRIPT there: the toolkit makes the host's folder current, so that is where the
# server looks for its preferences.
wine_exec="$1"; bin="$2"; script="$3"; preferences="$4"; expected="$5"
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cp "$bin/scripthost.exe" "$folder/"
printf '%b' "$preferences" >"$folder/Preferences.ini"
cd "$folder" || exit 1
windows_script="Z:$(printf '%s' "$script" | tr '/' '\\')"
output=$("$wine_exec" scripthost.exe "$windows_script" 2>&1)
status=$?
printf '%s\n' "$output" | tr -d '\r'
[ "$status" -eq 0 ] || { echo "exit code $status" >&2; exit 1; }
printf '%s\n' "$output" | tr -d '\r' | grep -qxF "$expected" || { echo "missing: $expected" >&2; exit 1; }

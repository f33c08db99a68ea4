#!/bin/sh
# make-board.sh WINE_EXEC BIN BOARD_PROFILE FOLDER
# The capsule tests' demo board and images: one store of the demo board per user (the C++
# tests copy theirs before every test; each script test has its own, or a copy of one), and
# images for it made by biotool.
wine_exec="$1"; bin="$2"; profile="$3"; folder="$4"
windows() { printf 'Z:%s' "$1" | tr '/' '\\'; }
rm -rf "$folder"; mkdir -p "$folder" || exit 1
for store in demo script cycle inputs; do
    FWSIM_STORE="$folder/$store.store" "$wine_exec" "$bin/fwsim.exe" init --board "$profile" || exit 1
done
biotool() { "$wine_exec" "$bin/biotool.exe" "$@" || { echo "biotool $* failed" >&2; exit 1; }; }
# The demo board runs DBZ7710H.86A.0042.2013.0312.1045: a newer build for it, and one for
# a board of another family field.
biotool create "$(windows "$folder/demo.bio")" --id DBZ7710H.86A.0043.2014.0204.1130
biotool create "$(windows "$folder/other.bio")" --id DBZ7710H.86B.0043.2014.0204.1130
printf 'These are notes, not a firmware image.\r\n' >"$folder/notes.txt"
# For the refusals: the newer image cut short, and a 2x2 24-bit bitmap whole and cut short.
head -c 100 "$folder/demo.bio" >"$folder/cut.bio"
printf 'BM\106\0\0\0\0\0\0\0\066\0\0\0' >"$folder/pic.bmp"
printf '\050\0\0\0\002\0\0\0\002\0\0\0\001\0\030\0\0\0\0\0\020\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0' >>"$folder/pic.bmp"
printf '\377\377\377\377\377\377\0\0\377\377\377\377\377\377\0\0' >>"$folder/pic.bmp"
head -c 60 "$folder/pic.bmp" >"$folder/cut.bmp"
exit 0

#!/bin/sh
# biotool-test.sh WINE_EXEC BIOTOOL WORK_FOLDER
# Runs biotool create and info on images and pictures made here, and checks the output,
# the exit codes and the messages of the failures.
wine_exec="$1"; biotool="$2"; work="$3"
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
failures=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# run EXPECTED_EXIT ARGS...: output (stdout and stderr, no CRs) goes to out.txt.
run() {
    expected="$1"; shift
    "$wine_exec" "$biotool" "$@" >out.txt 2>&1
    status=$?
    tr -d '\r' <out.txt >out.tmp && mv out.tmp out.txt
    [ "$status" -eq "$expected" ] || fail "biotool $* exited $status, expected $expected: $(cat out.txt)"
}

has() { grep -qxF "$1" out.txt || fail "missing line '$1' in: $(cat out.txt)"; }
mentions() { grep -qF "$1" out.txt || fail "missing text '$1' in: $(cat out.txt)"; }

# A 2x2 24-bit bitmap: file header, info header, two rows of 8 bytes.
printf 'BM\106\0\0\0\0\0\0\0\066\0\0\0' >pic.bmp
printf '\050\0\0\0\002\0\0\0\002\0\0\0\001\0\030\0\0\0\0\0\020\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0' >>pic.bmp
printf '\377\377\377\377\377\377\0\0\377\377\377\377\377\377\0\0' >>pic.bmp
printf 'not a picture' >text.bmp

id=DBZ7710H.86A.0042.2013.0312.1045
run 0 create full.bio --id $id --splash pic.bmp --max-resolution 1600x1200 --body-size 4K --flash-size 64K
run 0 info full.bio
has "Firmware ID: $id"
has "Flash area size: 65536 bytes"
has "Size remaining: $((65536 - 4096 - 32 - 70)) bytes"
has "Modules: 2"
has "Splash picture: 2x2, 24 bits per pixel, 70 bytes"
has "Badge: hidden, position 0,0, colour black"
has "Maximum picture size: 1600x1200"
has "LogoModule2: yes"

run 0 create bare.bio --id SHORT --no-logo --body-size 1K --flash-size 2K
mentions "warning: the firmware ID does not have the form"
run 0 info bare.bio
has "Firmware ID: SHORT"
has "Modules: 1"
has "Splash picture: no logo module"

run 0 create plain.bio --id $id --no-logo2
run 0 info plain.bio
has "LogoModule2: no"
has "Splash picture: none"
has "Maximum picture size: 1024x768"

run 2 create missing-id.bio
mentions "create needs --id FIRMWAREID"
run 2 create x.bio --id $id --no-logo --splash pic.bmp
run 2 create x.bio --id $id --max-resolution 0x5
run 2 create x.bio --id $id --body-size lots
run 2 frobnicate
run 1 create x.bio --id $id --splash text.bmp
mentions "not a Windows bitmap"
run 1 create x.bio --id $id --splash pic.bmp --max-resolution 1x1
mentions "larger than the maximum picture size"
run 1 create x.bio --id $id --body-size 8K --flash-size 4K
mentions "do not fit in the flash area"
[ -e x.bio ] && fail "a refused create left x.bio behind"

run 1 info pic.bmp
mentions "is not a valid .BIO image"
head -c 100 full.bio >short.bio
run 1 info short.bio
mentions "truncated"
run 1 info absent.bio
mentions "cannot open absent.bio"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "biotool checks passed"

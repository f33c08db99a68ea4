#!/bin/sh
# fwsim-reboot-test.sh WINE-EXEC BIN-FOLDER DEMO-BOARD WORK-FOLDER
# The capsule path of the emulated board through its tools: images made by biotool, staged
# with fwsim stage, applied or refused by fwsim reboot.
wine_exec="$1"; bin="$2"; board="$3"; work="$4"
rm -rf "$work"; mkdir -p "$work"
FWSIM_STORE="$work/board.store"; export FWSIM_STORE

fwsim="$bin/fwsim.exe"
. "$(dirname "$0")/fwsim-checks.sh"
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n' | tr 'a-f' 'A-F'; }
biotool() { "$wine_exec" "$bin/biotool.exe" "$@" >"$work/biotool.out" 2>&1 || { echo "biotool $*:"; cat "$work/biotool.out"; exit 1; }; }

ID_GUID='{EFC071AE-41B8-4018-AFA7-314B185E578B}'
DETECTION_GUID='{05A798EA-39EE-40FC-82C5-622582FA634B}'
OLD_ID='DBZ7710H.86A.0042.2013.0312.1045'
NEW_ID='DBZ7710H.86A.0052.2014.0101.1200'
OTHER_ID='DBZ7710H.86B.0052.2014.0101.1200'
# The marker as the server writes it: its name in 8-bit text and a zero byte.
MARKER="$(hex QRVFlashDetectionStatus)00"

expect_firmware() { run get FirmwareId "$ID_GUID"; expect_line "$(hex "$1")" "$2: FirmwareId"; }
expect_marker() { run get QRVFlashDetectionStatus "$DETECTION_GUID"; expect_code "$1" "$2: detection variable"; }
expect_capsule() { run info; expect_line "Capsule:        $1" "$2: capsule slot"; }
set_marker() { run set QRVFlashDetectionStatus "$DETECTION_GUID" "$MARKER"; expect_code 0 "writing the detection variable"; }

biotool create "Z:$work/new.bio" --id "$NEW_ID" --body-size 16K
biotool create "Z:$work/other.bio" --id "$OTHER_ID" --body-size 16K
head -c 5000 /dev/urandom >"$work/noise.bin"
size=$(wc -c <"$work/new.bio")

run init --board "$board";               expect_code 0 "init"

# No capsule: nothing changes, not even the restart count.
run reboot;                              expect_code 0 "reboot without a capsule"; expect_line "no capsule staged: nothing changed" "reboot without a capsule"
run reboot --fail;                       expect_code 0 "reboot --fail without a capsule"; expect_line "no capsule staged: nothing changed" "reboot --fail without a capsule"
expect_capsule "empty, 0 bytes, last status 0, resets 0" "after reboots without a capsule"

# A failed flash: firmware and marker stay, the last status is not 0, the capsule is used up.
set_marker
run stage "Z:$work/new.bio";             expect_code 0 "stage"; expect_line "staged $size bytes from Z:$work/new.bio; armed for the next reboot" "stage"
expect_capsule "armed, $size bytes, last status 0, resets 0" "after stage"
run reboot --fail;                       expect_code 0 "reboot --fail"
expect_line "capsule not applied: the flash failed, as asked; firmware unchanged; last status 1" "reboot --fail"
expect_firmware "$OLD_ID" "after reboot --fail"
expect_marker 0 "after reboot --fail"
expect_capsule "empty, 0 bytes, last status 1, resets 1" "after reboot --fail"

# The same image again, flashed: new firmware ID, marker gone, last status 0.
run stage "$work/new.bio";               expect_code 0 "stage (Unix path)"
run reboot;                              expect_code 0 "reboot"
expect_line "capsule applied: FirmwareId $OLD_ID is now $NEW_ID; last status 0" "reboot"
expect_firmware "$NEW_ID" "after reboot"
expect_marker 1 "after reboot"
expect_capsule "empty, 0 bytes, last status 0, resets 2" "after reboot"

# An image of another board (its 12-character prefix differs) is refused.
set_marker
run stage "Z:$work/other.bio";           expect_code 0 "stage of another board's image"
run reboot;                              expect_code 0 "reboot with another board's image"
expect_line "capsule not applied: the image $OTHER_ID is not for this board ($NEW_ID); firmware unchanged; last status 3" "another board's image"
expect_firmware "$NEW_ID" "after another board's image"
expect_marker 0 "after another board's image"
expect_capsule "empty, 0 bytes, last status 3, resets 3" "after another board's image"

# A firmware ID shorter than 12 characters names no board family and matches nothing, not
# even an equally short one (the server's rule); the short ID stays.
SHORT_ID='DBZ7710H.86'
biotool create "Z:$work/short.bio" --id "$SHORT_ID" --body-size 16K
run set FirmwareId "$ID_GUID" "$(hex "$SHORT_ID")"; expect_code 0 "a short board ID"
run stage "Z:$work/short.bio";           expect_code 0 "stage of a short-ID image"
run reboot;                              expect_code 0 "reboot with short IDs"
expect_line "capsule not applied: the image's firmware ID \"$SHORT_ID\" is shorter than 12 characters: it names no board family and matches no board; firmware unchanged; last status 3" "short IDs"
expect_firmware "$SHORT_ID" "after short IDs"
expect_marker 0 "after short IDs"
run stage "Z:$work/new.bio";             expect_code 0 "stage of a full image over a short board ID"
run reboot;                              expect_code 0 "reboot over a short board ID"
expect_line "capsule not applied: the board's firmware ID \"$SHORT_ID\" is shorter than 12 characters: it names no board family and matches no board; firmware unchanged; last status 3" "short board ID"
expect_firmware "$SHORT_ID" "after a short board ID"
expect_capsule "empty, 0 bytes, last status 3, resets 5" "after short IDs"
run set FirmwareId "$ID_GUID" "$(hex "$NEW_ID")"; expect_code 0 "the board ID back"

# A UEFI capsule that is no firmware image: refused at the restart.
cp "$work/new.bio" "$work/broken.bio"
printf 'XXXX' | dd of="$work/broken.bio" bs=1 seek=28 conv=notrunc 2>/dev/null
run stage "Z:$work/broken.bio";          expect_code 0 "stage of a damaged image"
run reboot;                              expect_code 0 "reboot with a damaged image"
grep -qF "capsule not applied: the capsule is not a valid firmware image" "$work/out.txt" || fail "damaged image: no refusal"
expect_capsule "empty, 0 bytes, last status 2, resets 6" "after a damaged image"
expect_firmware "$NEW_ID" "after a damaged image"

# Prepared but never invoked: the restart drops it.
run stage "Z:$work/new.bio" --prepare-only; expect_code 0 "stage --prepare-only"; expect_line "staged $size bytes from Z:$work/new.bio; prepared, not armed" "stage --prepare-only"
expect_capsule "staged, $size bytes, last status 2, resets 6" "after stage --prepare-only"
run reboot;                              expect_line "the staged capsule was never invoked: discarded, firmware unchanged; last status 2" "reboot of a prepared capsule"
expect_capsule "empty, 0 bytes, last status 2, resets 7" "after a prepared capsule"

# What stage refuses, and leaves the slot as it was.
run stage "Z:$work/noise.bin";           expect_code 1 "stage of a non-capsule"; expect_error "is not a UEFI capsule" "stage of a non-capsule"
run stage "Z:$work/missing.bio";         expect_code 1 "stage of a missing file"; expect_error "cannot open" "stage of a missing file"
run stage;                               expect_code 2 "stage without a file"
run reboot now;                          expect_code 2 "reboot with an argument"
run reboot --force;                      expect_code 2 "reboot with an unknown option"
expect_capsule "empty, 0 bytes, last status 2, resets 7" "after refused commands"

# Capsule faults are armed like variable faults, without a variable.
run fault add PrepareCapsule --status 14; expect_code 0 "fault add PrepareCapsule"
run fault add InvokeCapsule --status 10 --count 2; expect_code 0 "fault add InvokeCapsule"
run fault add GetLastStatus --name Setup --status 1; expect_code 2 "capsule fault with a name"; expect_error "carry no variable" "capsule fault with a name"
run fault list;                          expect_line '1: PrepareCapsule name=any guid=any status=14 skip=0 remaining=1' "fault list"
expect_line '2: InvokeCapsule name=any guid=any status=10 skip=0 remaining=2' "fault list"

unset FWSIM_STORE
run reboot;                              expect_code 1 "reboot without a store"; expect_error "FWSIM_STORE" "reboot without a store"

[ "$failures" -eq 0 ] && echo "fwsim reboot: all checks passed"
exit "$failures"

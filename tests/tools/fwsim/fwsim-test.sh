#!/bin/sh
# fwsim-test.sh WINE-EXEC FWSIM.EXE DEMO-BOARD WORK-FOLDER
# Drives fwsim through its command line against a fresh store of the demo board.
wine_exec="$1"; fwsim="$2"; board="$3"; work="$4"
rm -rf "$work"; mkdir -p "$work"
FWSIM_STORE="$work/board.store"; export FWSIM_STORE

. "$(dirname "$0")/fwsim-checks.sh"

ID_GUID='{EFC071AE-41B8-4018-AFA7-314B185E578B}'
SETUP_GUID='{EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}'

run list;                                 expect_code 1 "list without a store"; expect_error "does not exist" "list without a store"
run init --board "$board";                expect_code 0 "init"
run init --board "$board";                expect_code 1 "second init"; expect_error "--force" "second init"
run get FirmwareId "$ID_GUID";            expect_code 0 "get FirmwareId"
# "DBZ7710H.86A.0042.2013.0312.1045" as hex, exactly as in the profile.
expect_line 44425A37373130482E3836412E303034322E323031332E303331322E31303435 "get FirmwareId"
run list;                                 expect_code 0 "list"; expect_line '"Setup" {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9} attributes=7 size=512' "list"
run info;                                 expect_code 0 "info"; expect_line "Capacity:       65536 bytes, 2886 used, 62650 free" "info"  # the manufacturing SMBIOS strings included

# The same board without its hardware-monitor chip: record 1 of "QrvDataVar" lists address 0,
# and nothing else differs.
QRV_GUID='{3812723D-7E48-4E29-BC27-F5A39AC94EF1}'
run get QrvDataVar "$QRV_GUID";           expect_code 0 "get QrvDataVar"; cp "$work/out.txt" "$work/with-monitor.txt"
grep -q '^010000000C0000005C000000' "$work/with-monitor.txt" || fail "record 1 lists no chip at 0x5C: $(cat "$work/with-monitor.txt")"
run init --board "$board" --force --without-monitor; expect_code 0 "init --without-monitor"
run get QrvDataVar "$QRV_GUID";           expect_code 0 "get QrvDataVar without the monitor"
sed 's/^010000000C0000005C/010000000C00000000/' "$work/with-monitor.txt" | cmp -s - "$work/out.txt" ||
    fail "--without-monitor changed more than the chip's address: $(cat "$work/out.txt")"
run init --board "$board" --force;        expect_code 0 "init again"

run set Test "$SETUP_GUID" "01 02 0a";    expect_code 0 "set"
run get Test "$SETUP_GUID";               expect_code 0 "get after set"; expect_line 01020A "get after set"
run set Test "$SETUP_GUID" 0102 --attributes 3; expect_code 1 "attribute change"; expect_error "status 3" "attribute change"
run delete Test "$SETUP_GUID";            expect_code 0 "delete"
run get Test "$SETUP_GUID";               expect_code 1 "get after delete"; expect_error "does not exist" "get after delete"
run delete Test "$SETUP_GUID";            expect_code 1 "delete twice"; expect_error "status 4" "delete twice"

run set Test "$SETUP_GUID" 0G;            expect_code 2 "bad hex"; expect_error "is not data in hex" "bad hex"
run get Test "{EC87D643-EBA4}";           expect_code 2 "bad GUID"; expect_error "is not a GUID" "bad GUID"
run frobnicate;                           expect_code 2 "unknown command"; expect_error 'unknown command "frobnicate"' "unknown command"
# 15000 bytes a time (a command line holds at most 32767 characters): the fifth does not fit.
big=$(head -c 30000 /dev/zero | tr '\0' 'A')
for n in 1 2 3 4; do
    run set Big$n "$SETUP_GUID" "$big"; expect_code 0 "filling the storage ($n)"
done
run set Big5 "$SETUP_GUID" "$big";        expect_code 1 "over capacity"; expect_error "status 6" "over capacity"
for n in 1 2 3 4; do run delete Big$n "$SETUP_GUID"; done

run fault add SetVariable --name Setup --status 5 --count 2;  expect_code 0 "fault add"
run fault add Frob --status 5;            expect_code 2 "fault add of an unknown operation"
run fault list;                           expect_code 0 "fault list"; expect_line '1: SetVariable name="Setup" guid=any status=5 skip=0 remaining=2' "fault list"
run info;                                 expect_line "Faults armed:   1" "info with a fault"
run fault clear;                          expect_code 0 "fault clear"
run fault list;                           [ -s "$work/out.txt" ] && fail "fault list after clear is not empty"

# A fault that the store could not keep (a name above 1024 characters) is refused on the
# way in, and the store stays byte for byte; 1024 characters are kept.
cp "$FWSIM_STORE" "$work/before.store"
run fault add SetVariable --name "$(head -c 1025 /dev/zero | tr '\0' 'N')" --status 5
expect_code 2 "fault add with a 1025-character name"
expect_error "the fault cannot be stored: fault name has 1025 characters, more than the 1024 a name may have" "fault add with a 1025-character name"
cmp -s "$FWSIM_STORE" "$work/before.store" || fail "fault add with a 1025-character name changed the store"
run fault add SetVariable --name "$(head -c 1024 /dev/zero | tr '\0' 'N')" --status 5; expect_code 0 "fault add with a 1024-character name"
run fault list;                           expect_code 0 "fault list after a 1024-character name"
run info;                                 expect_code 0 "info after a 1024-character name"; expect_line "Faults armed:   1" "info after a 1024-character name"
run fault clear;                          expect_code 0 "fault clear after a 1024-character name"

# Names the library refuses with status 3 (invalid parameter) are refused alike by the tool.
long_name=$(head -c 1025 /dev/zero | tr '\0' 'v')
run get "" "$SETUP_GUID";                 expect_code 1 "get of an empty name"; expect_error 'cannot read "" {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}: status 3 (invalid parameter)' "get of an empty name"
run get "$long_name" "$SETUP_GUID";       expect_code 1 "get of a 1025-character name"; expect_error "status 3 (invalid parameter)" "get of a 1025-character name"
run set "" "$SETUP_GUID" 01;              expect_code 1 "set of an empty name"; expect_error "status 3 (invalid parameter)" "set of an empty name"
run set "$long_name" "$SETUP_GUID" 01;    expect_code 1 "set of a 1025-character name"; expect_error "status 3 (invalid parameter)" "set of a 1025-character name"
run delete "" "$SETUP_GUID";              expect_code 1 "delete of an empty name"; expect_error "status 3 (invalid parameter)" "delete of an empty name"
cmp -s "$FWSIM_STORE" "$work/before.store" || fail "refused names changed the store"

# A profile whose board name the store could not keep creates nothing.
printf '[Board]\nName = %s\nCapacity = 4096\n' "$long_name" >"$work/long-name.ini"
FWSIM_STORE="$work/long-name.store"
run init --board "$work/long-name.ini"
FWSIM_STORE="$work/board.store"
expect_code 1 "init from a profile with a 1025-character board name"; expect_error "the board name has 1025 characters" "init from a profile with a 1025-character board name"
[ -e "$work/long-name.store" ] && fail "init from a profile with a 1025-character board name created a store"

run stats Setup "$SETUP_GUID";            expect_code 0 "stats"; expect_line '"Setup" {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9} reads=0 writes=0 deletes=0 failed-writes=0 bytes-written=0' "stats"
run stats --reset;                        expect_code 0 "stats --reset"

# Two processes writing at once: the lock serialises their read-change-write, so no write
# is lost.
writer() { for i in 1 2 3 4 5 6; do "$wine_exec" "$fwsim" set "$1$i" "$SETUP_GUID" 01 >/dev/null 2>&1; done; }
writer A & writer B & wait
run list
for i in 1 2 3 4 5 6; do
    grep -qF "\"A$i\" " "$work/out.txt" || fail "concurrent writers lost A$i"
    grep -qF "\"B$i\" " "$work/out.txt" || fail "concurrent writers lost B$i"
done

# A damaged store is refused with a message, and left as it is.
printf 'XXXX' | dd of="$FWSIM_STORE" bs=1 seek=100 conv=notrunc 2>/dev/null
cp "$FWSIM_STORE" "$work/damaged.store"
run list;                                 expect_code 1 "damaged store"; expect_error "is damaged" "damaged store"
run set Test "$SETUP_GUID" 01;            expect_code 1 "set on a damaged store"; expect_error "is damaged" "set on a damaged store"
cmp -s "$FWSIM_STORE" "$work/damaged.store" || fail "a damaged store was changed"
run init --board "$board" --force;        expect_code 0 "init --force over a damaged store"

# A Windows path in FWSIM_STORE names the same store.
FWSIM_STORE="Z:$(echo "$work/board.store" | tr '/' '\\')"
run get FirmwareId "$ID_GUID";            expect_code 0 "Windows path"

unset FWSIM_STORE
run list;                                 expect_code 1 "no store configured"; expect_error "FWSIM_STORE" "no store configured"

[ "$failures" -eq 0 ] && echo "fwsim: all checks passed"
exit "$failures"

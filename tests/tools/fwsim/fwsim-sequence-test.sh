#!/bin/sh
# fwsim-sequence-test.sh WINE-EXEC FWSIM.EXE DEMO-BOARD WORK-FOLDER
# The cooling chip's sequence buffer as the emulated firmware reads it: the example buffer of
# docs/cooling.md runs on the demo board's chip and every setting reads back; a damaged
# buffer, one for another device and a missing one are refused.
wine_exec="$1"; fwsim="$2"; board="$3"; work="$4"
rm -rf "$work"; mkdir -p "$work"
FWSIM_STORE="$work/board.store"; export FWSIM_STORE

. "$(dirname "$0")/fwsim-checks.sh"
SEQUENCE='{8388ED89-444E-46F7-ABA0-D84E3B6AEFCB}'
# docs/cooling.md: header, sequence header, the condition on the lock, six writes, the start.
EXAMPLE='5F4D485F 04 0A 01 3000 28  06 2600 04 00 5C  81400206 01600003 016500E0 0168A0F0 016B50F0 00724D00 00752D00 00400100'

run init --board "$board";               expect_code 0 "init"
run sequence;                            expect_code 1 "no buffer"
expect_error "variable \"BmiUserSequence\" $SEQUENCE does not exist" "no buffer"

run set BmiUserSequence "$SEQUENCE" "$EXAMPLE"; expect_code 0 "write the example buffer"
cp "$FWSIM_STORE" "$work/before.store"
run sequence;                            expect_code 0 "the example buffer"
cmp -s "$FWSIM_STORE" "$work/before.store" || fail "sequence changed the store"
expect_line "\"BmiUserSequence\" $SEQUENCE: 48 bytes, format 4 (interface 1.6 or later), 1 sequence" "the example buffer"
expect_line "sequence 1: device 0x5C (7-bit 0x2E), version 4, 8 operations" "the example buffer"
expect_line "   1: 81 40 02 06  if (register 0x40 & 0x02) == 0, run the next 6 operations" "the example buffer"
expect_line "   2: 01 60 00 03  update register 0x60: bits 0x03 = 0x00" "the example buffer"
expect_line "   8: 00 40 01 00  write register 0x40 = 0x01" "the example buffer"
expect_line "  0x68 = 0xA3 (was 0xC3)" "the range changed, the frequency stayed"
expect_line "  0x72 = 0x4D (was 0x80)" "the example buffer"
for setting in "ZoneA.TempLow = 45" "ZoneA.TempDelta = 20" "ZoneA.TempResponseTime = 4.4" "ZoneB.TempDelta = 32" \
    "FanD.Mapping = ZoneA" "FanD.DutyLow = 30" "FanD.Frequency = ~30" "FanG.Mapping = FullDuty" "ZoneC.TempAllOn = 100"; do
    expect_line "  Therm.$setting" "setting read back"
done
[ "$(grep -c '^  Therm\.' "$work/out.txt")" -eq 21 ] || fail "the example buffer: not 21 settings"

# One bit changed: the checksum no longer holds.
run set BmiUserSequence "$SEQUENCE" "$(echo "$EXAMPLE" | sed 's/00400100$/00400101/')"
cp "$FWSIM_STORE" "$work/before.store"
run sequence;                            expect_code 1 "a damaged buffer"
cmp -s "$FWSIM_STORE" "$work/before.store" || fail "a refused buffer changed the store"
expect_error "is refused: the checksum is wrong: the bytes add up to 0x01 modulo 256, not 0" "a damaged buffer"
# Resealed for the device at 0x5E: no such device on the board.
run set BmiUserSequence "$SEQUENCE" "$(echo "$EXAMPLE" | sed 's/3000 28/3000 26/; s/04 00 5C/04 00 5E/')"
run sequence;                            expect_code 1 "another device"
expect_error "sequence 1 does not run on the board's chip: the sequence is for the device at 0x5E, not for the chip at 0x5C" "another device"

[ "$failures" -eq 0 ] && echo "fwsim sequence: all checks passed"
exit "$failures"

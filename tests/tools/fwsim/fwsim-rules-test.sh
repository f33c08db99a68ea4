#!/bin/sh
# fwsim-rules-test.sh WINE-EXEC FWSIM.EXE DEMO-BOARD WORK-FOLDER
# The board's restart rules, each command a process of its own: a write reverted at the
# restart, a protected variable, the defaults after a failed start, and the command lines
# that are refused without touching the store.
wine_exec="$1"; fwsim="$2"; board="$3"; work="$4"
rm -rf "$work"; mkdir -p "$work"
FWSIM_STORE="$work/board.store"; export FWSIM_STORE

. "$(dirname "$0")/fwsim-checks.sh"
SETUP='{EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}'
# bytes HEX FIRST COUNT: COUNT bytes of the hex text from byte FIRST.
bytes() { printf '%s' "$1" | cut -c$(($2 * 2 + 1))-$((($2 + $3) * 2)); }
# patch HEX FIRST NEW: the hex text with the bytes from FIRST replaced by NEW.
patch() { printf '%s%s%s' "$(bytes "$1" 0 "$2")" "$3" "$(printf '%s' "$1" | cut -c$(($2 * 2 + ${#3} + 1))-)"; }
setup() { run get Setup "$SETUP"; expect_code 0 "read Setup"; cat "$work/out.txt"; }
expect_setup() { [ "$(setup)" = "$1" ] || fail "$2: Setup is $(setup)"; }
expect_unchanged() { cmp -s "$FWSIM_STORE" "$work/before.store" || fail "$1 changed the store"; }

run init --board "$board";               expect_code 0 "init"
original=$(setup)
defaults=$(run get SetupDefault "$SETUP"; cat "$work/out.txt")
[ "$(bytes "$original" 16 2)" = "0001" ] || fail "the demo board's Setup changed: bytes 0x10..0x11 are $(bytes "$original" 16 2)"

# Revert: a write over bytes 0x0E..0x13 keeps all of it but 0x10..0x11 after the restart,
# at every restart, and a restart with nothing to undo changes nothing.
run rule add revert Setup "$SETUP" --offset 16 --length 2; expect_code 0 "rule add revert"
written=$(patch "$original" 14 AABBCCDDEEFF)
run set Setup "$SETUP" "$written";       expect_code 0 "write Setup"
run reboot;                              expect_code 0 "reboot with a revert rule"
expect_line 'rule: "Setup" bytes 0x10..0x11 reverted' "reboot with a revert rule"
expect_line "no capsule staged" "reboot with a revert rule"
expect_setup "$(patch "$original" 14 AABB0001EEFF)" "after the revert"
run reboot;                              expect_line "no capsule staged: nothing changed" "reboot with nothing to revert"
run set Setup "$SETUP" "$written";       expect_code 0 "write Setup again"
run reboot;                              expect_line 'rule: "Setup" bytes 0x10..0x11 reverted' "second revert"
expect_setup "$(patch "$original" 14 AABB0001EEFF)" "after the second revert"
run rule list;                           expect_line "1: revert \"Setup\" $SETUP bytes 0x10..0x11 start=0001" "rule list"

# Protect: the tool is refused with the status the library answers, the variable stays and
# each refused write or deletion counts as a failed write.
run rule add protect Setup "$SETUP";     expect_code 0 "rule add protect"
run stats --reset;                       expect_code 0 "stats --reset"
protected=$(setup)
run set Setup "$SETUP" "$original";      expect_code 1 "write a protected Setup"
expect_error "cannot write \"Setup\" $SETUP: status 13 (write protected)" "write a protected Setup"
run delete Setup "$SETUP";               expect_code 1 "delete a protected Setup"
expect_error "cannot delete \"Setup\" $SETUP: status 13 (write protected)" "delete a protected Setup"
expect_setup "$protected" "after the refused writes"
run stats Setup "$SETUP"
expect_line "\"Setup\" $SETUP reads=0 writes=0 deletes=0 failed-writes=2 bytes-written=0" "failed writes counted"
run info;                                expect_line "Restart rules:  2" "info"
run rule clear;                          expect_code 0 "rule clear"
run rule list;                           [ -s "$work/out.txt" ] && fail "rules left after rule clear"
run set Setup "$SETUP" "$written";       expect_code 0 "write Setup once the rules are gone"

# Defaults: Setup becomes SetupDefault at the next restart only.
run rule add defaults;                   expect_code 0 "rule add defaults"
run rule list;                           expect_line '1: defaults "Setup" from "SetupDefault" at the next reboot' "defaults listed"
run reboot;                              expect_line 'rule: "Setup" reset from "SetupDefault"' "reboot with defaults"
expect_setup "$defaults" "after the defaults"
run set Setup "$SETUP" "$written";       expect_code 0 "write Setup after the defaults"
run reboot;                              expect_line "no capsule staged: nothing changed" "second reboot after the defaults"
expect_setup "$written" "after the second reboot"
run info;                                expect_line "Restart rules:  0" "the defaults rule used up"

# Wrong command lines: exit 2, the store byte for byte as it was.
cp "$FWSIM_STORE" "$work/before.store"
for line in "rule" "rule add" "rule add bogus" "rule list extra" "rule clear extra" "rule add defaults extra" \
    "rule add defaults --offset 1" "rule add protect Setup" "rule add protect Setup $SETUP --length 1" \
    "rule add protect Setup {nonsense}" "rule add revert Setup $SETUP" "rule add revert Setup $SETUP --offset 1" \
    "rule add revert Setup $SETUP --offset 1 --length 0" "rule add revert Setup $SETUP --offset x --length 1" \
    "rule add revert Setup $SETUP --offset 4294967295 --length 2"; do
    # shellcheck disable=SC2086 # each line is its words
    run $line;                           expect_code 2 "$line"
done
run rule add protect "" "$SETUP";        expect_code 2 "an empty name"; expect_error "variable name is empty" "an empty name"
run rule add revert Setup "$SETUP" --offset 508 --length 8; expect_code 1 "a range past the variable"
expect_error "has 512 bytes: the range does not lie within it" "a range past the variable"
run rule add revert Absent "$SETUP" --offset 0 --length 1; expect_code 1 "an absent variable"
expect_error "variable \"Absent\" $SETUP does not exist" "an absent variable"
expect_unchanged "the refused rules"

# A board without "SetupDefault" takes no defaults rule.
run delete SetupDefault "$SETUP";        expect_code 0 "delete SetupDefault"
cp "$FWSIM_STORE" "$work/before.store"
run rule add defaults;                   expect_code 1 "defaults without SetupDefault"
expect_error "the board has no \"SetupDefault\" $SETUP to reset \"Setup\" from" "defaults without SetupDefault"
expect_unchanged "the refused defaults rule"

[ "$failures" -eq 0 ] && echo "fwsim restart rules: all checks passed"
exit "$failures"

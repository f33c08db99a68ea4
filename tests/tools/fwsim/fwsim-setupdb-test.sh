#!/bin/sh
# fwsim-setupdb-test.sh WINE-EXEC FWSIM.EXE DEMO-BOARD TEST-FOLDER WORK-FOLDER
# The setup database through fwsim: a small profile compiled and dumped, the demo board's
# counts, a generated board of 20,000 questions, and refusals that create nothing.
wine_exec="$1"; fwsim="$2"; board="$3"; here="$4"; work="$5"
rm -rf "$work"; mkdir -p "$work"
FWSIM_STORE="$work/board.store"; export FWSIM_STORE
. "$here/fwsim-checks.sh"

# Every statement of a form set, dumped opcode by opcode.
run init --board "$here/setupdb-small.ini"; expect_code 0 "init of the small board"
run setupdb;                              expect_code 0 "setupdb of the small board"
diff -u "$here/setupdb-small.expected" "$work/out.txt" >"$work/diff" || { cat "$work/diff"; fail "setupdb of the small board differs"; }
run get Setup '{EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}'
expect_line 00000000000000000000000000000000010105000000000000000000000000000102030000000000000000000000000002000000000000000000000000000000 "the small board's defaults"
run get OemDefault '{EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}'
expect_line 00000000000000000000000000000000010105000000000000000000000000000102030000000000000000000000000002000000000000000000000000000000 "OemDefault copies the compiled Setup"

run init --board "$board" --force;        expect_code 0 "init of the demo board"
run setupdb --summary;                    expect_code 0 "the demo board's summary"
expect_line "tables 6, forms 18, questions 175 (one-of 44, check-box 97, numeric 29, ordered-list 3, password 2), references 17" "the demo board's summary"
run setupdb;                              expect_code 0 "the demo board's dump"
expect_line "          suppress-if EqVarVal 2 0" "the demo board's dump"
expect_line "          goto form 40 prompt \"Docking port\" help \"Docking port controller and security\" uqi none" "the demo board's dump"
expect_line "          select-store 2" "the demo board's dump"
[ "$(grep -c 'prompt "Wake on LAN"' "$work/out.txt")" -eq 2 ] || fail "the demo board has Wake on LAN on two forms"

run init --questions 20000 --force;       expect_code 0 "init of a generated board"
run setupdb --summary;                    expect_code 0 "the generated board's summary"
grep -q '^tables 20, forms 400, questions 20000 (' "$work/out.txt" || fail "the generated board has 20000 questions"
run profile --questions 3;                expect_code 0 "profile"
[ "$(grep -cE '^(OneOf|CheckBox|Numeric|OrderedList|Password) =' "$work/out.txt")" -eq 3 ] || fail "the profile of 3 questions"
run init --questions 0 --force;           expect_code 2 "init --questions 0"; expect_error "--questions needs a number from 1 to 100000" "init --questions 0"
run init --questions 5 --board "$board";  expect_code 2 "init with both"; expect_error "init takes --board FILE or --questions N" "init with both"

# A profile error names its line and leaves the store as it was.
cp "$FWSIM_STORE" "$work/before.store"
sed 's/^Option = value=2 text="Network"$/Option = value=2 text="Network" colour=blue/' "$here/setupdb-small.ini" >"$work/bad.ini"
run init --board "$work/bad.ini" --force; expect_code 1 "init of a bad profile"; expect_error 'bad.ini(32): unknown field "colour" in Option' "init of a bad profile"
cmp -s "$FWSIM_STORE" "$work/before.store" || fail "a refused profile changed the store"

[ "$failures" -eq 0 ] && echo "fwsim setupdb: all checks passed"
exit "$failures"

#!/bin/sh
# fwsim-smbios-test.sh WINE-EXEC FWSIM.EXE DEMO-BOARD WORK-FOLDER
# The SMBIOS strings at the emulated restart: written chassis strings are shown and stay
# written; removed strings come back from the manufacturing strings recorded at init.
wine_exec="$1"; fwsim="$2"; board="$3"; work="$4"
rm -rf "$work"; mkdir -p "$work"
FWSIM_STORE="$work/board.store"; export FWSIM_STORE

. "$(dirname "$0")/fwsim-checks.sh"
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n' | tr 'a-f' 'A-F'; }
SMBIOS='{70E56C5E-280C-44B0-A497-09681ABC375E}'
FIRMWARE='{6D3B9A41-2C7E-4F15-B8D0-94A1E25C7F36}'
INSTALLED="$(hex NEW-SERIAL-01)00"
expect_string() { run get "$1" "$SMBIOS"; expect_code 0 "$3: $1"; expect_line "$2" "$3: $1"; }

run init --board "$board";               expect_code 0 "init"
run list;                                expect_line "\"3.8\" $FIRMWARE attributes=3 size=16" "manufacturing strings"
cp "$FWSIM_STORE" "$work/before.store"
run reboot;                              expect_line "no capsule staged: nothing changed" "a board as made"
cmp -s "$FWSIM_STORE" "$work/before.store" || fail "a restart with nothing to do changed the store"

# Installed: shown at the restart, and again at every later one without a change.
run set '3.7Rv3&Kd9z' "$SMBIOS" "$INSTALLED"; expect_code 0 "write the chassis serial number"
run reboot;                              expect_line 'SMBIOS string "3.7" set from "3.7Rv3&Kd9z"' "after an install"
expect_string 3.7 "$INSTALLED" "after an install"
run reboot;                              expect_line "no capsule staged: nothing changed" "second restart after an install"

# Removed as Remove does it: every string as manufactured again.
for name in 1.4 1.5 1.6 1.7 3.4 3.6 '3.7Rv3&Kd9z'; do
    run delete "$name" "$SMBIOS";        expect_code 0 "delete $name"
done
run reboot --fail;                       expect_code 0 "restart after a removal"
for name in 1.4 1.5 1.6 1.7 3.4 3.6 3.7; do
    expect_line "SMBIOS string \"$name\" set from the manufacturing strings" "after a removal"
done
expect_string 1.4 "$(hex 'Kestrel Board Works')00" "after a removal"
expect_string 3.7 "$(hex CS0042118700)00" "after a removal"

# A string written under its own name is the board's string from then on.
run set 1.5 "$SMBIOS" "$(hex KB77DZ-R2)00"; expect_code 0 "write the product name"
run reboot;                              expect_line "no capsule staged: nothing changed" "after a product name"

[ "$failures" -eq 0 ] && echo "fwsim SMBIOS restart: all checks passed"
exit "$failures"

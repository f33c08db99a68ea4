#!/bin/sh
# pellam-roundtrip-test.sh WINE-EXEC BIN-FOLDER SOURCE-FOLDER WORK-FOLDER
# The administrator's round trip, each command a process of its own on the emulated demo
# board: extract the board's settings, edit the file, diff it (exactly the edits, nothing
# written), install it with a backup, find the edits on the board after the restart, install
# it again (nothing to do), refuse a --strict install that would skip an item, and install the
# backup, which gives back the board as it was, every variable byte for byte. Then validate
# on a board of a family the toolkit does not support.
wine_exec="$1"; bin="$2"; source="$3"; work="$4"
. "$(dirname "$0")/pellam-checks.sh"
writes() { fwsim stats | grep -v -e '^GetExportDb ' -e ' writes=0 deletes=0 failed-writes=0 '; }
expect_no_writes() { w=$(writes); [ -z "$w" ] || fail "$1 wrote: $w"; }
# Every variable of the board with its attributes and bytes, one per line, sorted. An SMBIOS
# string's variable only up to the string's terminating zero: an install writes the string
# and its zero over the variable, which never shrinks, so after a longer string a shorter one
# leaves bytes past its zero that the firmware does not read.
SMBIOS_GUID='{70E56C5E-280C-44B0-A497-09681ABC375E}'
snapshot() {
    fwsim list | sed -n 's/^"\([^"]*\)" \({[^}]*}\) attributes=\([0-9]*\).*/\1 \2 \3/p' | sort |
        while read -r name guid attributes; do
            data=$(fwsim get "$name" "$guid")
            [ "$guid" = "$SMBIOS_GUID" ] && data=$(echo "$data" | awk '{ for (i = 1; i < length($0); i += 2) if (substr($0, i, 2) == "00") { print substr($0, 1, i + 1); exit } print }')
            echo "$name $guid $attributes $data"
        done
}
# An INI file without its comment lines, for comparing what two files hold.
settings_of() { tr -d '\r' <"$1" | grep -v '^;'; }

fwsim init --board "$source/boards/demo-board.ini" >/dev/null || { echo "cannot make the board"; exit 1; }
# A board whose settings the toolkit has installed once holds the chassis strings in variables
# of their own; a fresh one does not, and the first install creates them.
pellam extract settled.ini --components smbios,tokens --quiet
pellam install settled.ini --components smbios,tokens --quiet; expect_code $exit_restart "settle the board"
fwsim reboot >/dev/null
snapshot >before.board
fwsim stats --reset >/dev/null

pellam extract board.ini --components smbios,tokens --quiet; expect_code 0 "extract"
expect_no_writes "extract"
# Four edits: a choice, a check box, a number and an SMBIOS string.
python3 - <<'EOF'
import re
text = open('board.ini', encoding='latin-1', newline='').read()
for section, value in (('SETTING_0100', '2'), ('SETTING_0101', 'FALSE'), ('SETTING_0108', '5')):
    text, n = re.subn(r'(\[%s\]\r\nValue=)[^\r]*' % section, r'\g<1>' + value, text)
    assert n == 1, section
text, n = re.subn(r'(\r\nSystemProduct=)[^\r]*', r'\g<1>KB77-EDIT', text)
assert n == 1
open('edited.ini', 'w', encoding='latin-1', newline='').write(text)
EOF

# diff shows exactly the edits, old -> new with the choices' texts, and writes nothing.
pellam diff edited.ini;                   expect_code 0 "diff"
expect_line '  change  tokens 0100 "System language": 0 (English) -> 2 (Deutsch)' "diff"
expect_line '  change  smbios SMBIOS.values.SystemProduct "Product Name": KB77DZ -> KB77-EDIT' "diff"
[ "$(grep -c '^  change  ' out.txt)" -eq 4 ] || fail "diff shows $(grep -c '^  change  ' out.txt) changes, not the 4 edits"
pellam plan edited.ini --json;            expect_code 0 "plan --json"
json "d['operation'] == 'diff' and sorted((i['component'], i['key']) for i in d['plan']['items'] if i['changes']) == [(2, 'SMBIOS.values.SystemProduct'), (16, '0100'), (16, '0101'), (16, '0108')]"
json "[(i['before'], i['after']) for i in d['plan']['items'] if i['key'] == '0108'] == [('2', '5')] and not [i for i in d['plan']['items'] if i['skipped']]"
json "sorted(v['name'] for v in d['plan']['variables'] if v['written']) == ['1.5', 'OemDefault', 'Setup']"
expect_no_writes "diff"

# The install with a backup: the edits are on the board after the restart, and nothing else
# changed: the board's settings read back are the edited file's.
pellam install edited.ini --backup backup.ini; expect_code $exit_restart "install --backup"
grep -q '^install: 4 items to change, .*; takes effect at the next restart$' out.txt || fail "install summary"
tr -d '\r' <backup.ini | grep -qx 'SystemProduct=KB77DZ' || fail "the backup does not hold the board as it was"
fwsim reboot >/dev/null
pellam extract after.ini --components smbios,tokens --quiet
settings_of edited.ini >edited.txt
settings_of after.ini | diff - edited.txt >after.diff || { fail "the board after the restart is not the edited file"; cat after.diff; }
fwsim stats --reset >/dev/null
pellam install edited.ini;                expect_code 0 "the same install again"
grep -q '^install: nothing to do' out.txt || fail "the same install again says what it did"
expect_no_writes "the same install again"

# --strict: one UQI the board does not have makes the whole install refuse, though the
# other items could be written.
python3 -c "
t = open('backup.ini', encoding='latin-1', newline='').read()
open('strict.ini', 'w', encoding='latin-1', newline='').write(t + '[SETTING_7FFF]\r\nValue=1\r\n')"
pellam install strict.ini --strict;       expect_code 1 "install --strict"
expect_error "1 items would be skipped (--strict); nothing written" "install --strict"
expect_no_writes "install --strict"

# The backup gives back the board: every variable as it was.
pellam install backup.ini;                expect_code $exit_restart "install of the backup"
fwsim reboot >/dev/null
snapshot >restored.board
diff before.board restored.board >restored.diff || { fail "the backup did not restore the board"; cat restored.diff; }

# validate: the same board with the BIOS ID of a family the toolkit does not support.
fwsim set FirmwareId "{EFC071AE-41B8-4018-AFA7-314B185E578B}" \
    "$(printf 'QX4400Z.99B.0050.2014.0101.0000' | od -An -tx1 | tr -d ' \n')" >/dev/null
pellam validate --json;                   expect_code 1 "validate on an unsupported board"
json "d['valid'] is False and d['exitCode'] == 1 and any(e['name'] == 'OnInvalidBoard' for e in d['events'])"
pellam validate;                          expect_code 1 "validate on an unsupported board"
expect_error "this system is not supported: the board is not supported" "validate on an unsupported board"

[ "$failures" -eq 0 ] && echo "pellam round trip: all checks passed"
exit "$failures"

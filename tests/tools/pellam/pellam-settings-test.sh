#!/bin/sh
# pellam-settings-test.sh WINE-EXEC BIN-FOLDER SOURCE-FOLDER WORK-FOLDER
# pellam settings and pellam set as an administrator runs them, each a process of its own, on
# a fresh demo board (boards/demo-board.ini): the listing against the board's profile, and
# the board's counters for what each change wrote.
wine_exec="$1"; bin="$2"; source="$3"; work="$4"
. "$(dirname "$0")/pellam-checks.sh"
# The names of the variables written since the last reset of the counters, sorted, on one line.
written() { fwsim stats | grep -v -e '^GetExportDb ' -e ' writes=0 deletes=0 ' | sed 's/^"\([^"]*\)".*/\1/' | sort | tr '\n' ' '; }
expect_written() { w=$(written); [ "$w" = "$1" ] || fail "$2 wrote [$w], expected [$1]"; fwsim stats --reset >/dev/null; }

fwsim init --board "$source/boards/demo-board.ini" >/dev/null || { echo "cannot make the board"; exit 1; }
fwsim stats --reset >/dev/null

# The listing, as the profile defines the tokens: a choice, a number, a locked check box, a
# check box on a form that the platform hides; the two tokens not offered are left out.
pellam settings;                          expect_code 0 "settings"
expect_line "  0100  System language" "settings"
expect_line "        choice: 0 (English); default 0 (English)" "settings"
expect_line "        choices: 0 (English), 1 (Français), 2 (Deutsch), 3 (Español)" "settings"
expect_line "  0108  Start-up message time" "settings"
expect_line "        number: 2; default 2; 0 to 10" "settings"
expect_line "        number: 256; default 256; 128 to 512 in steps of 128" "settings"
expect_line "  0503  Trusted platform module" "settings"
expect_line "        check box: 1 (on); default 1 (on); locked" "settings"
expect_line "  033E  Docking port controller" "settings"
expect_line "        check box: 1 (on); default 1 (on); not applicable" "settings"
expect_line "  SMBIOS.values.SystemProduct (Product Name): KB77DZ" "settings"
expect_line "settings: 170 tokens, 8 SMBIOS strings" "settings"
pellam settings --json;                   expect_code 0 "settings --json"
json "d['operation'] == 'settings' and d['exitCode'] == 0 and len(d['tokens']) == 170 and len(d['smbios']) == 8"
json "[(t['kind'], t['value'], t['default'], t['choices']) for t in d['tokens'] if t['uqi'] == '0100'] == [('choice', 0, 0, [{'value': v, 'text': s} for v, s in enumerate(['English', 'Français', 'Deutsch', 'Español'])])]"
json "[(t['name'], t['kind'], t['value'], t['minimum'], t['maximum'], t['step'], t['choices']) for t in d['tokens'] if t['uqi'] == '0108'] == [('Start-up message time', 'number', 2, 0, 10, 1, [])]"
json "[(t['kind'], t['value'], t['locked'], t['lockable'], t['hidden'], t['applicable']) for t in d['tokens'] if t['uqi'] == '0503'] == [('checkbox', 1, True, True, False, True)]"
json "[t['applicable'] for t in d['tokens'] if t['uqi'] == '033E'] == [False] and not [t for t in d['tokens'] if t['uqi'] in ('0111', '0115')]"
json "[(t['kind'], t['value'][:5]) for t in d['tokens'] if t['uqi'] == '020E'] == [('orderedList', [1, 2, 3, 4, 5])]"
json "{s['key']: s['value'] for s in d['smbios']}['SMBIOS.values.SystemProduct'] == 'KB77DZ'"
# Names in any case, UQIs with or without 0x; in the board's order.
pellam settings 0x108 "SYSTEM LANGUAGE" --json; expect_code 0 "settings NAME UQI"
json "[t['uqi'] for t in d['tokens']] == ['0100', '0108'] and d['smbios'] == []"
pellam settings 0100 "No such setting";   expect_code 2 "settings of an unknown name"
expect_error 'no setting of this board is named "No such setting"' "settings of an unknown name"
expect_written "" "settings"

# A choice by its text: written, shown by the next listing; the same again writes nothing.
pellam set "system language=deutsch";     expect_code $exit_restart "set by text"
expect_line '  change  tokens 0100 "System language": 0 (English) -> 2 (Deutsch)' "set by text"
grep -q '^set: 1 item to change, 169 unchanged, 0 skipped, 2 variables to write; takes effect at the next restart$' out.txt ||
    fail "set summary"
expect_written "OemDefault QrvBiosModVar Setup " "set by text"
pellam settings "System language";        expect_code 0 "settings after set"
expect_line "        choice: 2 (Deutsch); default 0 (English)" "settings after set"
pellam set "System language=2" --json;    expect_code 0 "set of what the board holds"
json "d['exitCode'] == 0 and d['summary'].startswith('set: nothing to do') and d['assignments'][0]['valueText'] == '2 (Deutsch)'"
expect_written "" "set of what the board holds"

# Values a setting does not take: refused before anything is assigned, naming what it takes.
pellam set 0x0108=3 0108=11;              expect_code 2 "number out of range"
expect_error '"Start-up message time" (0108) does not take "11": it takes 0 to 10; nothing written' "number out of range"
pellam set "System language=Klingon";     expect_code 2 "unknown choice"
expect_error 'it takes 0 (English), 1 (Français), 2 (Deutsch), 3 (Español)' "unknown choice"
pellam set "Graphics aperture size=200";  expect_code 2 "off step"
pellam set "Quiet boot=maybe";            expect_code 2 "check box"
pellam set "No such setting=1";           expect_code 2 "set of an unknown name"
pellam set "SMBIOS.values.SystemVersion=Ω"; expect_code 2 "string the firmware cannot hold"
expect_error "SMBIOS.values.SystemVersion does not take" "string the firmware cannot hold"
expect_written "" "the refused values"

# An SMBIOS string with a check box: only the string's variable and the setup images are
# written. The demo board's chassis serial number and asset tag have variables of their own
# that nothing has written yet; installing the strings read from the board would create them.
pellam set SMBIOS.values.SystemProduct=KB77-NEW "Quiet boot=off" 0x108=0xA; expect_code $exit_restart "set of a string"
expect_line '  change  smbios SMBIOS.values.SystemProduct "Product Name": KB77DZ -> KB77-NEW' "set of a string"
expect_written "1.5 OemDefault Setup " "set of a string"
pellam settings smbios.values.systemproduct 0101 0108 --json; expect_code 0 "settings after the string"
json "d['smbios'][0]['value'] == 'KB77-NEW' and [t['value'] for t in d['tokens']] == [0, 10]"

[ "$failures" -eq 0 ] && echo "pellam settings: all checks passed"
exit "$failures"

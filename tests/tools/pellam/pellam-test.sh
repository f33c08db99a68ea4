#!/bin/sh
# pellam-test.sh WINE-EXEC BIN-FOLDER SOURCE-FOLDER WORK-FOLDER
# Runs pellam as an administrator does, from a folder of the user's own with relative file
# names, on a fresh demo board: exit codes, output, the --json document, and the board's
# counters for what each command wrote.
wine_exec="$1"; bin="$2"; source="$3"; work="$4"
. "$(dirname "$0")/pellam-checks.sh"
# The variables written since the last `fwsim stats --reset`.
writes() { fwsim stats | grep -v -e '^GetExportDb ' -e ' writes=0 deletes=0 failed-writes=0 '; }
expect_no_writes() { w=$(writes); [ -z "$w" ] || fail "$1 wrote: $w"; }

fwsim init --board "$source/boards/demo-board.ini" >/dev/null || { echo "cannot make the board"; exit 1; }
printf '\0\1\2binary' >picture.bin
fwsim stats --reset >/dev/null

# Wrong command lines and inputs: exit 2, a message that names the problem, nothing written.
pellam;                                   expect_code 2 "no command"
pellam frobnicate;                        expect_code 2 "unknown command"; expect_error 'unknown command "frobnicate"' "unknown command"
pellam info --frob;                       expect_code 2 "unknown option"; expect_error "unknown option --frob" "unknown option"
pellam install;                           expect_code 2 "install without a file"; expect_error "install takes one INI file" "install without a file"
pellam install absent.ini;                expect_code 2 "missing file"; expect_error "cannot open" "missing file"
pellam install picture.bin;               expect_code 2 "not an INI file"; expect_error "is not an INI file" "not an INI file"
printf '[System]\r\nINIversion=2.9\r\n' >empty.ini
pellam diff empty.ini;                    expect_code 2 "no component's settings"; expect_error "holds the settings of no component" "no component's settings"
pellam extract x.ini --components bogus;  expect_code 2 "unknown component"; expect_error 'unknown component "bogus"' "unknown component"
pellam diff picture.bin --components payload; expect_code 2 "payload"; expect_error "does not take the component payload" "payload"
pellam diff x.ini --answer noequals;      expect_code 2 "bad answer"; expect_error "--answer takes KEY=TEXT" "bad answer"
pellam extract a.ini --components bios --components tokens; expect_code 2 "option twice"; expect_error "--components is given twice" "option twice"
expect_no_writes "the refused command lines"

pellam help;                              expect_code 0 "help"; expect_line "usage: pellam COMMAND [ARGUMENTS] [--json] [--quiet] [--warnings-as-errors]" "help"
pellam info;                              expect_code 0 "info"; expect_line "BIOS ID:             DBZ7710H.86A.0042.2013.0312.1045" "info"
expect_line "Release date:        2013-03-12 10:45" "info"; expect_line "Supported system:    yes" "info"
pellam info --json;                       expect_code 0 "info --json"
json "d['operation'] == 'info' and d['exitCode'] == 0 and d['board']['biosId'] == 'DBZ7710H.86A.0042.2013.0312.1045' and d['board']['valid']"
pellam validate;                          expect_code 0 "validate"; expect_line "validate: this system is supported" "validate"

# A relative name is the user's folder's, though the toolkit makes the program's current.
pellam extract board.ini --quiet;         expect_code 0 "extract"; expect_line "extract: wrote $(winepath -w "$work" 2>/dev/null || echo "?")\\board.ini (bios, smbios, cooling, tokens)" "extract" 2>/dev/null
[ -s board.ini ] || fail "extract did not write board.ini into the user's folder"
grep -q '^\[SMBIOS.values\]' board.ini || fail "board.ini has no SMBIOS strings"
expect_no_writes "extract"

# A fresh board holds no SMBIOS strings of its own nor a cooling sequence: installing what
# was read creates them. diff says so and writes nothing; the install writes, the second
# install of the same file has nothing to do.
pellam diff board.ini --json;             expect_code 0 "diff"
json "d['operation'] == 'diff' and d['exitCode'] == 0 and any(v['written'] for v in d['plan']['variables'])"
json "[(i['before'], i['after'], i['changes']) for i in d['plan']['items'] if i['component'] == 1 and i['key'] == 'Setup'] == [('512 bytes', '512 bytes', False)]"
expect_no_writes "diff"
pellam install board.ini;                 expect_code $exit_restart "install"
expect_line "installing tokens..." "install events"
grep -q '^install: .*; takes effect at the next restart$' out.txt || fail "install summary"
[ -n "$(writes)" ] || fail "the install wrote nothing"
fwsim stats --reset >/dev/null
pellam install board.ini --json;          expect_code 0 "install of what the board holds"
json "d['exitCode'] == 0 and d['summary'].startswith('install: nothing to do')"
expect_no_writes "the install of what the board holds"

# A file that asks for an SMBIOS string: refused without an answer, taken with one; the
# backup holds the board as it was.
cp "$source/docs/samples/kb77dz-settings.ini" sample.ini
pellam install sample.ini --components smbios,tokens; expect_code 1 "no answer"
expect_error 'the file asks "Type the asset tag from the label on the case" and no --answer KEY=TEXT answers it' "no answer"
expect_no_writes "the install without an answer"
pellam install sample.ini --components smbios,tokens --answer "ASSET TAG=TAG-7" --backup before.ini --strict
expect_code $exit_restart "install with an answer"
expect_line '  change  smbios SMBIOS.values.ChassisAssetTag "Chassis Asset Tag":  -> TAG-7' "install with an answer"
grep -q '^ChassisAssetTag=TAG-7' before.ini && fail "the backup was taken after the install"
fwsim reboot >/dev/null  # the firmware shows the strings written at its next start
pellam extract after.ini --components smbios --quiet
grep -q '^ChassisAssetTag=TAG-7' after.ini || fail "the answer is not on the board: $(grep ChassisAssetTag after.ini)"

# Warnings: the demo board has no chassis serial number nor asset tag, and removing the
# SMBIOS strings warns for each, but removes the others (3010); a second removal finds none
# (0, eight warnings), and fails only with --warnings-as-errors.
fwsim init --board "$source/boards/demo-board.ini" --force >/dev/null
pellam remove --components smbios;        expect_code $exit_restart "remove"
expect_line "warning: SMBIOS string SMBIOS.values.ChassisAssetTag: nothing to remove" "remove warnings"
pellam remove --components smbios --warnings-as-errors --json; expect_code 1 "warnings as errors"
json "d['exitCode'] == 1 and len(d['warnings']) == 8 and d['resultName'] == 'S_WARNINGS' and d['summary'].startswith('remove: nothing to do')"

[ "$failures" -eq 0 ] && echo "pellam: all checks passed"
exit "$failures"

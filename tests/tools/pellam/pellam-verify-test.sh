#!/bin/sh
# pellam-verify-test.sh WINE-EXEC BIN-FOLDER SOURCE-FOLDER WORK-FOLDER
# pellam verify after the restart, each command a process of its own, on a demo board that is
# told to misbehave at its restart the way firmware does (fwsim rule): one that ignores the
# write of a setting, one that resets its settings to their defaults and one that protects
# "Setup". verify must name exactly the settings the restart did not keep.
wine_exec="$1"; bin="$2"; source="$3"; work="$4"
. "$(dirname "$0")/pellam-checks.sh"
SETUP="Setup {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}"
# json_items STATUS: the keys of the --json document's items of that status, sorted.
verified() { python3 -c "import json; d=json.load(open('out.txt', encoding='utf-8')); print(' '.join(sorted(i['key'] for i in d['verify']['items'] if i['status'] == '$1')))"; }
expect_verified() { v=$(verified "$1"); [ "$v" = "$2" ] || fail "$3: $1 [$v], expected [$2]"; }

fwsim init --board "$source/boards/demo-board.ini" >/dev/null || { echo "cannot make the board"; exit 1; }
pellam verify;                            expect_code 2 "verify before any install"
expect_error "no install of this machine is kept to verify" "verify before any install"
pellam verify --bio x.bio --config x.ini; expect_code 2 "verify of an image and a file"
pellam verify edited.ini;                 expect_code 2 "verify with a positional file"

pellam extract board.ini --components smbios,tokens --quiet
python3 - <<'EOF'
import re
text = open('board.ini', encoding='latin-1', newline='').read()
for section, value in (('SETTING_0100', '2'), ('SETTING_0108', '5'), ('SETTING_033E', 'FALSE')):
    text, n = re.subn(r'(\[%s\]\r\nValue=)[^\r]*' % section, r'\g<1>' + value, text)
    assert n == 1, section
open('edited.ini', 'w', encoding='latin-1', newline='').write(text)
EOF

# The firmware ignores the write of "System language" (offset 0x10): its byte goes back at
# the restart. verify names exactly that setting; every other item of the file is applied.
fwsim rule add revert $SETUP --offset 16 --length 1 >/dev/null
pellam install edited.ini;                expect_code $exit_restart "install"
grep -q '^kept for verify: ' out.txt || fail "install did not keep its configuration"
fwsim reboot >/dev/null
pellam verify;                            expect_code 3 "verify after a restart that reverted a setting"
expect_line '  not applied     tokens 0100 "System language": the board holds 0 (English), not 2 (Deutsch)' "verify"
[ "$(grep -c '^  not ' out.txt)" -eq 1 ] || fail "verify names $(grep -c '^  not ' out.txt) items, not the one reverted"
expect_error "1 not applied, 0 not applicable" "verify"
pellam verify --json;                     expect_code 3 "verify --json"
expect_verified "not applied" "0100" "verify --json"
json "d['verify']['notApplied'] == 1 and d['verify']['notApplicable'] == 0 and d['verify']['applied'] == len(d['verify']['items']) - 1 and d['verify']['applied'] > 170"
json "[(i['found'], i['expected']) for i in d['verify']['items'] if i['key'] in ('0108', '033E')] == [('5', '5'), ('0 (UNCHECKED)', '0 (UNCHECKED)')]"
pellam verify --config edited.ini --components tokens --quiet; expect_code 3 "verify --config"
# The history holds each outcome; the one of the kept configuration names the install it checked.
pellam history --json;                    expect_code 0 "history"
json "[(r['operation'], r['result']) for r in d['records']] == [('install', '0x00000000'), ('verify', '0x00000001'), ('verify', '0x00000001'), ('verify', '0x00000001')]"
json "d['records'][1]['refersTo'] == d['records'][0]['time'] and d['records'][3]['refersTo'] == ''"
json "[(i['key'], i['status'], i['before'], i['after']) for i in d['records'][1]['items']] == [('0100', 'not applied', '0 (English)', '2 (Deutsch)')]"

# A clean restart: the install of the same file writes the setting again, and it stays.
fwsim rule clear >/dev/null
pellam install edited.ini --quiet;        expect_code $exit_restart "install again"
fwsim reboot >/dev/null
pellam verify;                            expect_code 0 "verify after a clean restart"
grep -q '^verify: the board holds .*last-install.ini (.* applied, 0 not applied, 0 not applicable)$' out.txt ||
    fail "verify after a clean restart: summary"

# A firmware that resets its settings to their defaults after a failed start: the two settings
# go back, and the docking port controller, which its platform hides, is not applicable.
fwsim rule add defaults >/dev/null
fwsim reboot >/dev/null
pellam verify --json;                     expect_code 3 "verify after a reset to defaults"
expect_verified "not applied" "0100 0108" "verify after a reset to defaults"
expect_verified "not applicable" "033E" "verify after a reset to defaults"

# A variable the firmware protects: the install fails naming what the firmware answered, and
# the history records the failure with it.
fwsim rule clear >/dev/null
fwsim rule add protect $SETUP >/dev/null
pellam set "System language=Español";     expect_code 1 "set of a protected variable"
expect_error 'the firmware-variable library answered status 13 to the write of "Setup"' "set of a protected variable"
pellam history --json;                    expect_code 0 "history after the refused write"
json "d['records'][-1]['operation'] == 'set' and d['records'][-1]['result'] == '0x8239001C' and any('status 13' in w for w in d['records'][-1]['warnings'])"

[ "$failures" -eq 0 ] && echo "pellam verify: all checks passed"
exit "$failures"

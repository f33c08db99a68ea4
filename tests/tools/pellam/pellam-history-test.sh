#!/bin/sh
# pellam-history-test.sh WINE-EXEC BIN-FOLDER SOURCE-FOLDER WORK-FOLDER
# The history of changes as an administrator meets it: on a fresh demo board an install of
# an edited file, a set, a remove and a flash each leave one record, read back by pellam
# history in order with their values before and after; --since filters them; a set that
# dies while appending leaves one damaged line that the next set and pellam history step over.
# The history file is the one pellam-checks.sh puts in the work folder.
wine_exec="$1"; bin="$2"; source="$3"; work="$4"
. "$(dirname "$0")/pellam-checks.sh"
tool() { program="$1"; shift; "$wine_exec" "$bin/$program.exe" "$@" >tool.out 2>&1 || { echo "$program $*:"; cat tool.out; exit 1; }; }
sha() { sha256sum "$1" | cut -d' ' -f1; }

OLD_ID='DBZ7710H.86A.0042.2013.0312.1045'
NEW_ID='DBZ7710H.86A.0043.2014.0204.1130'
NEXT_ID='DBZ7710H.86A.0044.2014.0301.0900'

fwsim init --board "$source/boards/demo-board.ini" >/dev/null || { echo "cannot make the board"; exit 1; }
tool biotool create new.bio --id "$NEW_ID" --body-size 16K
pellam extract board.ini --components tokens --quiet; expect_code 0 "extract"
python3 - <<'PY'
import re
text = open('board.ini', encoding='latin-1', newline='').read()
text, n = re.subn(r'(\[SETTING_0100\]\r\nValue=)[^\r]*', r'\g<1>2', text)
assert n == 1
open('edited.ini', 'w', encoding='latin-1', newline='').write(text)
PY

# Four changes, each its own process; reading and planning leave no record.
pellam install edited.ini --components tokens; expect_code $exit_restart "install"
pellam diff edited.ini --quiet;           expect_code 0 "diff"
pellam set 0108=5;                        expect_code $exit_restart "set"
pellam remove --components smbios;        remove_code=$code
pellam flash --bio new.bio;               expect_code $exit_restart "flash"

pellam history --json;                    expect_code 0 "history --json"
json "[r['operation'] for r in d['records']] == ['install', 'set', 'remove', 'flash']"
json "[r['components'] for r in d['records']] == [['tokens'], ['tokens'], ['smbios'], []]"
json "all(r['host'].lower().endswith('\\\\pellam.exe') and r['user'] and r['time'].endswith('Z') for r in d['records'])"
json "d['warnings'] == [] and d['records'][0]['resultName'] in ('S_OK', 'S_WARNINGS')"
# The install names its file in full and the digest of what was loaded.
json "d['records'][0]['file'].lower().endswith('\\\\edited.ini') and d['records'][0]['sha256'] == '$(sha edited.ini)'"
json "[(i['component'], i['key'], i['before'], i['after'], i['secret']) for i in d['records'][0]['items']] == [(16, '0100', '0 (English)', '2 (Deutsch)', False)]"
json "[(i['key'], i['before'], i['after']) for i in d['records'][1]['items']] == [('0108', '2', '5')] and d['records'][1]['file'] == ''"
json "[(i['component'], i['key'], i['after']) for i in d['records'][2]['items']] == [(2, 'smbios', 'removed')]"
json "d['records'][3]['file'].lower().endswith('\\\\new.bio') and d['records'][3]['sha256'] == '$(sha new.bio)'"
json "[(i['key'], i['before'], i['after']) for i in d['records'][3]['items']] == [('BIOS ID', '$OLD_ID', '$NEW_ID'), ('capsule status', '0', 'pending')]"
[ "$remove_code" -eq 0 ] || [ "$remove_code" -eq "$exit_restart" ] || fail "remove: exit code $remove_code"

# The readable form: one block per record, each item as key "name": before -> after.
pellam history;                           expect_code 0 "history"
expect_line '  0100 "System language": 0 (English) -> 2 (Deutsch)' "history"
expect_line "  BIOS ID \"BIOS ID\": $OLD_ID -> $NEW_ID" "history"
[ "$(grep -c '^  result:     ' out.txt)" -eq 4 ] || fail "history shows $(grep -c '^  result:     ' out.txt) blocks, not 4"
grep -q '^history: 4 of 4 records in ' out.txt || fail "history summary"

# --since: a day, or a full time; records from then on only.
pellam history --since 2000-01-01 --json; expect_code 0 "--since a day"
json "len(d['records']) == 4"
pellam history --since 2999-12-31 --json; expect_code 0 "--since a later day"
json "d['records'] == [] and d['summary'].startswith('history: 0 of 4 records since 2999-12-31T00:00:00Z')"
flash_time=$(python3 -c "import json; print(json.loads(open('$work/history/history.jsonl').read().splitlines()[3])['time'])")
pellam history --since "$flash_time" --json; expect_code 0 "--since a time"
json "d['records'] and d['records'][-1]['operation'] == 'flash' and all(r['time'] >= '$flash_time' for r in d['records'])"
pellam history --since yesterday;         expect_code 2 "--since of no date"
expect_error "--since takes a date YYYY-MM-DD" "--since of no date"

# A set that dies in the middle of its append: exit 99, the firmware changed, the line cut.
export PELLAM_HISTORY_TEST_CUT=40
pellam set 0108=7;                        expect_code 99 "set cut short"
unset PELLAM_HISTORY_TEST_CUT
pellam set 0108=3;                        expect_code $exit_restart "set after the cut"
pellam history --json;                    expect_code 0 "history with a damaged line"
json "len(d['warnings']) == 1 and d['warnings'][0].startswith('history: line 5 of ') and d['warnings'][0].endswith(' is damaged; skipped')"
json "[r['operation'] for r in d['records']] == ['install', 'set', 'remove', 'flash', 'set']"
# The cut set did write: the next one found its value.
json "[(i['key'], i['before'], i['after']) for i in d['records'][4]['items']] == [('0108', '7', '3')]"
pellam history;                           expect_code 0 "history shows the damage"
[ "$(grep -c 'is damaged; skipped' out.txt)" -eq 1 ] || fail "history warns $(grep -c 'is damaged; skipped' out.txt) times, not once"
pellam history --warnings-as-errors;      expect_code 1 "history --warnings-as-errors"

# The restart flashes the image: the next run of pellam, whatever its command, records that
# the flash was applied, once. A flash that fails at the restart is recorded as not applied.
fwsim reboot >/dev/null
pellam info;                              expect_code 0 "info after the restart"
expect_line "history: the flash of $flash_time was applied" "info after the restart"
pellam info --quiet;                      expect_code 0 "info again"
pellam history --json;                    expect_code 0 "history after the restart"
json "[r['operation'] for r in d['records']][-2:] == ['set', 'flash applied'] and d['records'][-1]['refersTo'] == '$flash_time'"
json "[(i['before'], i['after'], i['status']) for i in d['records'][-1]['items']] == [('$OLD_ID', '$NEW_ID', 'applied')] and d['records'][-1]['result'] == '0x00000000'"
tool biotool create next.bio --id "$NEXT_ID" --body-size 16K
pellam flash --bio next.bio --quiet;      expect_code $exit_restart "second flash"
pellam validate;                          expect_code 0 "validate before the restart"
fwsim reboot --fail >/dev/null
pellam history --json;                    expect_code 0 "history after a failed restart"
json "[r['operation'] for r in d['records']][-3:] == ['flash applied', 'flash', 'flash applied']"
json "[(i['before'], i['after'], i['status']) for i in d['records'][-1]['items']] == [('$NEW_ID', '$NEW_ID', 'not applied')] and d['records'][-1]['result'] == '0x00000001'"

[ "$failures" -eq 0 ] && echo "pellam history: all checks passed"
exit "$failures"

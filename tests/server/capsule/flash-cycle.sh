#!/bin/sh
# flash-cycle.sh WINE_EXEC BIN FLASH_VBS VERIFY_VBS FIXTURE HOST
# The sample flash.vbs under HOST (scripthost: our script host; cscript: Wine's) on a
# copy of the fixture's cycle board. Refusals first: an image of another board and a missing
# image fail visibly and leave the board alone. Then the whole update as separate processes:
# the sample arms the update, fwsim restarts the board, and a new script asks whether the
# flash took place; then once more with a flash that fails.
wine_exec="$1"; bin="$2"; flash="$3"; verify="$4"; fixture="$5"; host="$6"
windows() { printf 'Z:%s' "$1" | tr '/' '\\'; }
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

FWSIM_STORE="$fixture/cycle-$host.store"; export FWSIM_STORE
cp "$fixture/cycle.store" "$FWSIM_STORE" || exit 1
# The history of changes of this run: the script's armed capsule goes into it.
history="$fixture/history-$host.jsonl"; rm -f "$history"
PELLAM_HISTORY=$(windows "$history"); export PELLAM_HISTORY

# run_script HOST SCRIPT ARGS...: the script's output in $out, its exit code in $code.
run_script() {
    script_host="$1"; script_file=$(windows "$2"); shift 2
    if [ "$script_host" = cscript ]; then
        set -- cscript.exe //nologo "$script_file" "$@"
    else
        set -- "$bin/scripthost.exe" "$script_file" "$@"
    fi
    out=$("$wine_exec" "$@" 2>&1); code=$?
    out=$(printf '%s\n' "$out" | tr -d '\r'); printf '%s\n' "$out"
}
has_line() { printf '%s\n' "$out" | grep -qxF "$1"; }
fwsim() { "$wine_exec" "$bin/fwsim.exe" "$@" 2>&1 | tr -d '\r'; }
fwsim_code() { "$wine_exec" "$bin/fwsim.exe" "$@" >/dev/null 2>&1; echo $?; }
capsule_slot() { fwsim info | sed -n 's/^Capsule: *\([a-z]*\).*/\1/p'; }
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n' | tr 'a-f' 'A-F'; }
DETECTION='QRVFlashDetectionStatus {05A798EA-39EE-40FC-82C5-622582FA634B}'
ID_GUID='{EFC071AE-41B8-4018-AFA7-314B185E578B}'
image=$(windows "$fixture/demo.bio")

# Events reach the sample's handler only under our script host; Wine's cscript refuses
# WScript.CreateObject with a prefix, and the sample says that it goes on without events.
events_line="Events are not available in this script host; going on without them."
check_events() {
    if [ "$host" = cscript ]; then
        has_line "$events_line" || fail "$1: the sample says that it has no events"
        has_line "The flash has started." && fail "$1: an event line without events"
    else
        has_line "The flash has started." || fail "$1: OnFlashStart in the sample"
        has_line "$events_line" && fail "$1: events are available under our script host"
    fi
}

run_script "$host" "$flash" "$(windows "$fixture/other.bio")"
[ "$code" -eq 1 ] || fail "another board's image: exit code $code"
has_line "This image is for another board; nothing was flashed." || fail "another board's image: the refusal"
missing=$(windows "$fixture/missing.bio")
run_script "$host" "$flash" "$missing"
[ "$code" -eq 1 ] || fail "a missing image: exit code $code"
has_line "flash.vbs: loading the image failed: Error:  File $missing not found. (error &H82390006)" ||
    fail "a missing image: the step and the server's description"
[ "$(capsule_slot)" = empty ] || fail "refusals leave the capsule slot empty"
[ "$(fwsim_code get $DETECTION)" -eq 1 ] || fail "refusals write no marker"

run_script "$host" "$flash" "$image"
[ "$code" -eq 0 ] || fail "arming: exit code $code"
has_line "flash.vbs: armed" || fail "arming"
check_events "arming"
[ "$(capsule_slot)" = armed ] || fail "the capsule is armed on the board"
[ "$(fwsim_code get $DETECTION)" -eq 0 ] || fail "the marker is written before the restart"
# One record, of the flash, made by the script host; the refusals made none.
[ -f "$history" ] && [ "$(wc -l <"$history")" -eq 1 ] || fail "the armed capsule is the history's one record"
python3 -c "
import json, sys
r = json.loads(open('$history').readline())
sys.exit(0 if r['operation'] == 'flash' and r['host'].lower().endswith(('\\\\cscript.exe', '\\\\scripthost.exe'))
         and r['file'].lower().endswith('\\\\demo.bio') and r['items'][0]['after'] == 'DBZ7710H.86A.0043.2014.0204.1130' else 1)" ||
    fail "the history's record of the armed capsule: $(cat "$history" 2>/dev/null)"

fwsim reboot
[ "$(fwsim get FirmwareId "$ID_GUID")" = "$(hex DBZ7710H.86A.0043.2014.0204.1130)" ] || fail "the board runs the new firmware"
[ "$(fwsim_code get $DETECTION)" -eq 1 ] || fail "firmware removed the marker"
# The verification counts OnFlashSuccess, so it always runs under our script host.
run_script scripthost "$verify"
has_line "verify_flash.vbs: flashed" || fail "verification after a good flash"

run_script "$host" "$flash" "$image"
has_line "flash.vbs: armed" || fail "arming again"
[ "$(capsule_slot)" = armed ] || fail "the capsule is armed again"
fwsim reboot --fail
[ "$(fwsim_code get $DETECTION)" -eq 0 ] || fail "a failed flash leaves the marker"
run_script scripthost "$verify"
has_line "verify_flash.vbs: not flashed" || fail "verification after a failed flash"
[ "$(fwsim_code get $DETECTION)" -eq 1 ] || fail "the verification deleted the marker"

rm -f "$FWSIM_STORE"
[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "flash-cycle: OK"

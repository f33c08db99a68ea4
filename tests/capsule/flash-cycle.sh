#!/bin/sh
# flash-cycle.sh WINE_EXEC BIN FLASH_VBS VERIFY_VBS FIXTURE
# The whole update as separate processes on the board named by FWSIM_STORE: a script arms
# the update, fwsim restarts the board, and a new script asks whether the flash took place.
# Then once more with a flash that fails.
wine_exec="$1"; bin="$2"; flash="$3"; verify="$4"; fixture="$5"
windows() { printf 'Z:%s' "$1" | tr '/' '\\'; }
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

FWSIM_STORE="$fixture/cycle-run.store"; export FWSIM_STORE
cp "$fixture/cycle.store" "$FWSIM_STORE" || exit 1

script() { "$wine_exec" "$bin/scripthost.exe" "$(windows "$1")" "$2" 2>&1 | tr -d '\r'; }
fwsim() { "$wine_exec" "$bin/fwsim.exe" "$@" 2>&1 | tr -d '\r'; }
fwsim_code() { "$wine_exec" "$bin/fwsim.exe" "$@" >/dev/null 2>&1; echo $?; }
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n' | tr 'a-f' 'A-F'; }
DETECTION='QRVFlashDetectionStatus {05A798EA-39EE-40FC-82C5-622582FA634B}'
ID_GUID='{EFC071AE-41B8-4018-AFA7-314B185E578B}'
image=$(windows "$fixture/demo.bio")

out=$(script "$flash" "$image"); echo "$out"
echo "$out" | grep -qxF "flash.vbs: armed" || fail "arming"
echo "$out" | grep -qxF "The flash has started." || fail "OnFlashStart in the sample"
[ "$(fwsim_code get $DETECTION)" -eq 0 ] || fail "the marker is written before the restart"

fwsim reboot
[ "$(fwsim get FirmwareId "$ID_GUID")" = "$(hex DBZ7710H.86A.0043.2014.0204.1130)" ] || fail "the board runs the new firmware"
[ "$(fwsim_code get $DETECTION)" -eq 1 ] || fail "firmware removed the marker"
out=$(script "$verify"); echo "$out"
echo "$out" | grep -qxF "verify_flash.vbs: flashed" || fail "verification after a good flash"

out=$(script "$flash" "$image"); echo "$out"
echo "$out" | grep -qxF "flash.vbs: armed" || fail "arming again"
fwsim reboot --fail
[ "$(fwsim_code get $DETECTION)" -eq 0 ] || fail "a failed flash leaves the marker"
out=$(script "$verify"); echo "$out"
echo "$out" | grep -qxF "verify_flash.vbs: not flashed" || fail "verification after a failed flash"
[ "$(fwsim_code get $DETECTION)" -eq 1 ] || fail "the verification deleted the marker"

rm -f "$FWSIM_STORE"
[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "flash-cycle: OK"

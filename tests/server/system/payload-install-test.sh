#!/bin/sh
# payload-install-test.sh WINE-EXEC BIN SOURCE WORK HOST
# A fan-control payload as a user installs one, each step a process of its own: payloadtool
# makes the file and says the server takes it, install-payload.vbs installs it under HOST
# (cscript or scripthost) into a demo board made without its monitor chip, and the board then
# holds the file behind its 15-byte header. The demo board itself, with its chip, refuses the
# same file and keeps its firmware as it was.
wine_exec="$1"; bin="$2"; source="$3"; work="$4"; host="$5"
rm -rf "$work"; mkdir -p "$work"; cd "$work" || exit 1
FWSIM_STORE="$work/board.store"; export FWSIM_STORE
. "$source/tests/server/system/install-checks.sh"
samples="$(windows "$source/docs/samples")"
AFSC='{ECBC76B8-59F8-4092-AC0B-765C3738C23E}'

# payloadtool ARGUMENTS...: output in out.txt, exit code in code.
payloadtool() {
    "$wine_exec" "$bin/payloadtool.exe" "$@" >"$work/out" 2>"$work/err"; code=$?
    tr -d '\r' <"$work/out" >"$work/out.txt"
}

payloadtool create fan.bin --data-size 16 --fill A5
expect_code 0 "create"; expect_line "Created fan.bin (24 bytes)" "create"
payloadtool info fan.bin
expect_code 0 "info"; expect_line "Length field: 24" "info"
expect_line 'Server: takes it (variable "AfscConfigData" of 39 bytes)' "info"

run init --board "$source/boards/demo-board.ini" --without-monitor; expect_code 0 "a board without the chip"
run_script "$host" "$samples\\install-payload.vbs" fan.bin
expect_code 0 "install"; expect_line "install-payload.vbs: OK" "install"
[ "$host" = scripthost ] && { expect_line "Installing the payload..." "install events"; expect_line "Installed the payload." "install events"; }
run get AfscConfigData "$AFSC"; expect_code 0 "the variable"
expect_line "435346410F01000000000000000000$(od -An -tx1 fan.bin | tr -d ' \n' | tr 'a-f' 'A-F')" "the variable"
run get QrvBiosModVar "$QRV_DATA"; expect_code 0 "the BIOS-modified flag"; expect_line 01 "the BIOS-modified flag"

# The demo board with its chip: refused, and nothing is written.
fresh_board "the board with the chip"
run stats --reset
run_script "$host" "$samples\\install-payload.vbs" fan.bin
expect_code 1 "refused"
expect_line "install-payload.vbs: installing $(windows "$work/fan.bin") failed: Unable to install one or more components. (error &H80004005)" "refused"
[ "$host" = scripthost ] && {
    expect_line "Payload error: Error: Vestra(R) Stillwater payloads are invalid on this hardware." "refusal events"
    expect_line "Payload error: Payload installation failed." "refusal events"
}
run stats
written=$(grep -v -e '^GetExportDb ' "$work/out.txt" | grep -v ' writes=0 deletes=0 failed-writes=0 ')
[ -z "$written" ] || fail "the refused install wrote: $written"

# A file whose length field is one more than its size: the tool warns, and says why the
# server refuses it.
payloadtool create long.bin --data-size 16 --length 25
expect_code 0 "create with a wrong length"; expect_error "the length field does not match" "create with a wrong length"
payloadtool info long.bin
expect_code 1 "info of a wrong length"
expect_line "Server: refuses it: the length field says 25 bytes, the file has 24 (0x8239002A)" "info of a wrong length"

payloadtool create big.bin --data-size 70000
expect_code 2 "a file no header describes"; expect_error "a payload file holds at most 65535 bytes" "a file no header describes"
[ -e big.bin ] && fail "a refused create left big.bin"
payloadtool create x.bin --data-size 8 --from fan.bin
expect_code 2 "data twice"; expect_error "create needs either --data-size N or --from DATAFILE" "data twice"

[ "$failures" -eq 0 ] && echo "payload install under $host: all checks passed"
exit "$failures"

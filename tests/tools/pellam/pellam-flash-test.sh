#!/bin/sh
# pellam-flash-test.sh WINE-EXEC BIN-FOLDER SOURCE-FOLDER WORK-FOLDER
# pellam's flash, verify and install --payload as an administrator runs them, each a process
# of its own on the emulated demo board, with fwsim reboot as the restart: the capsule slot,
# the running BIOS ID and the variables written tell what each command did.
wine_exec="$1"; bin="$2"; source="$3"; work="$4"
. "$(dirname "$0")/pellam-checks.sh"
tool() { program="$1"; shift; "$wine_exec" "$bin/$program.exe" "$@" >tool.out 2>&1 || { echo "$program $*:"; cat tool.out; exit 1; }; }
expect_capsule() { fwsim info | grep -qxF "Capsule:        $1" || fail "$2: capsule slot is not \"$1\": $(fwsim info | grep Capsule)"; }
size() { wc -c <"$1" | tr -d ' '; }

OLD_ID='DBZ7710H.86A.0042.2013.0312.1045'
NEW_ID='DBZ7710H.86A.0043.2014.0204.1130'
NEXT_ID='DBZ7710H.86A.0044.2014.0301.0900'
OTHER_ID='DBZ7710H.86B.0043.2014.0204.1130'
PAYLOAD_GUID='{ECBC76B8-59F8-4092-AC0B-765C3738C23E}'

fwsim init --board "$source/boards/demo-board.ini" >/dev/null || { echo "cannot make the board"; exit 1; }
tool biotool create new.bio --id "$NEW_ID" --body-size 16K
tool biotool create next.bio --id "$NEXT_ID" --body-size 16K
tool biotool create other.bio --id "$OTHER_ID" --body-size 16K
tool payloadtool create fan.bin --data-size 16 --fill A5
printf 'These are notes, not a firmware image.\r\n' >notes.txt
printf '[SMBIOS.values]\r\n' >small.ini
# A 2x2 24-bit bitmap.
printf 'BM\106\0\0\0\0\0\0\0\066\0\0\0' >pic.bmp
printf '\050\0\0\0\002\0\0\0\002\0\0\0\001\0\030\0\0\0\0\0\020\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0' >>pic.bmp
printf '\377\377\377\377\377\377\0\0\377\377\377\377\377\377\0\0' >>pic.bmp

# Wrong command lines and files: exit 2 and nothing staged.
pellam flash;                             expect_code 2 "flash without an image"; expect_error "flash needs --bio FILE" "flash without an image"
pellam flash --bio absent.bio;            expect_code 2 "missing image"; expect_error "cannot open" "missing image"
pellam flash --bio notes.txt;             expect_code 2 "not an image"; expect_error "is not a firmware image" "not an image"
pellam flash --bio new.bio --badge;       expect_code 2 "badge without splash"; expect_error "it needs --splash FILE" "badge without splash"
pellam flash --bio new.bio --splash absent.bmp; expect_code 2 "missing picture"; expect_error "cannot open" "missing picture"
pellam verify --bio notes.txt;            expect_code 2 "verify of no image"; expect_error "is not a firmware image" "verify of no image"
pellam install small.ini --components smbios,payload; expect_code 2 "payload without file"; expect_error "the payload component needs --payload FILE" "payload without file"
pellam install small.ini --components smbios --payload fan.bin; expect_code 2 "payload left out"; expect_error "which --components leaves out" "payload left out"
pellam install small.ini --payload absent.bin; expect_code 2 "missing payload"; expect_error "cannot open" "missing payload"
expect_capsule "empty, 0 bytes, last status 0, resets 0" "after the refused command lines"

# Another board's image: refused by the server, naming both IDs; nothing staged.
pellam flash --bio other.bio;             expect_code 1 "another board's image"
expect_error "$OTHER_ID" "another board's image"; expect_error "$OLD_ID" "another board's image"
expect_capsule "empty, 0 bytes, last status 0, resets 0" "after another board's image"

# An image for this board: armed (3010), applied at the restart, verified.
pellam flash --bio new.bio;               expect_code $exit_restart "flash"
expect_line "flashing the BIOS..." "flash events"; expect_line "the flash succeeded" "flash events"
expect_capsule "armed, $(size new.bio) bytes, last status 0, resets 0" "after flash"
fwsim reboot >/dev/null
pellam verify --bio new.bio;              expect_code 0 "verify"; expect_line "verify: the board runs $NEW_ID" "verify"
pellam info --json;                       expect_code 0 "info after the flash"
json "d['board']['biosId'] == '$NEW_ID' and d['board']['biosModified'] is False"

# A capsule the firmware never received leaves the last status at 0: only the running ID
# shows that the restart did not apply it.
fwsim stage next.bio --prepare-only >/dev/null
fwsim reboot >/dev/null
pellam verify --bio next.bio --json;      expect_code 3 "verify of a dropped capsule"
json "d['exitCode'] == 3 and d['verify']['flashSuccessful'] and not d['verify']['running'] and d['verify']['runningBiosId'] == '$NEW_ID'"
json "'the board runs $NEW_ID, not the image' in d['message'] and 'not applied' not in d['message']"

# A flash that fails at the restart: both checks say so.
pellam flash --bio next.bio --quiet;      expect_code $exit_restart "second flash"
fwsim reboot --fail >/dev/null
pellam verify --bio next.bio;             expect_code 3 "verify after a failed restart"
expect_error "the firmware reports the flash as not applied; the board runs $NEW_ID, not the image's $NEXT_ID" "verify after a failed restart"

# With a splash picture and the badge the engine rewrites the image: the capsule armed is
# not the file's bytes, and it applies.
pellam flash --bio next.bio --splash pic.bmp --badge --quiet; expect_code $exit_restart "flash with a splash"
armed=$(fwsim info | sed -n 's/^Capsule: *armed, \([0-9]*\) bytes.*/\1/p')
[ -n "$armed" ] && [ "$armed" -ne "$(size next.bio)" ] || fail "flash with a splash: armed '$armed' bytes, the file has $(size next.bio)"
fwsim reboot >/dev/null
pellam verify --bio next.bio --quiet;     expect_code 0 "verify of the flash with a splash"
pellam info;                              expect_line "BIOS ID:             $NEXT_ID" "info after the flash with a splash"

# A payload the board refuses (the demo board has a monitor chip): the SMBIOS strings are
# installed, the command fails with the server's message.
pellam extract board.ini --components smbios --quiet
pellam install board.ini --components smbios,payload --payload fan.bin; expect_code 1 "refused payload"
expect_line "installed smbios" "refused payload"; expect_error "Unable to install one or more components." "refused payload"
"$wine_exec" "$bin/fwsim.exe" get AfscConfigData "$PAYLOAD_GUID" >/dev/null 2>&1 && fail "the refused payload was written"

# On a board without the chip the payload installs though the tokens are as the board holds
# them, and the firmware is marked as changed.
fwsim init --board "$source/boards/demo-board.ini" --without-monitor --force >/dev/null
pellam extract tokens.ini --components tokens --quiet
pellam install tokens.ini --components tokens,payload --payload fan.bin; expect_code $exit_restart "payload"
expect_line "installed payload" "payload"
fwsim get AfscConfigData "$PAYLOAD_GUID" | grep -qx "435346410F010000000000000000004353464101001800A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5" ||
    fail "payload: AfscConfigData is $(fwsim get AfscConfigData "$PAYLOAD_GUID")"
pellam info;                              expect_line "BIOS modified:       yes" "info after the payload"

[ "$failures" -eq 0 ] && echo "pellam flash: all checks passed"
exit "$failures"

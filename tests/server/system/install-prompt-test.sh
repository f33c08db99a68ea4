#!/bin/sh
# install-prompt-test.sh WINE-EXEC BIN SOURCE WORK HOST
# An asset tag that the INI file asks for ("ChassisAssetTag=$PROMPT$"), answered "TAG-7" by a
# VBScript handler under HOST (cscript or scripthost), each install on a fresh demo board;
# the variable the install writes is read back with fwsim.
#
# What reaches the server: the server passes the answer as a reference to a string
# (VT_BYREF | VT_BSTR). Wine's VBScript engine makes a procedure's ByRef parameter refer to
# the caller's storage only when it is handed a reference to a Variant (VT_BYREF |
# VT_VARIANT); any other reference it copies, so the handler's assignment changes the copy
# and the server gets no answer (the install fails). Our script host hands such arguments
# to the script as references to Variant copies and stores them back, so there the answer
# arrives. JScript passes every argument by value, so a JScript handler cannot answer under
# any host. Wine's cscript cannot connect a handler at all; under it the test connects the
# handler through the test event bridge, first passing the arguments as the server gives
# them (no answer arrives), then as our script host does (the answer arrives).
wine_exec="$1"; bin="$2"; source="$3"; work="$4"; host="$5"
rm -rf "$work"; mkdir -p "$work"; cd "$work" || exit 1
FWSIM_STORE="$work/board.store"; export FWSIM_STORE
. "$source/tests/server/system/install-checks.sh"
script="$(windows "$source/tests/server/system/install_prompt.vbs")"
ASSET_TAG='3.8Wm5+Tq8h'

printf '[System]\r\nINIversion=2.9\r\n\r\n[SMBIOS.values]\r\nChassisAssetTag=$PROMPT$\r\n' >prompt.ini

# install CONNECTION: the file installed on a fresh board, the handler connected so.
install() {
    fresh_board "$1"
    run_script "$host" "$script" "$(windows "$work/prompt.ini")" "$1"
    expect_code 0 "$1: the script"; expect_line "prompts: 1" "$1: asked once"
}
answered() {
    expect_line "install_prompt.vbs: installed" "$1: the install"
    run get "$ASSET_TAG" "$SMBIOS"; expect_code 0 "$1: the asset tag written"
    expect_line "$(hex TAG-7)00" "$1: the answer with its terminator"
}
# unanswered WHAT [SCRIPT]
unanswered() {
    grep -q "^${2:-install_prompt.vbs}: install failed: " "$work/out.txt" || fail "$1: installed without an answer"
    run get "$ASSET_TAG" "$SMBIOS"; expect_code 1 "$1: nothing written"
}

if [ "$host" = scripthost ]; then
    install host; answered "the host's connection"
    # JScript passes every argument by value: its handler cannot answer.
    fresh_board "a JScript handler"
    run_script scripthost "$(windows "$source/tests/server/system/install_prompt.js")" "$(windows "$work/prompt.ini")"
    expect_code 0 "a JScript handler"; expect_line "prompts: 1" "a JScript handler: asked once"
    unanswered "a JScript handler" install_prompt.js
fi
install bridge; unanswered "the arguments as the server gives them"
install bridge-variants; answered "the answer as a reference to a Variant"

# The sample answers with a line typed in, or with the answer its command line gives.
sample="$(windows "$source/docs/samples/install-ini.vbs")"
if [ "$host" = scripthost ]; then
    fresh_board "install-ini.vbs, typed"
    printf 'TAG-8\r\n' >typed.txt
    script_input=typed.txt; run_script scripthost "$sample" prompt.ini 2; script_input=
    expect_code 0 "install-ini.vbs, typed"; expect_line "The file asks: Enter the chassis asset tag." "install-ini.vbs, typed"
    run get "$ASSET_TAG" "$SMBIOS"; expect_line "$(hex TAG-8)00" "install-ini.vbs, typed"
    fresh_board "install-ini.vbs, nothing typed"
    run_script scripthost "$sample" prompt.ini 2
    expect_code 1 "install-ini.vbs, nothing typed"
    expect_line "install-ini.vbs: installing failed: An internal error has occurred. (error &H80004005)" "install-ini.vbs, nothing typed"
    fresh_board "install-ini.vbs /answer"
    run_script scripthost "$sample" prompt.ini 2 /answer:TAG-9
    expect_code 0 "install-ini.vbs /answer"; expect_line "Answer: TAG-9" "install-ini.vbs /answer"
    run get "$ASSET_TAG" "$SMBIOS"; expect_line "$(hex TAG-9)00" "install-ini.vbs /answer"
else
    # Wine's cscript connects no handler: the sample goes on without events, and the install
    # fails for want of an answer.
    fresh_board "install-ini.vbs /answer"
    run_script cscript "$sample" prompt.ini 2 /answer:TAG-9
    expect_code 1 "install-ini.vbs /answer"
    expect_line "Events are not available in this script host; going on without them." "install-ini.vbs /answer"
    run get "$ASSET_TAG" "$SMBIOS"; expect_code 1 "install-ini.vbs /answer: nothing written"
fi

[ "$failures" -eq 0 ] && echo "install prompt under $host: all checks passed"
exit "$failures"

# The checks of the install script tests, sourced by them: fwsim's (run, fail, expect_code,
# expect_line, expect_error) and scripts run like them. Expects wine_exec, bin (the bin
# folder), source (the source folder) and work (the test's folder, the current one).
fwsim="$bin/fwsim.exe"
. "$source/tests/tools/fwsim/fwsim-checks.sh"
SMBIOS='{70E56C5E-280C-44B0-A497-09681ABC375E}'
QRV_DATA='{3812723D-7E48-4E29-BC27-F5A39AC94EF1}'

# windows PATH: the Z: drive form of a Unix path.
windows() { printf 'Z:%s' "$1" | tr '/' '\\'; }
# hex TEXT: the text's bytes as fwsim shows data.
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n' | tr 'a-f' 'A-F'; }

# fresh_board WHAT: the store made anew from the demo board.
fresh_board() { run init --board "$source/boards/demo-board.ini" --force; expect_code 0 "$1: init"; }

# run_script HOST SCRIPT [ARGUMENTS...]: the script under Wine's cscript or our script host
# (HOST cscript or scripthost), with its output in out.txt and its exit code in code, as run
# leaves fwsim's. Standard input is the file script_input names, or gives nothing. The
# server's folder is on the search path, as an installed system has it.
run_script() {
    script_host="$1"; shift
    if [ "$script_host" = cscript ]; then
        set -- cscript.exe //nologo "$@"
    else
        set -- "$(windows "$bin")\\scripthost.exe" //nologo "$@"
    fi
    WINEPATH="$(windows "$bin")" "$wine_exec" "$@" >"$work/out" 2>"$work/err" <"${script_input:-/dev/null}"
    code=$?
    tr -d '\r' <"$work/out" >"$work/out.txt"
    cat "$work/out.txt"
}

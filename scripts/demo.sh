#!/bin/sh
# The main job on the emulated demo board:
#  1. build, register the server in the Wine prefix and run the sample script that prints
#     the server's version;
#  2. run the update wizard as a user would, in a real window under Xvfb: from a folder of
#     its own, through its pages to Update on the demo board, then the simulated restart
#     (the board applies the capsule, Windows runs the resume command) and the status page;
#     each page's title and text is printed as the user sees it;
#  3. run pellam.exe as an administrator would on a demo board of its own: info, a few
#     settings, extract, diff of an edited file and the install with a backup.
set -eu
. "$(dirname "$0")/common.sh"

arch=x86_64
"$root/scripts/setup.sh"
# The product and what the demo runs, not the test programs: the server and its messages, the
# substitutes Tolva.exe carries, the wizard, its driver and the emulated board's tools.
build_targets "$arch" PellamW PellamWRes Quillon qrvefivar eficorvid Tolva tolvadriver fwsim biotool pellam
make_prefix "$arch"
export WINEPREFIX="$root/build/$arch/wineprefix" WINEDEBUG=-all
wine="$(wine_loader "$arch")"
bin="$root/build/$arch/bin"

echo "== Registering PellamW.dll"
"$wine" regsvr32 /s "$(windows_path "$bin/PellamW.dll")"

echo "== docs/samples/version.vbs"
# The server finds its message library along Wine's search path, WINEPATH.
WINEPATH="$(windows_path "$bin")" "$wine" cscript //nologo "$(windows_path "$root/docs/samples/version.vbs")"
wineserver -k 2>/dev/null || true

echo "== The update wizard on the demo board (Xvfb): its pages as the user sees them"
log="$(mktemp)"
if ! "$root/tests/wizard/run-ui-test.sh" "$root/build/$arch/wineprefix-ui" "$wine" 300 \
    "$bin/tolvadriver.exe" e2e-verify-success \
    --tolva "$(windows_path "$bin/Tolva.exe")" --bin "$(windows_path "$bin")" \
    --board "$(windows_path "$root/boards/demo-board.ini")" \
    --shots "$(windows_path "$root/build/$arch/ui-screenshots")" \
    --fwsim "$(windows_path "$bin/fwsim.exe")" --biotool "$(windows_path "$bin/biotool.exe")" >"$log" 2>&1; then
    cat "$log"; rm -f "$log"
    echo "demo: the wizard did not run through; its driver's log is above" >&2
    exit 1
fi
tr -d '\r' <"$log" | sed -n 's/^page   //p'
rm -f "$log"
echo "   (screenshots of the pages are in build/$arch/ui-screenshots)"

echo "== pellam.exe on a demo board of its own"
work="$(mktemp -d)"
trap 'rm -rf "$work"; wineserver -k 2>/dev/null || true' EXIT
export FWSIM_STORE="$work/demo.store"
# Each command as the user types it, its output, and its exit code when not 0 (a Unix shell
# sees only the low 8 bits of a Windows exit code: 3010 arrives as 194).
pellam() {
    shown="\$ pellam"
    for argument in "$@"; do
        case "$argument" in *" "*) shown="$shown \"$argument\"" ;; *) shown="$shown $argument" ;; esac
    done
    echo "$shown"
    code=0
    (cd "$work" && "$wine" "$bin/pellam.exe" "$@" >"$work/output" 2>&1) || code=$?
    tr -d '\r' <"$work/output"
    case "$code" in
        0) ;;
        194) echo "(exit code 3010: takes effect at the next restart)" ;;
        *) echo "(exit code $code)" ;;
    esac
}
"$wine" "$bin/fwsim.exe" init --board "$root/boards/demo-board.ini" >/dev/null
pellam info
pellam settings "System language" "Start-up message time" SMBIOS.values.SystemProduct
pellam extract board.ini
sed 's/^SystemProduct=.*/SystemProduct=KB77-DEMO\r/' "$work/board.ini" |
    awk '/^\[SETTING_0100\]/ { section = 1 } section && /^Value=/ { print "Value=2\r"; section = 0; next } { print }' \
    >"$work/edited.ini"
echo "   (edited.ini: board.ini with System language 2 and the product name KB77-DEMO)"
pellam diff edited.ini
pellam install edited.ini --backup backup.ini
echo "== Done"

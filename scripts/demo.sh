#!/bin/sh
# The main job on the emulated demo board:
#  1. build, register the server in the Wine prefix and run the sample script that prints
#     the server's version;
#  2. run the update wizard as a user would, in a real window under Xvfb: from a folder of
#     its own, through its pages to Update on the demo board, then the simulated restart
#     (the board applies the capsule, Windows runs the resume command) and the status page.
set -eu
. "$(dirname "$0")/common.sh"

arch=x86_64
"$root/scripts/setup.sh"
# The product and what the demo runs, not the test programs: the server and its messages, the
# substitutes Tolva.exe carries, the wizard, its driver and the emulated board's tools.
build_targets "$arch" PellamW PellamWRes Quillon qrvefivar eficorvid Tolva tolvadriver fwsim biotool
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

echo "== The update wizard on the demo board (Xvfb)"
"$root/tests/wizard/run-ui-test.sh" "$root/build/$arch/wineprefix-ui" "$wine" 300 \
    "$bin/tolvadriver.exe" e2e-verify-success \
    --tolva "$(windows_path "$bin/Tolva.exe")" --bin "$(windows_path "$bin")" \
    --board "$(windows_path "$root/boards/demo-board.ini")" \
    --shots "$(windows_path "$root/build/$arch/ui-screenshots")" \
    --fwsim "$(windows_path "$bin/fwsim.exe")" --biotool "$(windows_path "$bin/biotool.exe")"
echo "== Done: screenshots of the wizard's pages are in build/$arch/ui-screenshots"

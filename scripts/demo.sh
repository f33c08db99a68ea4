#!/bin/sh
# The main job on the demo board: build, register the server in the Wine prefix and run
# the sample script that creates the toolkit and prints its version.
set -eu
. "$(dirname "$0")/common.sh"

arch=x86_64
"$root/scripts/setup.sh"
build "$arch"
make_prefix "$arch"
export WINEPREFIX="$root/build/$arch/wineprefix" WINEDEBUG=-all
wine="$(wine_loader "$arch")"
bin="$root/build/$arch/bin"

echo "Registering PellamW.dll"
"$wine" regsvr32 /s "$(windows_path "$bin/PellamW.dll")"

echo "Running docs/samples/version.vbs"
cd "$bin"
"$wine" cscript //nologo "$(windows_path "$root/docs/samples/version.vbs")"

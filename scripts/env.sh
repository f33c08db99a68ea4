# Source this file to run the programs of one build tree by hand:
#   . scripts/env.sh x86_64      (or i686)
#   $TOOLKIT_WINE regsvr32 /s "$TOOLKIT_BIN_WINDOWS\\PellamW.dll"
#   $TOOLKIT_WINE cscript //nologo 'docs\samples\version.vbs'
# It sets WINEPREFIX (the tree's private prefix), WINEARCH (its kind: win64, or win32 for
# the i686 tree, whose prefix is a 32-bit Windows), WINEDEBUG, TOOLKIT_BIN (the bin folder),
# TOOLKIT_BIN_WINDOWS (its Windows form, on Wine's Z: drive), TOOLKIT_WINE (the Wine loader
# of the architecture: /usr/lib/wine/wine64 or /usr/lib/wine/wine, neither of them on PATH)
# and WINEPATH. WINEPATH is the search path Windows programs see under Wine (Windows-form
# folders separated by ";"); it is set to the bin folder, so that the server, whose toolkit
# makes the host program's folder current, finds its message library and companions there.
toolkit_arch="${1:-x86_64}"
case "$toolkit_arch" in
    x86_64) TOOLKIT_WINE=/usr/lib/wine/wine64; WINEARCH=win64 ;;
    i686) TOOLKIT_WINE=/usr/lib/wine/wine; WINEARCH=win32 ;;
    *) echo "env.sh: unknown architecture $toolkit_arch (x86_64 or i686)" >&2; return 1 2>/dev/null || exit 1 ;;
esac
toolkit_root="$(cd "$(dirname "${BASH_SOURCE:-$0}")/.." 2>/dev/null && pwd)"
[ -f "$toolkit_root/CMakeLists.txt" ] || toolkit_root="$(pwd)"
export WINEPREFIX="$toolkit_root/build/$toolkit_arch/wineprefix"
export WINEDEBUG=-all
export TOOLKIT_BIN="$toolkit_root/build/$toolkit_arch/bin"
export TOOLKIT_BIN_WINDOWS="Z:$(printf '%s' "$TOOLKIT_BIN" | tr '/' '\\')"
export WINEPATH="$TOOLKIT_BIN_WINDOWS"
export TOOLKIT_WINE WINEARCH
unset toolkit_arch toolkit_root

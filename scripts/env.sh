# Source this file to run the programs of one build tree by hand:
#   . scripts/env.sh x86_64      (or i686)
#   wine64 cscript //nologo docs/samples/version.vbs
# It sets WINEPREFIX (the tree's private prefix), WINEDEBUG, TOOLKIT_BIN (the bin folder)
# and TOOLKIT_WINE (the Wine loader of the architecture).
toolkit_arch="${1:-x86_64}"
case "$toolkit_arch" in
    x86_64) TOOLKIT_WINE=/usr/lib/wine/wine64 ;;
    i686) TOOLKIT_WINE=/usr/lib/wine/wine ;;
    *) echo "env.sh: unknown architecture $toolkit_arch (x86_64 or i686)" >&2; return 1 2>/dev/null || exit 1 ;;
esac
toolkit_root="$(cd "$(dirname "${BASH_SOURCE:-$0}")/.." 2>/dev/null && pwd)"
[ -f "$toolkit_root/CMakeLists.txt" ] || toolkit_root="$(pwd)"
export WINEPREFIX="$toolkit_root/build/$toolkit_arch/wineprefix"
export WINEDEBUG=-all
export TOOLKIT_BIN="$toolkit_root/build/$toolkit_arch/bin"
export TOOLKIT_WINE
unset toolkit_arch toolkit_root

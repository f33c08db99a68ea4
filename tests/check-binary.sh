#!/bin/sh
# check-binary.sh OBJDUMP FILE [EXPORT...]
# A DLL or EXE of ours imports nothing but libraries that come with Windows (the C and C++
# runtimes are linked in), and a DLL exports exactly the given names, undecorated (no
# _Name@N on x86). Without EXPORT arguments only the imports are checked.
objdump="$1"; file="$2"; shift 2
dump=$("$objdump" -p "$file") || { echo "cannot read $file"; exit 1; }
status=0
if [ $# -gt 0 ]; then
    names=$(echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -o '^\s*\[ *[0-9]*\] [A-Za-z_@0-9]*' | sed 's/.*\] //' | sort | tr '\n' ' ')
    expected=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
    if [ "$names" != "$expected" ]; then
        echo "$file exports '$names', expected '$expected'"; status=1
    fi
fi
for import in $(echo "$dump" | grep 'DLL Name:' | awk '{print $3}'); do
    case $(echo "$import" | tr 'A-Z' 'a-z') in
        kernel32.dll|msvcrt.dll|advapi32.dll|user32.dll|gdi32.dll|ntdll.dll|ole32.dll|oleaut32.dll|\
        shlwapi.dll|shell32.dll|comctl32.dll|comdlg32.dll|version.dll|windowscodecs.dll|psapi.dll|\
        api-ms-win-*) ;;
        *) echo "$file imports a library that is not part of Windows: $import"; status=1 ;;
    esac
done
[ "$status" -eq 0 ] && echo "$file: exports and imports as expected"
exit "$status"

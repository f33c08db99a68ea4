#!/bin/sh
# eficorvid-exports-test.sh OBJDUMP DLL
# EfiCorvid.dll must export its three functions by their plain names (no _Name@N on x86) and
# import nothing but Windows system libraries.
objdump="$1"; dll="$2"
dump=$("$objdump" -p "$dll") || { echo "cannot read $dll"; exit 1; }
names=$(echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -o '^\s*\[ *[0-9]*\] [A-Za-z_@0-9]*' | sed 's/.*\] //' | sort | tr '\n' ' ')
expected="GetLastStatus InvokeCapsule PrepareCapsule "
status=0
if [ "$names" != "$expected" ]; then
    echo "exports: '$names', expected '$expected'"; status=1
fi
for import in $(echo "$dump" | grep 'DLL Name:' | awk '{print $3}'); do
    case $(echo "$import" | tr 'A-Z' 'a-z') in
        kernel32.dll|msvcrt.dll|advapi32.dll|user32.dll|ntdll.dll|api-ms-win-*) ;;
        *) echo "imports a library that is not part of Windows: $import"; status=1 ;;
    esac
done
[ "$status" -eq 0 ] && echo "exports and imports as expected"
exit "$status"

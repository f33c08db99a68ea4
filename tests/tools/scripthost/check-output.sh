#!/bin/sh
# check-output.sh EXIT [CHECK...] -- COMMAND...
# Runs a script host and passes when its exit code is EXIT and every CHECK holds:
#   out=LINE    stdout has a line equal to LINE
#   err~TEXT    stderr has a line containing TEXT
#   noout~TEXT  no stdout line contains TEXT
#   noerr       stderr is empty
# and, not a check, in=TEXT: TEXT (printf escapes, \n) is the command's standard input,
# which is otherwise empty.
expected_exit="$1"; shift
checks=""
input=""
while [ "$#" -gt 0 ] && [ "$1" != "--" ]; do
    case "$1" in
    in=*) input="${1#in=}" ;;
    *) checks="$checks
$1" ;;
    esac
    shift
done
[ "$1" = "--" ] && shift
stdout_file=$(mktemp); stderr_file=$(mktemp)
trap 'rm -f "$stdout_file" "$stderr_file"' EXIT
printf '%b' "$input" | "$@" >"$stdout_file" 2>"$stderr_file"
status=$?
tr -d '\r' <"$stdout_file" >"$stdout_file.clean" && mv "$stdout_file.clean" "$stdout_file"
tr -d '\r' <"$stderr_file" >"$stderr_file.clean" && mv "$stderr_file.clean" "$stderr_file"
echo "--- stdout"; cat "$stdout_file"
echo "--- stderr"; cat "$stderr_file"
failed=0
if [ "$status" -ne "$expected_exit" ]; then
    echo "check-output: exit code $status, expected $expected_exit" >&2; failed=1
fi
old_ifs=$IFS
IFS='
'
for check in $checks; do
    case "$check" in
    out=*)
        grep -qxF -- "${check#out=}" "$stdout_file" || { echo "check-output: stdout lacks the line: ${check#out=}" >&2; failed=1; } ;;
    err~*)
        grep -qF -- "${check#err~}" "$stderr_file" || { echo "check-output: stderr lacks: ${check#err~}" >&2; failed=1; } ;;
    noout~*)
        ! grep -qF -- "${check#noout~}" "$stdout_file" || { echo "check-output: stdout must not contain: ${check#noout~}" >&2; failed=1; } ;;
    noerr)
        [ ! -s "$stderr_file" ] || { echo "check-output: stderr is not empty" >&2; failed=1; } ;;
    *)
        echo "check-output: unknown check: $check" >&2; failed=1 ;;
    esac
done
IFS=$old_ifs
exit $failed

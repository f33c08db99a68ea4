#!/bin/sh
# run-script.sh EXIT EXPECT COMMAND...
# Runs a script host, shows its output, and passes when the exit code is EXIT and, if
# EXPECT is not empty, some output line equals EXPECT.
expected_exit="$1"; expected_line="$2"; shift 2
output_file=$(mktemp)
"$@" >"$output_file" 2>&1
status=$?
tr -d '\r' <"$output_file"
if [ "$status" -ne "$expected_exit" ]; then
    echo "run-script: exit code $status, expected $expected_exit" >&2
    rm -f "$output_file"; exit 1
fi
if [ -n "$expected_line" ] && ! tr -d '\r' <"$output_file" | grep -qxF "$expected_line"; then
    echo "run-script: missing line: $expected_line" >&2
    rm -f "$output_file"; exit 1
fi
rm -f "$output_file"

#!/bin/sh
# run-doc-commands.sh ROOT FILE...
# Runs the shell command blocks of the given Markdown files (relative to ROOT) as a reader
# would: every fenced block that opens with ```sh, in order, in one bash per file, started in
# ROOT with none of the variables that the documents set. The commands must all succeed
# (bash -e). A block right after a line starting "<!-- not run by tests" is left out.
# mktemp gives folders inside a private TMPDIR, removed afterwards.
root="$1"; shift
cd "$root" || exit 1
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
failures=0
for file in "$@"; do
    script="$tmp/$(echo "$file" | tr '/' '_').sh"
    # Each block is preceded by a line that names it in the output.
    awk -v file="$file" '
        fence == 0 && /^```sh[ \t]*$/ {
            fence = 1; blocks++
            if (skip) { skipping = 1 } else { printf "echo \"== %s, line %d\"\n", file, NR }
            next
        }
        fence == 1 && /^```/ { fence = 0; skipping = 0; skip = 0; next }
        fence == 1 { if (!skipping) print; next }
        /^<!-- not run by tests/ { skip = 1; next }
        NF > 0 { skip = 0 }
        END { if (fence) { print "exit 99  # unterminated block"; } }
    ' "$file" >"$script" || exit 1
    grep -q '^echo "== ' "$script" || { echo "== $file: no command block"; continue; }
    if ! env -u WINEPREFIX -u WINEARCH -u WINEPATH -u FWSIM_STORE -u TOOLKIT_BIN -u TOOLKIT_BIN_WINDOWS \
            -u TOOLKIT_WINE TMPDIR="$tmp" bash -e -x "$script" </dev/null 2>&1; then
        echo "FAILED: a command of $file"; failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "run-doc-commands: OK"

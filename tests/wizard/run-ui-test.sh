#!/bin/sh
# Runs one wizard UI test under its own X server:
#   run-ui-test.sh PREFIX LOADER SECONDS PROGRAM [ARGUMENTS...]
# Starts Xvfb on a free display, makes the UI Wine prefix once (under that display: a Wine
# server started without a display cannot show windows later), runs the program for at
# most SECONDS and stops the prefix's Wine server and the X server however the test ends.
# WINEARCH, when set, is the kind of prefix to make (win32 for the i686 tree).
set -u
prefix="$1"
loader="$2"
seconds="$3"
shift 3

export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
unset WINESERVER

display_file="$(mktemp)"
xvfb_pid=""

stop_all() {
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -f "$display_file"
}
trap stop_all EXIT
trap 'exit 143' INT TERM HUP

# -displayfd lets the server pick a free display and tell us which.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
waited=0
while [ ! -s "$display_file" ]; do
    if ! kill -0 "$xvfb_pid" 2>/dev/null || [ "$waited" -ge 100 ]; then
        echo "run-ui-test: Xvfb did not start" >&2
        exit 1
    fi
    sleep 0.1
    waited=$((waited + 1))
done
export DISPLAY=":$(head -n 1 "$display_file")"

# A server of this prefix left from elsewhere may lack the display: stop it first.
wineserver -k >/dev/null 2>&1

if [ ! -f "$prefix/.toolkit-ui-ready" ]; then
    echo "run-ui-test: making the UI Wine prefix $prefix"
    rm -rf "$prefix"
    timeout -k 10 240 "$loader" wineboot -i >/dev/null 2>&1
    timeout -k 10 60 wineserver -w
    touch "$prefix/.toolkit-ui-ready"
fi

# Wine's background services start with the server's first program and inherit its standard
# output; started by the test program they would hold CTest's output pipe. Start them here,
# writing nowhere (they end with the server when the test ends).
timeout -k 10 60 "$loader" cmd.exe /c exit </dev/null >/dev/null 2>&1

timeout -k 10 "$seconds" "$loader" "$@"
status=$?
if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    echo "run-ui-test: the test ran out of its $seconds seconds" >&2
fi
exit "$status"

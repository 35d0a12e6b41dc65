#!/usr/bin/env bash
# Runs a command against a private virtual X server, started here and stopped on exit,
# so tests that need a window pass on a machine with no display and never touch the
# user's own screen. XVFB_SCREEN sets the screen's size and depth. Xvfb picks a free
# display number and reports it on fd 3; -noreset keeps it from resetting whenever the
# last client leaves, between one test's program and the next.
set -euo pipefail

numberFile=$(mktemp)
Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1280x1024x24}" -nolisten tcp -noreset 3>"$numberFile" 2>/dev/null &
xvfbPid=$!
trap 'kill "$xvfbPid" 2>/dev/null; wait "$xvfbPid" 2>/dev/null; rm -f "$numberFile"' EXIT

for _ in $(seq 200); do
    [ -s "$numberFile" ] && break
    kill -0 "$xvfbPid" 2>/dev/null || { echo "with-xvfb: Xvfb did not start" >&2; exit 1; }
    sleep 0.05
done
[ -s "$numberFile" ] || { echo "with-xvfb: Xvfb gave no display number" >&2; exit 1; }

DISPLAY=":$(head -n 1 "$numberFile")"
export DISPLAY
"$@"

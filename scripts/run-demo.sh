#!/bin/bash
# Starts the launcher on the bundled demo medium. Without a display it runs
# under a private Xvfb, saves a screenshot to build/demo.png and says so.
set -uo pipefail
BUILD=${1:-build}
MEDIUM="$BUILD/demo-medium"
BIN="$MEDIUM/bin/gatepoint"
[ -x "$BIN" ] || BIN="$BUILD/bin/gatepoint"
if [ -n "${DISPLAY:-}" ]; then
    exec "$BIN"
fi
echo "No display: starting the launcher under a private Xvfb."
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    "$1" & pid=$!
    for i in $(seq 1 50); do sleep 0.2; done
    xwd -root -silent | convert xwd:- "$2" 2>/dev/null || xwd -root -silent -out "$2.xwd"
    kill $pid 2>/dev/null; wait $pid 2>/dev/null
' _ "$BIN" "$BUILD/demo.png"
if [ -f "$BUILD/demo.png" ]; then echo "Screenshot saved to $BUILD/demo.png"; else echo "Screenshot saved to $BUILD/demo.png.xwd"; fi

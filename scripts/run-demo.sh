#!/bin/bash
# Starts the launcher on the bundled demo medium, packed as on a token with
# the Qt it runs on (build/demo-token).
# With a display it simply runs. Without one it runs under a private Xvfb,
# waits for the window, saves a screenshot to BUILD/demo.png, ends the
# launcher and says where the picture is.
set -uo pipefail

BUILD=${1:-build}
BUILD=$(cd "$BUILD" 2>/dev/null && pwd) || { echo "run-demo: no build folder ${1:-build}" >&2; exit 1; }
MEDIUM="$BUILD/demo-token"
BIN="$MEDIUM/bin/gatepoint"
SKIN="$BUILD/bin/gatepoint-skin"
SHOT="$BUILD/demo.png"
LOG="$BUILD/demo.log"

if [ ! -x "$BIN" ]; then
    echo "run-demo: $BIN is missing; build first (make build)" >&2
    exit 1
fi
if [ -n "${DISPLAY:-}" ]; then
    exec "$BIN"
fi
if ! command -v xvfb-run >/dev/null; then
    echo "run-demo: no display and no xvfb-run (install xvfb)" >&2
    exit 1
fi

echo "No display: starting the launcher under a private Xvfb."
rm -f "$SHOT"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    bin=$1 skin=$2 shot=$3 log=$4
    export QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME=
    "$bin" >"$log" 2>&1 & pid=$!

    # Wait (at most about 15 s) until the launcher has mapped a window.
    mapped=
    for _ in $(seq 1 75); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"; echo "run-demo: the launcher ended early (exit code $?), see $log" >&2; exit 1
        fi
        if command -v xdotool >/dev/null; then
            [ -n "$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null)" ] && mapped=1
        elif command -v xwininfo >/dev/null; then
            xwininfo -root -tree 2>/dev/null | grep -q "\"gatepoint" && mapped=1
        fi
        [ -n "$mapped" ] && break
        sleep 0.2
    done
    [ -n "$mapped" ] || echo "run-demo: no launcher window after 15 s; taking the picture anyway" >&2
    sleep 1 # let the first frames be painted

    if command -v import >/dev/null; then
        import -window root "$shot"
    else
        "$skin" screenshot "$shot" >/dev/null
    fi
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
    true
' _ "$BIN" "$SKIN" "$SHOT" "$LOG"

if [ -f "$SHOT" ]; then
    echo "Screenshot saved to $SHOT (launcher messages in $LOG)"
else
    echo "run-demo: no screenshot was taken" >&2
    exit 1
fi

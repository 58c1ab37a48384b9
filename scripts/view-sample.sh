#!/usr/bin/env bash
# Installs what is missing, builds the release build and opens the viewer on
# the bundled sample track.  Without a display it runs the viewer under
# Xvfb, saves a screenshot of its window, says where, and ends it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
. scripts/require.sh
require_commands cmake xdpyinfo Xvfb xdotool xwd convert
cmake --preset release >/dev/null
cmake --build --preset release --target kestrim
track=data/walk-short.track

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec build/release/kestrim "$track"
fi

. scripts/xvfb-lib.sh
shot=${KESTRIM_SCREENSHOT:-$PWD/build/sample-screenshot.png}
log=$(mktemp)
viewer=""
trap 'kill $viewer $xvfb_pid 2>/dev/null || true; rm -f "$log"' EXIT
start_xvfb
build/release/kestrim "$track" >"$log" 2>&1 &
viewer=$!
wait_for_window || { cat "$log"; exit 1; }
sleep 2 # let the viewer draw a few frames
xwd -silent -id "$window" | convert xwd:- "$shot"
cat "$log"
echo "view-sample: no display here, so the viewer ran under Xvfb; screenshot of its window: $shot"

#!/usr/bin/env bash
# Installs what is missing, builds the release build and opens the viewer on
# the bundled sample track.  Without a display it runs the viewer under
# Xvfb, saves a screenshot of its window, says where, and ends it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target kestrim
track=data/walk-short.track

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec build/release/kestrim "$track"
fi

shot=${KESTRIM_SCREENSHOT:-$PWD/build/sample-screenshot.png}
log=$(mktemp)
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb=$!
viewer=""
trap 'kill $viewer $xvfb 2>/dev/null || true; rm -f "$display_file"' EXIT
for _ in $(seq 100); do
  [ -s "$display_file" ] && break
  sleep 0.1
done
[ -s "$display_file" ] || { echo "view-sample: Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -n 1 "$display_file")"
build/release/kestrim "$track" >"$log" 2>&1 &
viewer=$!

window=""
for _ in $(seq 100); do
  window=$(xdotool search --name '^Trevan$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "view-sample: no Trevan window appeared"; cat "$log"; exit 1; }
sleep 2 # let the viewer draw a few frames
xwd -silent -id "$window" | convert xwd:- "$shot"
cat "$log"
echo "view-sample: no display here, so the viewer ran under Xvfb; screenshot of its window: $shot"

#!/usr/bin/env bash
# Makes the README's pictures: the sample track as it opens, its cubic
# curve in speed-band colours (keys b, 2), and the same coloured by speed
# with the statistics panel (keys b, 2, k, i), each drawn by the real
# viewer with --screenshot and written to docs/.  DISPLAY is unset, so
# that each is drawn in a private Xvfb, the same on every machine, and
# without the frames per second.  The replay's picture needs time to pass:
# the viewer runs in a private Xvfb, follows the marker zoomed in (keys g
# and five Page Up; its time beside it), plays the ride at 240x (space, ], ]) for
# three seconds, pauses, and writes its window with its own key p (the
# frames per second stay in that one).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh >/dev/null
. scripts/require.sh
require_commands cmake Xvfb xdotool
cmake --preset release >/dev/null
cmake --build --preset release --target kestrim >/dev/null

shoot() { # picture [keys]
  (
    unset DISPLAY
    build/release/kestrim --keys "${2:-}" --screenshot "$1" data/walk-short.track | tail -n 1
  )
}
shoot docs/sample-track.png
shoot docs/sample-curves.png "b 2"
shoot docs/sample-panels.png "b 2 k i"

# The replay, part of the way along the ride.
(
  . scripts/xvfb-lib.sh
  folder=$(mktemp -d)
  viewer=""
  trap 'kill $viewer $xvfb_pid 2>/dev/null || true; rm -rf "$folder"' EXIT
  start_xvfb
  track=$PWD/data/walk-short.track
  (cd "$folder" && exec "$OLDPWD/build/release/kestrim" "$track" >viewer.log 2>&1) &
  viewer=$!
  wait_for_window
  for key in g Prior Prior Prior Prior Prior space bracketright bracketright; do
    xdotool key --window "$window" "$key"
  done
  sleep 3
  xdotool key --window "$window" space
  sleep 0.5
  xdotool key --window "$window" p
  sleep 1
  mv "$folder"/kestrim-walk-short*.png docs/sample-replay.png
  echo "picture written to docs/sample-replay.png"
)

#!/usr/bin/env bash
# Makes the README's pictures: the sample track as it opens, its cubic
# curve in speed-band colours (keys b, 2), and the same coloured by speed
# with the statistics panel (keys k, i), each a screenshot of the real
# viewer's window under Xvfb, written to docs/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh >/dev/null
. scripts/require.sh
require_commands cmake Xvfb xdotool xwd convert
cmake --preset release >/dev/null
cmake --build --preset release --target kestrim >/dev/null

. scripts/xvfb-lib.sh
viewer=""
trap 'kill $viewer $xvfb_pid 2>/dev/null || true' EXIT
start_xvfb
build/release/kestrim data/walk-short.track >/dev/null &
viewer=$!
wait_for_window

shoot() {
  sleep 1.5
  xwd -silent -id "$window" | convert xwd:- -depth 8 "$1"
  echo "screenshots: wrote $1"
}
shoot docs/sample-track.png
xdotool windowfocus --sync "$window" key b 2
shoot docs/sample-curves.png
xdotool windowfocus --sync "$window" key k i
shoot docs/sample-panels.png

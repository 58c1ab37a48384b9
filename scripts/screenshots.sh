#!/usr/bin/env bash
# Makes the README's pictures: the sample track as it opens, and its cubic
# curve in speed-band colours (keys b, 2), each a screenshot of the real
# viewer's window under Xvfb, written to docs/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh >/dev/null
cmake --preset release >/dev/null
cmake --build --preset release --target kestrim >/dev/null

display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb=$!
viewer=""
trap 'kill $viewer $xvfb 2>/dev/null || true; rm -f "$display_file"' EXIT
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$display_file")"

build/release/kestrim data/walk-short.track >/dev/null &
viewer=$!
window=""
for _ in $(seq 100); do
  window=$(xdotool search --name '^Trevan$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "screenshots: no Trevan window appeared"; exit 1; }

shoot() {
  sleep 1.5
  xwd -silent -id "$window" | convert xwd:- -depth 8 "$1"
  echo "screenshots: wrote $1"
}
shoot docs/sample-track.png
xdotool windowfocus --sync "$window" key b 2
shoot docs/sample-curves.png

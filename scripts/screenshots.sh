#!/usr/bin/env bash
# Makes the README's pictures: the sample track as it opens, its cubic
# curve in speed-band colours (keys b, 2), and the same coloured by speed
# with the statistics panel (keys b, 2, k, i), each drawn by the real
# viewer with --screenshot and written to docs/.  DISPLAY is unset, so
# that each is drawn in a private Xvfb, the same on every machine, and
# without the frames per second.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh >/dev/null
. scripts/require.sh
require_commands cmake Xvfb
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

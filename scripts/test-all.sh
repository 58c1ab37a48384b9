#!/usr/bin/env bash
# Installs what is missing, builds the release and the debug (sanitizer)
# builds, and runs the whole test suite against each.  Window tests start
# Xvfb displays of their own, so no display is needed.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
status=0
for preset in release debug; do
  echo "=== $preset build ==="
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  echo "=== $preset tests ==="
  ctest --preset "$preset" || status=1
done
exit $status

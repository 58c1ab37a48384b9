#!/usr/bin/env bash
# Soak: the real viewer under Xvfb for SECONDS (default 600) with random
# input from the whole key table but q, drags in every mode, and choices
# from both menus but Exit. It must stay alive and responsive, and its
# resident memory must stay flat after warm-up. Then valgrind runs one load
# and must report no invalid memory access. The soak itself is the test
# binary e2e_soak_tests; the suite runs it for 30 s.
#
#   scripts/soak.sh [SECONDS] [TRACK]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
case $seconds in
  '' | *[!0-9]*) echo "usage: scripts/soak.sh [SECONDS] [TRACK]" >&2; exit 2 ;;
esac

scripts/install-deps.sh >/dev/null
cmake --preset release >/dev/null
cmake --build --preset release --target kestrim e2e_soak_tests >/dev/null
export KESTRIM_SOAK_SECONDS=$seconds
if [ $# -ge 2 ]; then export KESTRIM_SOAK_TRACK=$(readlink -f "$2"); fi
exec build/release/tests/e2e_soak_tests

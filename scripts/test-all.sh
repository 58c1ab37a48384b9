#!/usr/bin/env bash
# Installs what is missing, builds the release and the debug (sanitizer)
# builds, and runs the whole test suite against each.  Window tests start
# Xvfb displays of their own, so no display is needed.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# Every temporary file, folder and log of the run goes into one folder,
# removed at the end whatever the outcome; KESTRIM_KEEP_TEST_TMP=1 keeps it
# for a look at what a failed test left.
run_tmp=$(mktemp -d "${TMPDIR:-/tmp}/kestrim-tests.XXXXXX")
finish() {
  if [ -n "${KESTRIM_KEEP_TEST_TMP:-}" ]; then
    echo "test-all: temporary files kept in $run_tmp"
  else
    rm -rf "$run_tmp"
  fi
}
trap finish EXIT
export TMPDIR=$run_tmp

status=0
for preset in release debug; do
  echo "=== $preset build ==="
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  echo "=== $preset tests ==="
  ctest --preset "$preset" || status=1
done
exit $status

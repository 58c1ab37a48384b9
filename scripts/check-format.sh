#!/usr/bin/env bash
# Fails when a C++ file of the repository is not as .clang-format lays it
# out, naming each such file; `clang-format -i FILE` mends one.
#
#   scripts/check-format.sh
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/require.sh
require_commands clang-format

status=0
while IFS= read -r -d '' file; do
  if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
    echo "check-format: $file is not laid out as .clang-format says (clang-format -i $file)"
    status=1
  fi
done < <(find src tests bench fuzz -name '*.cpp' -print0 -o -name '*.h' -print0)
[ "$status" -ne 0 ] || echo "check-format: every C++ file is laid out as .clang-format says"
exit "$status"

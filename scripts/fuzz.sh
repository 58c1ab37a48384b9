#!/usr/bin/env bash
# Fuzzes the track loader with libFuzzer for SECONDS (600 by default):
# installs what is missing, builds the fuzz preset (clang, AddressSanitizer
# and UndefinedBehaviorSanitizer) in build/fuzz, seeds build/fuzz/corpus and runs
# the fuzzer, then prints its executions and coverage.  A crash or a
# sanitizer report leaves the input in build/fuzz/artifacts/, prints the
# report and fails.  The corpus is kept, so every run starts where the last
# one got to.
#
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-600}
case $seconds in
  '' | *[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS]" >&2; exit 2 ;;
esac

build=build/fuzz
corpus=$build/corpus
artifacts=$build/artifacts
mkdir -p "$corpus" "$artifacts"

# Two runs may overlap (a long one and the suite's): installing, building
# and seeding take turns; the fuzzing itself can share the corpus, as
# libFuzzer names each input it adds by its hash.
exec 9>"$build/.lock"
if ! flock -n 9; then
  echo "fuzz: waiting for another fuzz run to build"
  flock 9
fi

scripts/install-deps.sh
. scripts/require.sh
require_commands cmake clang++

# Configured once; the build itself recompiles only what changed.
build_log=$build/build.log
# A cache from a configuration of another source folder is dropped.
if ! grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$PWD" "$build/CMakeCache.txt" 2>/dev/null; then
  rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset fuzz >"$build_log" 2>&1 || { cat "$build_log"; exit 1; }
fi
cmake --build --preset fuzz >"$build_log" 2>&1 || { cat "$build_log"; exit 1; }

# Seeds: the bundled tracks, the test fixtures (among them any reproducer
# of an earlier crash), imports of the shared GPX tracks and hand-made
# hostile files.  Inputs are cut at 4096 bytes, so each import also seeds
# its start and its end.
for file in data/*.track tests/fixtures/*; do
  if [ -f "$file" ]; then cp -f "$file" "$corpus/seed-$(basename "$file")"; fi
done
shared=../shared/data/tracks
imports=$build/imports
if [ -d "$shared" ]; then
  mkdir -p "$imports"
  for gpx in "$shared"/*.gpx; do
    [ -f "$gpx" ] || continue
    name=$(basename "$gpx" .gpx)
    track=$imports/$name.track
    if [ ! -s "$track" ] || [ "$gpx" -nt "$track" ]; then
      if ! tools/kestrim-import --force "$gpx" -o "$track" >/dev/null; then
        echo "fuzz: could not import $gpx, not seeded"
        continue
      fi
    fi
    head -n 60 "$track" >"$corpus/seed-$name-head.track"
    tail -n 60 "$track" >"$corpus/seed-$name-tail.track"
  done
fi
fuzz/make-seeds.sh "$corpus"
exec 9>&-

# Leak checks on, whatever the calling environment (the debug preset turns
# them off for its own tests).
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

log=$(mktemp "$build/run.XXXXXX.log")
last_log=$build/last-run.log
trap 'mv -f "$log" "$last_log"' EXIT
echo "fuzz: $(ls "$corpus" | wc -l) inputs in $corpus, fuzzing for $seconds s (log: $last_log)"
status=0
"$build/fuzz_load" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -dict=fuzz/track.dict -artifact_prefix="$artifacts/" -print_final_stats=1 \
  "$corpus" >"$log" 2>&1 || status=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
progress=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
coverage=$(printf '%s\n' "$progress" | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [^ ]+' || true)
if [ "$status" -ne 0 ]; then
  echo "fuzz: the fuzzer failed (exit $status); its report:"
  # From the first line of the report on: the invariant check's message,
  # a sanitizer's or libFuzzer's own (a timeout, a leak, a deadly signal).
  awk '/^fuzz_load: |ERROR: |runtime error: |^ALARM: /{on=1} on' "$log" | head -n 150
  echo "fuzz: inputs kept in $artifacts:"
  ls -l "$artifacts"
  echo "fuzz: ${runs:-?} executions, ${coverage:-no coverage line}"
  exit "$status"
fi
echo "fuzz: ${runs:-?} executions in $seconds s, ${coverage:-no coverage line}, no crash"

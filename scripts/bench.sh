#!/usr/bin/env bash
# The benchmark, from one command:
#   scripts/bench.sh [--no-build] [--sizes "10000 100000 1000000"] [--huge]
#                    [--seconds S] [--runs N] [--rounds N] [--cold-pause S]
#                    [--conversion-up-to N]
# Installs what is missing, builds the release kestrim_bench and kestrim,
# generates the random-walk tracks (kept in build/bench), measures each size
# in processes of its own under a private Xvfb, prints the table and writes
# it to docs/benchmark.md.  --huge adds the 10-million-fix track (a 0.6 GB
# file, about 13 GB of memory at its peak, minutes of running).  --seconds
# is how long each frame rate of kestrim_bench draw is timed; each load is
# run --runs times: the table shows the fastest, and the median of the
# whole load beside it.
# The real viewer is then started on each track: once --cold-pause seconds
# after the last big process ended (cold: the virtual machine has taken
# back the memory that process freed, and the viewer pays for fresh
# pages), then --runs times at once (warm); its --fps lines are read at
# rest, zoomed in and while dragging, in --rounds rounds that alternate the
# default drawing with --no-lod.  The GPX conversion by gpsbabel, slow, is
# measured up to --conversion-up-to fixes.
set -euo pipefail
cd "$(dirname "$0")/.."

build=yes
sizes="10000 100000 1000000"
seconds=5
runs=5
rounds=2
cold_pause=30
conversion_up_to=1000000
while [ $# -gt 0 ]; do
  case "$1" in
    --no-build) build=no ;;
    --sizes) sizes="$2"; shift ;;
    --huge) sizes="$sizes 10000000" ;;
    --rounds) rounds="$2"; shift ;;
    --cold-pause) cold_pause="$2"; shift ;;
    --conversion-up-to) conversion_up_to="$2"; shift ;;
    --seconds) seconds="$2"; shift ;;
    --runs) runs="$2"; shift ;;
    *) echo "bench.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

. scripts/require.sh
if [ "$build" = yes ]; then
  scripts/install-deps.sh
  require_commands cmake
  cmake --preset release >/dev/null
  cmake --build --preset release --target kestrim_bench kestrim
fi
bench=${KESTRIM_BENCH:-build/release/kestrim_bench}
kestrim=$(dirname "$bench")/kestrim
# The tracks, the runs and the table need these whether built here or not.
require_commands Xvfb awk xdotool
work=build/bench
mkdir -p "$work"

. scripts/xvfb-lib.sh
start_xvfb
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT

declare -A R  # R[size.key] = value
declare -A L  # L[size.key] = the values of several runs, one a line
renderer=unknown

keep_results() { # size file
  while read -r mark key value; do
    [ "$mark" = "@" ] && R[$1.$key]=$value
  done < <(grep '^@ ' "$2")
}

# The results of one of several runs, each key given the suffix.
gather_results() { # size file suffix
  while read -r mark key value; do
    [ "$mark" = "@" ] && L[$1.$key$3]+="$value"$'\n'
  done < <(grep '^@ ' "$2")
}

# R[size.key] from the values gathered: their median (of an even count, the
# mean of the middle two), and R[size.key_best] their least.
settle_results() { # size
  local entry
  for entry in "${!L[@]}"; do
    [ "${entry%%.*}" = "$1" ] || continue
    R[$entry]=$(printf '%s' "${L[$entry]}" | sort -g | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2); print NR % 2 ? v[m] : (v[m] + v[m + 1]) / 2 }')
    R[${entry}_best]=$(printf '%s' "${L[$entry]}" | sort -g | head -n 1)
  done
}

# The real viewer from its start to its first picture: once cold, after a
# pause in which nothing big runs, then warm, at once, --runs times.
measure_first_picture() { # size track
  sleep "$cold_pause"
  "$bench" first-picture "$kestrim" "$2" > "$work/first-picture-$1-cold.out"
  gather_results "$1" "$work/first-picture-$1-cold.out" _cold
  local run
  for run in $(seq "$runs"); do
    "$bench" first-picture "$kestrim" "$2" > "$work/first-picture-$1-warm-$run.out"
    gather_results "$1" "$work/first-picture-$1-warm-$run.out" _warm
  done
}

# The real viewer's --fps lines and memory, the default drawing and
# --no-lod in turn.
measure_viewer() { # size track
  local round
  for round in $(seq "$rounds"); do
    "$bench" viewer "$kestrim" "$2" > "$work/viewer-$1-lod-$round.out"
    gather_results "$1" "$work/viewer-$1-lod-$round.out" _lod
    "$bench" viewer "$kestrim" "$2" --no-lod > "$work/viewer-$1-nolod-$round.out"
    gather_results "$1" "$work/viewer-$1-nolod-$round.out" _nolod
  done
}

# The same walk as a GPX file without speeds, converted as `kestrim FILE.gpx`
# does before its load: by the kestrim-import beside the viewer.
measure_conversion() { # size
  local gpx="$work/walk-alt-$1.gpx" converted="$work/converted-$1.track" start end
  [ -s "$gpx" ] || "$bench" generate-gpx "$1" "$gpx" "$1"
  R[$1.gpx_mb]=$(awk -v b="$(stat -c %s "$gpx")" 'BEGIN { printf "%.1f", b / 1e6 }')
  rm -f "$converted"
  start=$(date +%s.%N)
  "$(dirname "$bench")/kestrim-import" --porcelain -o "$converted" "$gpx" >/dev/null
  end=$(date +%s.%N)
  R[$1.conversion]=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
  rm -f "$converted"
}

for n in $sizes; do
  track="$work/walk-alt-$n.track" # with altitudes
  [ -s "$track" ] || "$bench" generate "$n" "$track" "$n"
  R[$n.file_mb]=$(awk -v b="$(stat -c %s "$track")" 'BEGIN { printf "%.1f", b / 1e6 }')
  best=""
  wholes=""
  for run in $(seq "$runs"); do
    "$bench" load "$track" > "$work/load-$n-$run.out"
    whole=$(awk '$2 == "load_whole" { print $3 }' "$work/load-$n-$run.out")
    wholes+="$whole"$'\n'
    if [ -z "$best" ] || awk -v a="$whole" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$whole
      cp "$work/load-$n-$run.out" "$work/load-$n.out"
    fi
  done
  keep_results "$n" "$work/load-$n.out"
  R[$n.load_whole_median]=$(printf '%s' "$wholes" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  "$bench" draw "$track" "$seconds" > "$work/draw-$n.out"
  keep_results "$n" "$work/draw-$n.out"
  renderer=$(sed -n 's/^# renderer //p' "$work/draw-$n.out" | head -n 1)
  if [ "$n" -le "$conversion_up_to" ]; then measure_conversion "$n"; fi
  measure_first_picture "$n" "$track"
  measure_viewer "$n" "$track"
  settle_results "$n"
  echo "bench: $n fixes measured" >&2
done

value() { echo "${R[$1.$2]:-nan}"; }
# cell SIZE FORMULA: an awk expression over v(key), printed with FORMAT
cell() {
  local n=$1 format=$2 expression=$3 keys="" key
  for key in $(grep -o 'v([a-z_0-9]*)' <<<"$expression" | sed 's/v(\(.*\))/\1/' | sort -u); do
    keys+=" -v $key=$(value "$n" "$key")"
  done
  # shellcheck disable=SC2086
  awk $keys "BEGIN { printf \"$format\", $(sed 's/v(\([a-z_0-9]*\))/\1/g' <<<"$expression") }"
}

row() { # label format expression
  local line="| $1 |" n
  for n in $sizes; do line+=" $(cell "$n" "$2" "$3") |"; done
  echo "$line"
}

table() {
  local header="| |" rule="|---|" n
  for n in $sizes; do header+=" $n fixes |"; rule+="---:|"; done
  echo "$header"
  echo "$rule"
  row "track file, MB" "%.1f" "v(file_mb)"
  row "I/O floor: plain read, s" "%.3f" "v(io_floor)"
  row "parse floor: line reader + sscanf, s" "%.3f" "v(parse_floor)"
  row "read and parse, s (x parse floor)" "%.3f (%.2f)" "v(parse), v(parse) / v(parse_floor)"
  row "conversion and records, s" "%.3f" "v(load_read) - v(parse)"
  row "extent and centre, s" "%.3f" "v(load_centre)"
  row "curve fitting, s" "%.3f" "v(load_fit)"
  row "filling the curve lists, s" "%.3f" "v(load_sample)"
  row "**whole load, s (x parse floor)**" "**%.3f (%.2f)**" "v(load_whole), v(load_whole) / v(parse_floor)"
  row "whole load, median of the runs, s (x parse floor)" "%.3f (%.2f)" \
    "v(load_whole_median), v(load_whole_median) / v(parse_floor)"
  row "whole load per fix, us" "%.2f" "v(load_whole) / v(frames) * 1e6"
  row "height exaggeration 1x to 2x, s" "%.3f" "v(exaggerate)"
  row "the same walk as GPX without speeds, MB" "%.1f" "v(gpx_mb)"
  row "its conversion by gpsbabel before the load, s (x whole load)" "%.1f (%.0f)" \
    "v(conversion), v(conversion) / v(load_whole)"
  row "cubic with every panel on / all off, display fps (ratio)" "%.1f / %.1f (%.2f)" \
    "v(fps_panels_on), v(fps_panels_off), v(fps_panels_ratio)"
  row "load to first picture in the window, s" "%.3f" "v(first_picture)"
  row "of which the first display, s" "%.3f" "v(first_picture) - v(load_in_window)"
  row "peak resident, MB" "%.0f" "v(mem_peak_mb)"
  row "resident after load, bytes per fix" "%.0f" "v(bytes_per_fix)"
  row "of which fix records, MB" "%.0f" "v(mem_records_mb)"
  row "of which curve lists, MB (bytes per sample)" "%.0f (%d)" "v(mem_curve_lists_mb), v(curve_sample_bytes)"
  row "resident after drawing every list, MB" "%.0f" "v(mem_resident_mb_after_bessel)"
  local drawn
  for drawn in raw linear cubic bessel; do
    row "$drawn: display fps / floor fps (ratio)" "%.1f / %.1f (%.2f)" \
      "v(fps_$drawn), v(fps_floor_$drawn), v(fps_ratio_$drawn)"
  done
  row "**kestrim, start to first picture, cold, s (x parse floor)**" "**%.3f (%.1f)**" \
    "v(viewer_first_picture_cold), v(viewer_first_picture_cold) / v(parse_floor)"
  row "**kestrim, start to first picture, warm, median, s (x parse floor)**" "**%.3f (%.1f)**" \
    "v(viewer_first_picture_warm), v(viewer_first_picture_warm) / v(parse_floor)"
  row "kestrim, start to first picture, warm, fastest, s" "%.3f" "v(viewer_first_picture_warm_best)"
  row "kestrim, peak resident at the first picture, MB" "%.0f" "v(viewer_peak_mb_first_picture_warm)"
  row "kestrim --fps, at rest in the start view, LOD / --no-lod" "%.1f / %.1f" \
    "v(fps_rest_lod), v(fps_rest_nolod)"
  row "kestrim --fps, at rest zoomed in 8 wheel steps, LOD / --no-lod" "%.1f / %.1f" \
    "v(fps_zoomed_lod), v(fps_zoomed_nolod)"
  row "kestrim --fps, dragging in the start mode (orbit), LOD / --no-lod" "%.1f / %.1f" \
    "v(fps_drag_lod), v(fps_drag_nolod)"
  row "kestrim --fps, dragging in the Rotate mode, LOD / --no-lod" "%.1f / %.1f" \
    "v(fps_drag_rotate_lod), v(fps_drag_rotate_nolod)"
  row "kestrim resident at the first picture, bytes per fix, LOD / --no-lod" "%.0f / %.0f" \
    "v(viewer_bytes_per_fix_first_picture_lod), v(viewer_bytes_per_fix_first_picture_nolod)"
  row "kestrim resident after drawing every list, bytes per fix, LOD / --no-lod" "%.0f / %.0f" \
    "v(viewer_bytes_per_fix_every_list_lod), v(viewer_bytes_per_fix_every_list_nolod)"
  row "kestrim peak resident, MB, LOD / --no-lod" "%.0f / %.0f" \
    "v(viewer_peak_mb_lod), v(viewer_peak_mb_nolod)"
}

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
memory=$(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)
{
  echo "# Benchmark"
  echo
  echo "Run $(date -u '+%Y-%m-%d %H:%M UTC') by \`scripts/bench.sh\` at commit $(git rev-parse --short HEAD 2>/dev/null || echo unknown)."
  echo "Machine: $(nproc) cores of $cpu, $memory; renderer $renderer under Xvfb."
  echo "Tracks: random walks at one fix a second with altitudes, generated by \`kestrim_bench generate\`."
  echo "Load: fastest of $runs runs (and the median of the whole load); floors: fastest of 3 runs in the same process. Frame rates: ${seconds} s each for the display and its floor, in 9 alternating rounds; medians (the ratio is the median of the rounds' ratios)."
  echo "kestrim: the real binary, from its fork and exec by \`kestrim_bench\` to the first swap of its window (KESTRIM_BENCH_FIRST_PICTURE), the track file in the page cache; cold: one run ${cold_pause} s after the last big process ended, so that the machine has taken its freed memory back; warm: $runs runs at once after it. Its --fps lines (5 s windows): the first whole window after each change, at rest, after 8 wheel steps in at the window's centre, and while the left button drags round a circle, in the start mode (orbit, which moves the overlay's camera and leaves the track still) and in the Rotate mode (the track turns); medians of $rounds rounds alternating the default drawing with --no-lod. Memory from /proc: resident over the fixes, after the keys b, 2 and 3 have drawn every curve list; the peak (VmHWM). GPX conversion up to $conversion_up_to fixes (nan beyond)."
  echo
  table
} > "$work/benchmark.md"
cat "$work/benchmark.md"
cp "$work/benchmark.md" docs/benchmark.md

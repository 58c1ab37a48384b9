#!/usr/bin/env bash
# Soak: the real viewer under Xvfb for SECONDS (default 600) with random
# input from the whole key table but q, drags in every mode, and choices
# from both menus but Exit. It must stay alive and responsive, and its
# resident memory must stay flat after warm-up. Then valgrind runs one load
# and must report no invalid memory access.
#
#   scripts/soak.sh [SECONDS] [TRACK]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
track=${2:-data/walk-short.track}
binary=${KESTRIM_BINARY:-build/release/kestrim}
[ -x "$binary" ] || { cmake --preset release >/dev/null && cmake --build --preset release --target kestrim >/dev/null; }

. scripts/xvfb-lib.sh
work=$(mktemp -d)
viewer=""
trap 'kill $viewer $xvfb_pid 2>/dev/null || true; rm -rf "$work"' EXIT
start_xvfb

start_viewer() { # log command...
  local log=$1; shift
  "$@" "$track" >"$log" 2>"$log.err" &
  viewer=$!
  wait_for_window 600 || { cat "$log" "$log.err"; exit 1; }
}

rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$viewer/status"; }

alive() {
  kill -0 "$viewer" 2>/dev/null || { echo "soak: the viewer died"; tail -20 "$log.err"; exit 1; }
}

keys=(h r l s c m f n N v V b B slash question 1 exclam 2 at 3 numbersign period greater comma less plus equal minus underscore C L M S R F H x)
menu_choose() { # button entry
  xdotool mousemove --window "$window" 300 300 click "$1"
  sleep 0.15
  xdotool mousemove --window "$window" 310 $((300 + 14 + 25 * $2)) click 1
  sleep 0.1
}
random_drag() {
  local x0=$((100 + RANDOM % 400)) y0=$((100 + RANDOM % 400))
  local x1=$((100 + RANDOM % 400)) y1=$((100 + RANDOM % 400))
  xdotool mousemove --window "$window" $x0 $y0 mousedown 1
  for step in 1 2 3 4 5; do
    xdotool mousemove --window "$window" $((x0 + (x1 - x0) * step / 5)) $((y0 + (y1 - y0) * step / 5))
    sleep 0.02
  done
  xdotool mouseup 1
}

log=$work/viewer.log
start_viewer "$log" "$binary"
RANDOM=${SOAK_SEED:-1}
begin=$(date +%s)
warm_up=$((seconds / 5))
baseline=""
peak=0
actions=0
while [ $(($(date +%s) - begin)) -lt "$seconds" ]; do
  case $((RANDOM % 4)) in
    0|1) xdotool windowfocus --sync "$window" key "${keys[RANDOM % ${#keys[@]}]}" ;;
    2) random_drag ;;
    3) if [ $((RANDOM % 2)) -eq 0 ]; then menu_choose 3 $((RANDOM % 3)); else menu_choose 2 $((RANDOM % 3)); fi ;;
  esac
  actions=$((actions + 1))
  alive
  elapsed=$(($(date +%s) - begin))
  if [ "$elapsed" -ge "$warm_up" ]; then
    rss=$(rss_kb)
    [ -n "$baseline" ] || { baseline=$rss; echo "soak: resident memory after ${elapsed}s of warm-up: ${rss} kB"; }
    [ "$rss" -gt "$peak" ] && peak=$rss
  fi
done

# Still answering: the help text comes back, then q ends it with status 0.
before=$(wc -c <"$log")
xdotool windowfocus --sync "$window" key h
for _ in $(seq 50); do
  tail -c +"$((before + 1))" "$log" | grep -q "right clicking" && break
  sleep 0.1
done
tail -c +"$((before + 1))" "$log" | grep -q "right clicking" || { echo "soak: no answer to h"; exit 1; }
final=$(rss_kb)
xdotool windowfocus --sync "$window" key q
wait "$viewer" && status=0 || status=$?
viewer=""
echo "soak: $actions actions in ${seconds}s; resident memory ${baseline} kB after warm-up, peak ${peak} kB, ${final} kB at the end; exit status $status"
[ "$status" -eq 0 ] || { echo "soak: exit status $status"; exit 1; }
# Flat: no more than 10% and 4 MB above the level after warm-up.
limit=$((baseline + baseline / 10 + 4096))
[ "$peak" -le "$limit" ] || { echo "soak: resident memory grew past ${limit} kB"; exit 1; }
if grep -E "AddressSanitizer|runtime error:" "$log.err"; then exit 1; fi

# One load under valgrind: no invalid access (leaks are by design: records live until exit).
vlog=$work/valgrind.log
start_viewer "$vlog" valgrind --error-exitcode=3 --leak-check=full --suppressions=scripts/valgrind.supp "$binary"
for _ in $(seq 1200); do grep -q "BesselFrames size" "$vlog" && break; sleep 0.1; done
sleep 2
xdotool windowfocus --sync "$window" key q
wait "$viewer" && status=0 || status=$?
viewer=""
grep -E "ERROR SUMMARY" "$vlog.err" || true
if grep -q "Invalid \(read\|write\|free\)" "$vlog.err"; then
  grep -A12 "Invalid" "$vlog.err" | head -40
  echo "soak: valgrind reports an invalid access"
  exit 1
fi
echo "soak: passed"

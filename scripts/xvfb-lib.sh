# Shared by the scripts that run the viewer under a private Xvfb: source it.
#   start_xvfb         starts Xvfb on a free display, exports DISPLAY, sets xvfb_pid
#   wait_for_window    waits for the "Trevan" window, sets window (its id)
# The caller's EXIT trap should kill "$xvfb_pid".

start_xvfb() {
  local display_file
  display_file=$(mktemp)
  # -noreset: the server would otherwise reset when its last client leaves,
  # and refuse the next viewer while it does. -nolisten unix -nolock: only
  # the abstract socket, so that nothing of the server is left in /tmp.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -nolisten unix -nolock -noreset \
    3>"$display_file" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    sleep 0.1
  done
  [ -s "$display_file" ] || { echo "Xvfb did not start" >&2; rm -f "$display_file"; return 1; }
  export DISPLAY=":$(head -n 1 "$display_file")"
  rm -f "$display_file"
}

wait_for_window() { # [tenths of a second to wait, default 100]
  window=""
  for _ in $(seq "${1:-100}"); do
    window=$(xdotool search --name '^Trevan$' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && return 0
    sleep 0.1
  done
  echo "no Trevan window appeared" >&2
  return 1
}

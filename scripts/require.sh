# shellcheck shell=bash
# Sourced by the scripts that run external commands, after their install
# step, so that a missing program stops them at once with a plain message
# instead of failing later, perhaps after a long time-out:
#
#   . scripts/require.sh
#   require_commands cmake Xvfb xdotool
#
# require_commands exits with status 1 at the first command not on PATH.
# Each command should have its package's line in scripts/packages.txt.

require_commands() { # command...
  local command
  for command in "$@"; do
    if ! command -v "$command" >/dev/null 2>&1; then
      echo "$command is not installed: run scripts/install-deps.sh" >&2
      exit 1
    fi
  done
}

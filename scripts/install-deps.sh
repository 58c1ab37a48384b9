#!/usr/bin/env bash
# Installs the Debian packages that scripts/packages.txt lists, and only
# those that are missing, then checks that every command the list names is
# on PATH.  apt-get update runs only when something has to be installed;
# sudo is used when not root.
#
#   scripts/install-deps.sh
set -euo pipefail

list=$(dirname "$0")/packages.txt
packages=()
commands=()

fail() {
  echo "install-deps: $*" >&2
  exit 1
}

# Fills packages and commands from the list; a line that is neither a
# comment nor "PACKAGE COMMAND..." / "PACKAGE -" is an error, so that a
# slip in the list is not read as a package.
read_list() {
  local number=0 line package rest
  [ -r "$list" ] || fail "cannot read $list"
  while IFS= read -r line || [ -n "$line" ]; do
    number=$((number + 1))
    case $line in '#'* | '') continue ;; esac
    read -r package rest <<<"$line"
    [ -n "$package" ] || continue
    [ -n "$rest" ] || fail "$list:$number: '$package' names no command (give - for none)"
    packages+=("$package")
    if [ "$rest" != - ]; then
      # shellcheck disable=SC2206 # the commands are white-space separated
      commands+=($rest)
    fi
  done <"$list"
}

missing_packages() {
  local package status
  for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || echo "$package"
  done
}

install_packages() { # package...
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  # Another apt run (an unattended upgrade, a parallel test) may hold the
  # lock for a while: wait for it rather than fail.
  "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=300 update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=300 \
    install -y -qq --no-install-recommends "$@"
}

# A package can install without the command we expect from it (a wrong
# line in the list, a broken alternative): say so now rather than as
# "command not found" deep inside a test.
check_commands() {
  local command absent=()
  for command in "${commands[@]}"; do
    command -v "$command" >/dev/null 2>&1 || absent+=("$command")
  done
  [ ${#absent[@]} -eq 0 ] ||
    fail "not on PATH: ${absent[*]}, though $list names them"
}

main() {
  local missing
  read_list
  mapfile -t missing < <(missing_packages)
  if [ ${#missing[@]} -eq 0 ]; then
    check_commands
    echo "install-deps: all ${#packages[@]} packages are installed"
    return
  fi
  echo "install-deps: installing ${missing[*]}"
  install_packages "${missing[@]}"
  check_commands
}

main "$@"

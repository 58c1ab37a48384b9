#!/usr/bin/env bash
# Installs the Debian package in this (fresh) Debian system with its
# dependencies from the archive, runs what it installed on a GPS file, then
# purges it and checks that nothing of it is left.  Run as root, in a root
# made for it: scripts/fresh-root-check.sh copies it there with the .deb.
#
#   packaging/installed-check.sh KESTRIM.deb FILE.gpx
#
# Prints "installed-check: STEP ok" or "installed-check: STEP FAILED: WHY"
# for each of the steps install, files, screenshot (or stats where this
# kestrim has no --screenshot), import and purge; exits 0 when all pass.
set -uo pipefail

deb=$1
gpx=$2
# By their paths: the package puts them there (and they are on PATH).
kestrim=/usr/bin/kestrim
importer=/usr/bin/kestrim-import
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

ok() { echo "installed-check: $1 ok"; }
failed() { # step why
  echo "installed-check: $1 FAILED: $2"
  failures=$((failures + 1))
}

# The number after "fixes:" in kestrim --stats' output.
fixes_of() { awk '$1 == "fixes:" { print $2; exit }'; }

install_package() {
  case $deb in /*) ;; *) deb=$PWD/$deb ;; esac
  echo "## apt-get install -y $deb"
  if ! apt-get -o DPkg::Lock::Timeout=300 update -qq ||
    ! DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 install -y "$deb"; then
    failed install "apt-get could not install $deb"
    return 1
  fi
  ok install
}

# What the package must have put in place, as dpkg lists it.
check_files() {
  local path missing=""
  dpkg -L kestrim >"$work/files"
  for path in /usr/bin/kestrim /usr/bin/kestrim-import /usr/share/kestrim/kestrim.style \
    /usr/share/kestrim/walk-short.track /usr/share/man/man1/kestrim.1.gz \
    /usr/share/man/man1/kestrim-import.1.gz /usr/share/applications/kestrim.desktop \
    /usr/share/icons/hicolor/scalable/apps/kestrim.svg /usr/share/mime/packages/kestrim.xml \
    /usr/share/metainfo/io.github.kestrim.Kestrim.metainfo.xml \
    /usr/share/doc/kestrim/copyright; do
    if ! grep -qxF "$path" "$work/files" || [ ! -e "$path" ]; then missing="$missing $path"; fi
  done
  if [ -n "$missing" ]; then
    failed files "not installed:$missing"
  else
    ok files
  fi
}

# The picture of the start view without a display (a private Xvfb), or the
# statistics where this kestrim draws none.
check_viewer() {
  local shot=$work/shot.png out fixes expected
  expected=$(grep -c '<trkpt ' "$gpx")
  if "$kestrim" --help 2>&1 | grep -q -- --screenshot; then
    echo "## kestrim --screenshot $shot $gpx"
    if ! out=$(unset DISPLAY; "$kestrim" --screenshot "$shot" "$gpx" 2>&1); then
      printf '%s\n' "$out"
      failed screenshot "kestrim --screenshot failed"
      return
    fi
    printf '%s\n' "$out" | tail -n 3
    cp -f "$shot" /tmp/shot.png
    if [ "$(head -c 8 "$shot" | od -An -tx1 | tr -d ' \n')" != 89504e470d0a1a0a ]; then
      failed screenshot "$shot is not a PNG"
    elif [ "$(stat -c %s "$shot")" -lt 2000 ]; then
      failed screenshot "$shot has only $(stat -c %s "$shot") bytes"
    else
      ok screenshot
    fi
  else
    echo "## kestrim --stats $gpx (this kestrim has no --screenshot)"
    out=$("$kestrim" --stats "$gpx" 2>&1)
    printf '%s\n' "$out"
    fixes=$(printf '%s\n' "$out" | fixes_of)
    if [ "$fixes" = "$expected" ]; then ok stats; else failed stats "fixes ${fixes:-none}, not $expected"; fi
  fi
}

# kestrim-import as a user runs it: the installed style, and the printed
# command, run as it is, opens the track.
check_import() {
  local out command expected fixes
  expected=$(grep -c '<trkpt ' "$gpx")
  mkdir -p "$work/import"
  cp "$gpx" "$work/import/ride.gpx"
  echo "## kestrim-import ride.gpx"
  if ! out=$(cd "$work/import" && "$importer" ride.gpx 2>&1); then
    printf '%s\n' "$out"
    failed import "kestrim-import failed"
    return
  fi
  printf '%s\n' "$out"
  command=$(printf '%s\n' "$out" | tail -n 1)
  if [ "$command" != "kestrim ride.track" ]; then
    failed import "it printed '$command', not 'kestrim ride.track'"
    return
  fi
  fixes=$(cd "$work/import" && "$kestrim" --stats ride.track 2>&1 | fixes_of)
  if [ "$(grep -c '^D=' "$work/import/ride.track")" != "$expected" ] || [ "$fixes" != "$expected" ]; then
    failed import "ride.track holds ${fixes:-no} fixes, not $expected"
  else
    ok import
  fi
}

# After the purge, no file or link of the package remains, nor a folder of
# its own (the shared ones, as /usr/share/man/man1, stay).
check_purge() {
  local path left=""
  echo "## apt-get purge -y kestrim"
  if ! DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 purge -y kestrim; then
    failed purge "apt-get could not purge kestrim"
    return
  fi
  while read -r path; do
    case $path in
      /usr/share/kestrim | /usr/share/doc/kestrim) [ ! -e "$path" ] || left="$left $path" ;;
      *) if [ ! -d "$path" ] && { [ -e "$path" ] || [ -L "$path" ]; }; then left="$left $path"; fi ;;
    esac
  done <"$work/files"
  if dpkg-query -W -f='${Status}' kestrim 2>/dev/null | grep -q 'ok installed$'; then
    left="$left (dpkg still lists it)"
  fi
  if [ -n "$left" ]; then failed purge "left behind:$left"; else ok purge; fi
}

if install_package; then
  check_files
  check_viewer
  check_import
  check_purge
fi
[ "$failures" -eq 0 ]

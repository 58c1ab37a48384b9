#!/usr/bin/env bash
# Checks the files the package gives the desktop: the entry and the
# AppStream metadata pass their validators and name the same file types;
# each of those types is known to a MIME database made of the system's and
# ours; and in that database files are told as the viewer would have them
# (a track by its name and by its "D=" lines, a FIT log apart from a FITS
# image of the same extension, an NMEA log by its sentences).
#
#   packaging/check-desktop-files.sh
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
desktop=$here/kestrim.desktop
metainfo=$here/io.github.kestrim.Kestrim.metainfo.xml
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "check-desktop-files: $*"
  failures=$((failures + 1))
}

validators() {
  local out
  out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
  out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
  out=$(xmllint --noout "$here/kestrim.svg" 2>&1) || fail "kestrim.svg: $out"
  grep -q '^Icon=kestrim$' "$desktop" || fail "the entry's Icon is not kestrim (kestrim.svg)"
  grep -q '^Exec=kestrim %f$' "$desktop" || fail "the entry does not run kestrim %f"
}

# The entry's MimeType list and the metadata's mediatypes, one a line.
desktop_types() { sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n' | sed '/^$/d' | sort; }
metainfo_types() { sed -n 's|.*<mediatype>\(.*\)</mediatype>.*|\1|p' "$metainfo" | sort; }

same_types() {
  local difference
  difference=$(diff <(desktop_types) <(metainfo_types))
  [ -z "$difference" ] || fail "the entry's MimeType and the metadata's mediatypes differ: $difference"
}

# The system's shared MIME database with ours beside it, as installed.
make_database() {
  mkdir -p "$work/share/mime/packages" "$work/home"
  cp /usr/share/mime/packages/freedesktop.org.xml "$work/share/mime/packages/"
  cp "$here/kestrim-mime.xml" "$work/share/mime/packages/kestrim.xml"
  local out
  out=$(XDG_DATA_DIRS=$work/share update-mime-database "$work/share/mime" 2>&1) || fail "update-mime-database: $out"
  [ -z "$out" ] || fail "update-mime-database complains: $out"
}

known_types() {
  local type
  for type in $(desktop_types); do
    grep -qxF "$type" "$work/share/mime/types" || fail "the entry opens $type, which no MIME database here defines"
  done
}

content_type() { # file
  XDG_DATA_DIRS=$work/share XDG_DATA_HOME=$work/home gio info -a standard::content-type "$1" 2>/dev/null |
    sed -n 's/^ *standard::content-type: //p'
}

# name, content (printf's format), the type it must be told as
detection() {
  local name content expected got
  mkdir -p "$work/files"
  while IFS='|' read -r name content expected; do
    # shellcheck disable=SC2059 # the content is a format, for its \x escapes
    printf "$content" >"$work/files/$name"
    got=$(content_type "$work/files/$name")
    [ "$got" = "$expected" ] || fail "$name is told as '$got', not $expected"
  done <<'EOF'
walk.track|D=2010-08-05T14:23:59,P=45.7721750 14.3576592,V=0.000,A=542.3\n|application/x-kestrim-track
walk|D=2010-08-05T14:23:59,P=45.7721750 14.3576592,V=0.000\nD=2010-08-05T14:25:08,P=45.7720898 14.3575674,V=0.385\n|application/x-kestrim-track
notes.txt|D=not a track, by its name\n|text/plain
ride.fit|\x0e\x10\x43\x08\x00\x00\x00\x00.FIT\x00\x00|application/vnd.ant.fit
sky.fit|SIMPLE  =                    T / a FITS image\n|application/fits
ride.tcx|<?xml version="1.0"?>\n<TrainingCenterDatabase/>\n|application/vnd.garmin.tcx+xml
flight.igc|AXXX001\nB1101355206343N00006198WA0058700558\n|application/x-igc
receiver-log|$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\n|application/x-nmea
log.nmea|$GNGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\n|application/x-nmea
walk.gpx|<?xml version="1.0"?>\n<gpx version="1.1" xmlns="http://www.topografix.com/GPX/1/1"/>\n|application/gpx+xml
EOF
}

validators
same_types
make_database
known_types
detection
if [ "$failures" -gt 0 ]; then
  echo "check-desktop-files: $failures faults"
  exit 1
fi
echo "check-desktop-files: the entry, the metadata and the MIME types are valid and agree"

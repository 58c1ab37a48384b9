#!/usr/bin/env bash
# Checks a build's install and Debian package: installed under a scratch
# DESTDIR, the programs find their files from where they are (the style
# beside kestrim-import, kestrim-import beside kestrim), nothing installed
# points back to the sources, and kestrim-import prints the command that
# opens its track from there; the .deb CPack makes holds the same files
# owned by root, depends on gpsbabel and proj-data, and lintian finds no
# error in it.
#
#   packaging/check-install.sh BUILD_DIR
set -uo pipefail

build=$(cd "$1" && pwd)
repo=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "check-install: $*"
  failures=$((failures + 1))
}

# Every file the package must install, below the prefix /usr.
expected_files() {
  cat <<'EOF'
usr/bin/kestrim
usr/bin/kestrim-import
usr/share/applications/kestrim.desktop
usr/share/doc/kestrim/changelog.gz
usr/share/doc/kestrim/copyright
usr/share/icons/hicolor/scalable/apps/kestrim.svg
usr/share/kestrim/kestrim.style
usr/share/kestrim/walk-short.track
usr/share/man/man1/kestrim-import.1.gz
usr/share/man/man1/kestrim.1.gz
usr/share/metainfo/io.github.kestrim.Kestrim.metainfo.xml
usr/share/mime/packages/kestrim.xml
EOF
}

# A GPX of the sample track's first fixes, with times, so that speeds are
# computed.
sample_gpx() {
  awk -F'[=, ]' '
    BEGIN { print "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\" xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><trkseg>" }
    /^D=/ && n++ < 40 { printf "<trkpt lat=\"%s\" lon=\"%s\"><time>%sZ</time></trkpt>\n", $4, $5, $2 }
    END { print "</trkseg></trk></gpx>" }' "$repo/data/walk-short.track"
}

check_destdir_install() {
  local root=$work/root out printed fixes path
  if ! out=$(DESTDIR=$root cmake --install "$build" --prefix /usr 2>&1); then
    fail "cmake --install: $out"
    return
  fi
  diff <(expected_files) <(cd "$root" && find . ! -type d | sed 's|^\./||' | sort) >"$work/diff" ||
    fail "installed files differ from the list (< expected, > installed): $(cat "$work/diff")"
  # Links stay inside the install (the man page of kestrim-import).
  while read -r path; do
    case $(readlink "$path") in /* | *..*) fail "${path#"$root"} links outside: $(readlink "$path")" ;; esac
  done < <(find "$root" -type l)
  [ "$(readlink -f "$root/usr/share/man/man1/kestrim-import.1.gz")" = "$root/usr/share/man/man1/kestrim.1.gz" ] ||
    fail "kestrim-import.1.gz is not the page of kestrim"
  gzip -t "$root/usr/share/man/man1/kestrim.1.gz" || fail "kestrim.1.gz is no gzip file"
  cmp -s <(gzip -dc "$root/usr/share/man/man1/kestrim.1.gz") "$repo/docs/kestrim.1" ||
    fail "kestrim.1.gz is not docs/kestrim.1"
  grep -rqF "$repo" "$root/usr/bin/kestrim-import" "$root/usr/share" &&
    fail "an installed file names the source folder $repo"

  # Run from there with the sources out of reach: a copy of the install in
  # a folder of its own, which no build or source folder is beside.
  mkdir -p "$work/elsewhere" "$work/data"
  cp -a "$root/usr" "$work/elsewhere/"
  sample_gpx >"$work/data/ride.gpx"
  if ! out=$(cd "$work/data" && PATH=/usr/bin:/bin "$work/elsewhere/usr/bin/kestrim-import" ride.gpx 2>&1); then
    fail "the installed kestrim-import failed: $out"
    return
  fi
  printed=$(tail -n 1 <<<"$out")
  [ "$printed" = "$work/elsewhere/usr/bin/kestrim ride.track" ] ||
    fail "kestrim-import, installed off PATH, printed '$printed', not the kestrim beside it"
  fixes=$(cd "$work/data" && $printed --stats 2>&1 | awk '$1 == "fixes:" { print $2 }')
  [ "$fixes" = 40 ] || fail "the printed command opened ${fixes:-no} fixes, not 40"
  # kestrim converts a GPS file with the kestrim-import beside it.
  fixes=$(cd "$work/data" && PATH=/usr/bin:/bin "$work/elsewhere/usr/bin/kestrim" --stats ride.gpx 2>&1 |
    awk '$1 == "fixes:" { print $2 }')
  [ "$fixes" = 40 ] || fail "the installed kestrim opened ${fixes:-no} fixes of ride.gpx, not 40"
}

check_package() {
  local deb out depends
  if ! out=$(cpack -B "$work/package" --config "$build/CPackConfig.cmake" 2>&1); then
    fail "cpack: $out"
    return
  fi
  deb=$(find "$work/package" -maxdepth 1 -name 'kestrim_*.deb' | head -n 1)
  [ -n "$deb" ] || { fail "cpack made no kestrim_*.deb: $out"; return; }
  diff <(expected_files) <(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '/$' | sort) \
    >"$work/diff" || fail "the package's files differ from the list: $(cat "$work/diff")"
  dpkg-deb -c "$deb" | awk '$2 != "root/root" { print; bad = 1 } END { exit bad }' >"$work/owners" ||
    fail "not owned by root: $(cat "$work/owners")"
  depends=$(dpkg-deb -f "$deb" Depends)
  for needed in gpsbabel proj-data libglut3.12 libproj25; do
    grep -qE "(^|, )$needed( |,|$)" <<<"$depends" || fail "Depends lacks $needed: $depends"
  done
  [ "$(dpkg-deb -f "$deb" Recommends)" = xvfb ] || fail "Recommends is not xvfb"
  out=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep '^E: ')
  [ -z "$out" ] || fail "lintian: $out"
}

check_destdir_install
check_package
if [ "$failures" -gt 0 ]; then
  echo "check-install: $failures faults"
  exit 1
fi
echo "check-install: the install works from where it is, and the package is complete and lintian-clean"

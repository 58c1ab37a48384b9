#!/usr/bin/env bash
# Repeats "a new user on a fresh Debian 12 machine": builds a minimal
# bookworm root with debootstrap, clones the committed repository into it
# at /root/src/main with ../shared beside the clone, and runs there, as
# root, the README's two commands in order: scripts/view-sample.sh, then
# scripts/test-all.sh.  Prints each one's exit status and duration, ctest's
# counts per build, the failed tests, what the run left in /tmp and what it
# left running.  Then it builds the Debian package in that root (the
# README's build is there already), runs lintian on it, and in a second
# fresh root installs it with apt-get, its dependencies from the archive,
# runs what it installed and purges it (packaging/installed-check.sh).
# Exits 0 only when every step does.  A developer's tool, minutes long,
# never part of the test suite; needs root (debootstrap, chroot, mount).
#
#   scripts/fresh-root-check.sh [--keep] [--dir DIR] [--no-cache] [--commit REV]
#                               [--no-install-root]
#
#   --keep        keep the root (DIR/root) for inspection; by default it is
#                 removed at the end, after unmounting
#   --dir DIR     where the root and the logs go (default build/fresh-root);
#                 the logs are DIR/logs/*.log
#   --no-cache    run debootstrap anew instead of unpacking the tarball it
#                 made last time (build/fresh-root-cache/)
#   --commit REV  the commit to clone (default HEAD)
#   --no-install-root
#                 build and check the package, but do not make the second
#                 root to install it in
#
# Sourced instead of run, it only defines its functions (make_root,
# mount_root, clone_into_root, run_in_root, unmount_root, remove_root), so
# that another script can make and use a second root the same way.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
suite=bookworm
mirror=http://deb.debian.org/debian
cache_dir=$repo/build/fresh-root-cache
cache_tar=$cache_dir/$suite-minbase-git.tar
# What a new user's login shell would have: no DISPLAY, no locale, no
# variables of the caller's session.
root_env=(HOME=/root USER=root LOGNAME=root SHELL=/bin/bash TERM=dumb
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin)
# The host's file systems a root needs to build and run tests, in mount
# order; unmounted in the reverse order.
bind_mounts=(proc sys dev dev/pts dev/shm)
# Roots that may have something mounted, for the EXIT trap.
roots_in_use=()

say() { echo "fresh-root: $*"; }
die() {
  echo "fresh-root: $*" >&2
  exit 1
}

# ------------------------------------------------------------------ host

check_host() {
  [ "$(id -u)" -eq 0 ] || die "needs root (debootstrap, chroot and mount)"
  if ! command -v debootstrap >/dev/null 2>&1; then
    "$repo/scripts/install-deps.sh"
  fi
  # shellcheck source=require.sh
  . "$repo/scripts/require.sh"
  require_commands debootstrap git tar chroot mount umount findmnt
}

# -------------------------------------------------------------- the root

# Runs debootstrap into a scratch folder and keeps the result as a tarball,
# so that later runs unpack it in seconds instead of minutes.
build_cache() {
  local scratch=$cache_dir/debootstrap.$$ log=$cache_dir/debootstrap.log
  mkdir -p "$cache_dir"
  roots_in_use+=("$scratch")
  say "debootstrap $suite (minbase, git) into $scratch (log: $log)"
  if ! debootstrap --variant=minbase --include=git "$suite" "$scratch" "$mirror" >"$log" 2>&1; then
    tail -n 20 "$log" >&2
    die "debootstrap failed"
  fi
  # debootstrap mounts /proc and /sys in the target while it works.
  unmount_root "$scratch"
  tar --numeric-owner -C "$scratch" -cf "$cache_tar.part" .
  mv -f "$cache_tar.part" "$cache_tar"
  remove_root "$scratch"
}

# Like an installed Debian 12: the release, its updates and its security
# updates, and the host's name servers.
configure_root() { # root
  local root=$1
  rm -f "$root/etc/apt/sources.list"
  mkdir -p "$root/etc/apt/sources.list.d"
  cat >"$root/etc/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: $mirror
Suites: $suite $suite-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://deb.debian.org/debian-security
Suites: $suite-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  cp -L /etc/resolv.conf "$root/etc/resolv.conf"
}

# Makes ROOT a fresh Debian root: always a new unpack of the cached
# debootstrap result (made first when absent, or when NO_CACHE is yes).
make_root() { # root [no_cache]
  local root=$1 no_cache=${2:-no}
  if [ "$no_cache" = yes ] || [ ! -s "$cache_tar" ]; then build_cache; fi
  unmount_root "$root"
  remove_root "$root"
  mkdir -p "$root"
  tar --numeric-owner -C "$root" -xpf "$cache_tar"
  configure_root "$root"
  say "fresh root in $root"
}

# Clones REV of the host repository to ROOT/root/src/main with the root's
# own git, from a bundle of that one commit: the committed state, never the
# work tree.  ../shared goes beside the clone, as on a developer's machine.
clone_into_root() { # root rev
  local root=$1 rev=$2 sha scratch shared
  sha=$(git -C "$repo" rev-parse --verify "$rev^{commit}")
  scratch=$(mktemp -d)
  git init -q --bare "$scratch/repo.git"
  git -C "$scratch/repo.git" fetch -q "$repo" "$sha:refs/heads/main"
  mkdir -p "$root/root/src"
  git -C "$scratch/repo.git" bundle create -q "$root/root/src/kestrim.bundle" main
  rm -rf "$scratch"
  in_root "$root" git clone -q -b main /root/src/kestrim.bundle /root/src/main
  shared=$(cd "$repo/.." && pwd)/shared
  if [ -d "$shared" ]; then
    cp -a "$shared" "$root/root/src/shared"
  else
    say "no $shared beside the repository: the root has no ../shared"
  fi
  say "cloned $(git -C "$repo" log -1 --format='%h %s' "$sha") to /root/src/main"
}

# ---------------------------------------------------------------- mounts

mount_root() { # root
  local root=$1 target
  roots_in_use+=("$root")
  for target in "${bind_mounts[@]}"; do
    mkdir -p "$root/$target"
    mount --bind "/$target" "$root/$target"
    # Private, so that what is mounted below it (dev/pts below dev) never
    # spreads back to the host on a host whose mounts are shared.
    mount --make-private "$root/$target"
  done
}

mounts_under() { # root: prints the mount points inside it, deepest first
  findmnt -rn -o TARGET | awk -v root="$1" 'index($0, root "/") == 1 || $0 == root' | sort -r
}

# Processes whose root directory is ROOT: whatever the run left behind.
processes_in_root() { # root
  local root link proc
  root=$(realpath "$1")
  for proc in /proc/[0-9]*; do
    link=$(readlink "$proc/root" 2>/dev/null) || continue
    [ "$link" = "$root" ] || continue
    echo "${proc#/proc/} $(cat "$proc/comm" 2>/dev/null)"
  done
}

# Ends the processes of ROOT by their ids: they were started in it by this
# script, and a bind mount in use cannot be unmounted.
end_processes_in_root() { # root
  local root=$1 pids
  mapfile -t pids < <(processes_in_root "$root" | awk '{ print $1 }')
  [ ${#pids[@]} -gt 0 ] || return 0
  kill -TERM "${pids[@]}" 2>/dev/null || true
  sleep 2
  mapfile -t pids < <(processes_in_root "$root" | awk '{ print $1 }')
  [ ${#pids[@]} -eq 0 ] || kill -KILL "${pids[@]}" 2>/dev/null || true
  sleep 0.5
}

# Unmounts everything inside ROOT (also what debootstrap may have left),
# and fails if anything is still mounted there.
unmount_root() { # root
  local root=$1 target
  [ -d "$root" ] || return 0
  root=$(realpath "$root")
  end_processes_in_root "$root"
  while read -r target; do
    [ -n "$target" ] || continue
    umount "$target" 2>/dev/null && continue
    echo "fresh-root: $target is busy: unmounting it lazily" >&2
    umount -l "$target" || echo "fresh-root: cannot unmount $target" >&2
  done < <(mounts_under "$root")
  if [ -n "$(mounts_under "$root")" ]; then
    echo "fresh-root: still mounted under $root:" >&2
    mounts_under "$root" >&2
    return 1
  fi
}

# Removes ROOT, never across a mount point: a bind mount left in place
# would have rm delete the host's /dev.
remove_root() { # root
  local root=$1
  [ -e "$root" ] || return 0
  if [ -n "$(mounts_under "$(realpath "$root")")" ]; then
    echo "fresh-root: not removing $root: something is mounted in it" >&2
    return 1
  fi
  rm -rf --one-file-system "$root"
}

# ------------------------------------------------------------ inside it

in_root() { # root command...: runs COMMAND in ROOT with a new user's environment
  local root=$1
  shift
  # fd 9 holds the lock on the check's folder: not for the root's processes.
  chroot "$root" /usr/bin/env -i "${root_env[@]}" "$@" </dev/null 9>&-
}

# Runs COMMAND in ROOT from the clone (from /root where there is none), its output in LOG with the start,
# end and exit status; sets run_status and run_seconds.
run_in_root() { # root log command...
  local root=$1 log=$2 start
  shift 2
  start=$(date +%s)
  echo "# $(date -u '+%F %T UTC') started: $*" >"$log"
  say "running $* in the root (log: $log)"
  run_status=0
  # In the background and waited for, so that a signal to this script is
  # handled at once; the EXIT trap then ends what runs in the root.
  in_root "$root" /bin/bash -c 'cd /root/src/main 2>/dev/null || cd /root; exec "$@"' run "$@" >>"$log" 2>&1 &
  wait $! || run_status=$?
  run_seconds=$(($(date +%s) - start))
  echo "# $(date -u '+%F %T UTC') ended: exit $run_status after ${run_seconds}s" >>"$log"
  say "$* exited $run_status after $(duration "$run_seconds")"
}

# ------------------------------------------------------------ the package

# Builds the .deb in ROOT's clone and copies it to LOGS; sets status and
# seconds of "package", and deb to the copy (empty when there is none).
build_package() { # root logs
  local root=$1 logs=$2 made
  run_in_root "$root" "$logs/package.log" cmake --build --preset release --target package
  status[package]=$run_status seconds[package]=$run_seconds
  deb=""
  made=$(find "$root/root/src/main/build/release" -maxdepth 1 -name 'kestrim_*.deb' 2>/dev/null |
    head -n 1 || true)
  if [ -n "$made" ]; then
    cp -f "$made" "$logs/"
    deb=$logs/${made##*/}
  elif [ "${status[package]}" -eq 0 ]; then
    status[package]=1
  fi
}

# lintian's verdict on the .deb, in LOGS/lintian.log: fails on errors.
lint_package() { # deb logs
  local start
  start=$(date +%s)
  status[lintian]=0
  lintian --tag-display-limit 0 "$1" >"$2/lintian.log" 2>&1 || status[lintian]=$?
  seconds[lintian]=$(($(date +%s) - start))
  say "lintian exited ${status[lintian]}: $(grep -c '^E: ' "$2/lintian.log") errors, $(grep -c '^W: ' "$2/lintian.log") warnings"
}

# A second fresh root, without the sources: the .deb installed from a file
# as a user would, and checked by packaging/installed-check.sh.
check_installed_package() { # root deb logs
  local root=$1 deb=$2 logs=$3 gpx
  gpx=$(cd "$repo/.." && pwd)/shared/data/tracks/walk-short.gpx
  make_root "$root" no
  mount_root "$root"
  cp -f "$deb" "$root/root/"
  cp -f "$root_dir/root/src/main/packaging/installed-check.sh" "$root/root/"
  if [ -r "$gpx" ]; then
    cp -f "$gpx" "$root/root/walk-short.gpx"
  else
    say "no $gpx: the installed programs get a GPX made from the sample track"
    sample_as_gpx "$root_dir/root/src/main/data/walk-short.track" >"$root/root/walk-short.gpx"
  fi
  run_in_root "$root" "$logs/install.log" /bin/bash /root/installed-check.sh "/root/${deb##*/}" \
    /root/walk-short.gpx
  status[install-root]=$run_status seconds[install-root]=$run_seconds
  cp -f "$root/tmp/shot.png" "$logs/installed-shot.png" 2>/dev/null || true
  unmount_root "$root"
  [ "$keep" = yes ] || remove_root "$root"
}

# A GPX of a track file's fixes, for a host without ../shared.
sample_as_gpx() { # track
  awk -F'[=, ]' '
    BEGIN { print "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"kestrim\" xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><trkseg>" }
    /^D=/ { printf "<trkpt lat=\"%s\" lon=\"%s\"><time>%sZ</time></trkpt>\n", $4, $5, $2 }
    END { print "</trkseg></trk></gpx>" }' "$1"
}

# ------------------------------------------------------------ reporting

# The logs the root's builds keep, copied beside ours: the root itself is
# removed at the end.
keep_test_logs() { # root logs
  local clone=$1/root/src/main preset
  for preset in release debug; do
    cp -f "$clone/build/$preset/Testing/Temporary/LastTest.log" "$2/ctest-$preset.log" 2>/dev/null || true
  done
  cp -f "$clone/build/fuzz/last-run.log" "$2/fuzz-last-run.log" 2>/dev/null || true
  cp -f "$clone/build/fuzz/build.log" "$2/fuzz-build.log" 2>/dev/null || true
}

duration() { printf '%dm%02ds' $(($1 / 60)) $(($1 % 60)); }

list_tmp() { # root listing-file: writes the listing, prints one name a line
  local root=$1
  {
    echo "## ls -la /tmp"
    ls -la "$root/tmp"
    if [ -d "$root/tmp/.X11-unix" ]; then
      echo "## ls -la /tmp/.X11-unix"
      ls -la "$root/tmp/.X11-unix"
    fi
  } >"$2"
  ls -A1 "$root/tmp"
  if [ -d "$root/tmp/.X11-unix" ]; then ls -A1 "$root/tmp/.X11-unix" | sed 's|^|.X11-unix/|'; fi
}

# Names that differ only in a mktemp suffix (e2e-xvfb-0eT6xb) as one line
# with their count.
group_names() {
  sed -E 's/([-.])[A-Za-z0-9]{6}$/\1XXXXXX/' | sort | uniq -c |
    awk '{ if ($1 == 1) print "  " $2; else print "  " $2 " (" $1 ")" }'
}

# ctest's closing line per build, from test-all's "=== PRESET build ===" and
# "=== PRESET tests ===" sections, and the tests it lists as failed.
test_counts() { # log
  awk '
    /^=== [a-z]+ build ===$/ { preset = $2; listing = 0; if (!(preset in seen)) { seen[preset] = 1; order[++n] = preset } }
    /^=== [a-z]+ tests ===$/ { preset = $2; listing = 0; tested[preset] = 1; if (!(preset in seen)) { seen[preset] = 1; order[++n] = preset } }
    / tests passed, [0-9]+ tests? failed out of [0-9]+/ { line[preset] = $0 }
    /^The following tests FAILED:/ { listing = 1; next }
    listing && /^[ \t]+[0-9]+ - / { sub(/^[ \t]+[0-9]+ - /, ""); failed[preset] = failed[preset] "\n    failed: " $0; next }
    listing { listing = 0 }
    END {
      if (n == 0) print "  no test run found in the log"
      for (i = 1; i <= n; i++) {
        p = order[i]
        if (p in line) said = line[p]
        else if (p in tested) said = "no ctest summary"
        else said = "the build failed: no tests ran"
        printf "  %-7s %s%s\n", p ":", said, failed[p]
      }
    }' "$1"
}

# ------------------------------------------------------------------ main

# The EXIT trap: unmounts every root, removes the root unless --keep, and
# turns a success into a failure when a mount is left behind.
cleanup() {
  local rc=$? root status=0
  for root in "${roots_in_use[@]}"; do
    unmount_root "$root" || status=1
  done
  if [ "${keep:-no}" = no ] && [ -n "${root_dir:-}" ]; then
    remove_root "$root_dir" || status=1
    remove_root "$dir/root-install" || status=1
  fi
  if [ -n "${dir:-}" ] && [ -n "$(mounts_under "$dir")" ]; then
    echo "fresh-root: mounts left behind under $dir:" >&2
    mounts_under "$dir" >&2
    status=1
  fi
  if [ "$rc" -eq 0 ] && [ "$status" -ne 0 ]; then rc=1; fi
  exit "$rc"
}

parse_options() {
  keep=no
  no_cache=no
  install_root=yes
  commit=HEAD
  dir=$repo/build/fresh-root
  while [ $# -gt 0 ]; do
    case $1 in
      --keep) keep=yes ;;
      --no-cache) no_cache=yes ;;
      --no-install-root) install_root=no ;;
      --dir) [ $# -ge 2 ] || die "--dir needs a folder"; dir=$2; shift ;;
      --commit) [ $# -ge 2 ] || die "--commit needs a revision"; commit=$2; shift ;;
      -h | --help) sed -n '2,/^set -euo/{/^#/s/^# \{0,1\}//p}' "$0"; exit 0 ;;
      *) die "unknown option $1 (see --help)" ;;
    esac
    shift
  done
}

main() {
  local logs before after added left sha deb step
  local -A status seconds
  parse_options "$@"
  check_host
  mkdir -p "$dir"
  dir=$(realpath "$dir")
  exec 9>"$dir/.lock"
  flock -n 9 || die "another check is using $dir"
  logs=$dir/logs
  root_dir=$dir/root
  rm -rf "$logs"
  mkdir -p "$logs"
  trap cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM

  # Resolved once: HEAD may move while the check runs.
  sha=$(git -C "$repo" rev-parse --verify "$commit^{commit}") || die "no commit $commit"
  make_root "$root_dir" "$no_cache"
  mount_root "$root_dir"
  clone_into_root "$root_dir" "$sha"

  before=$(list_tmp "$root_dir" "$logs/tmp-before.txt")
  cat "$logs/tmp-before.txt"
  run_in_root "$root_dir" "$logs/view-sample.log" scripts/view-sample.sh
  status[view-sample]=$run_status seconds[view-sample]=$run_seconds
  cp -f "$root_dir/root/src/main/build/sample-screenshot.png" "$logs/" 2>/dev/null || true
  run_in_root "$root_dir" "$logs/test-all.log" scripts/test-all.sh
  status[test-all]=$run_status seconds[test-all]=$run_seconds
  keep_test_logs "$root_dir" "$logs"
  after=$(list_tmp "$root_dir" "$logs/tmp-after.txt")
  cat "$logs/tmp-after.txt"
  added=$(comm -13 <(sort <<<"$before") <(sort <<<"$after") | sed '/^$/d')
  left=$(processes_in_root "$root_dir")
  build_package "$root_dir" "$logs"
  status[lintian]=skipped status[install-root]=skipped
  if [ -n "$deb" ]; then
    lint_package "$deb" "$logs"
    if [ "$install_root" = yes ]; then
      check_installed_package "$dir/root-install" "$deb" "$logs"
    else
      say "--no-install-root: the package is not installed in a second root"
    fi
  fi

  echo
  echo "=== fresh-root check: $(git -C "$repo" log -1 --format='%h %s' "$sha") ==="
  echo "view-sample.sh: exit ${status[view-sample]} after $(duration "${seconds[view-sample]}")"
  echo "test-all.sh:    exit ${status[test-all]} after $(duration "${seconds[test-all]}")"
  test_counts "$logs/test-all.log"
  echo "package:        exit ${status[package]} after $(duration "${seconds[package]}")${deb:+: ${deb##*/}}"
  if [ "${status[lintian]}" = skipped ]; then
    echo "lintian:        not run (no package)"
  else
    echo "lintian:        exit ${status[lintian]}: $(grep -c '^E: ' "$logs/lintian.log") errors, $(grep -c '^W: ' "$logs/lintian.log") warnings (all in $logs/lintian.log)"
    grep -E '^(E|W): ' "$logs/lintian.log" | sed 's/^/  /' || true
  fi
  if [ "${status[install-root]}" = skipped ] && [ -n "$deb" ]; then
    echo "installed:      not checked (--no-install-root)"
  elif [ "${status[install-root]}" = skipped ]; then
    echo "installed:      not checked (no package)"
  else
    echo "installed:      exit ${status[install-root]} after $(duration "${seconds[install-root]}") in a second fresh root"
    grep '^installed-check: ' "$logs/install.log" | sed 's/^installed-check: /  /' || true
  fi
  if [ -n "$added" ]; then
    printf '%s\n' "$added" >"$logs/tmp-added.txt"
    echo "/tmp: $(wc -l <<<"$added") entries added by the run (all in $logs/tmp-added.txt):"
    group_names <<<"$added"
  else
    echo "/tmp: nothing added by the run"
  fi
  if [ -n "$left" ]; then
    echo "left running in the root (now ended):"
    sed 's/^/  /' <<<"$left"
  fi
  echo "logs: $logs"
  [ "$keep" = no ] || echo "roots kept: $root_dir and $dir/root-install (mounts removed)"
  [ "${status[view-sample]}" -eq 0 ] && [ "${status[test-all]}" -eq 0 ] || return 1
  for step in package lintian install-root; do
    case ${status[$step]} in 0) ;; skipped) [ "$step" != package ] || return 1 ;; *) return 1 ;; esac
  done
  [ -n "$deb" ]
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  main "$@"
fi

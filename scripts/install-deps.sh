#!/usr/bin/env bash
# Installs every Debian package that Kestrim needs to build, run and be
# tested, and only those that are missing; apt-get update runs only when
# something has to be installed.
set -euo pipefail

packages=(
  g++ make cmake pkg-config
  libgeographiclib-dev freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri
  libgtest-dev
  xvfb xauth xdotool x11-apps x11-utils imagemagick
  gpsbabel man-db
  clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages are installed"
  exit 0
fi

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "install-deps: installing ${missing[*]}"
"${sudo[@]}" apt-get -o DPkg::Lock::Timeout=300 update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends "${missing[@]}"

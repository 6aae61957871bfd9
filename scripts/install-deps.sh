#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and only those
# that are missing, so that running it again costs a second.
set -euo pipefail

packages=(
  build-essential cmake ninja-build
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  g++-multilib qemu-user-static
  wine wine64 fonts-wine fonts-dejavu-core fonts-wqy-microhei
  xvfb xauth xdotool x11-utils imagemagick
  python3 zip
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y --no-install-recommends "${missing[@]}"

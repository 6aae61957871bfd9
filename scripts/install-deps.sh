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
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The shipped program is 32-bit. Where the kernel runs 32-bit code, Debian's
# i386 Wine runs it as itself in the tests' 64-bit prefix (beside wine64).
if ! why=$("$(dirname "$0")/runs-32bit.sh"); then
  echo "32-bit Wine not installed: $why"
  exit 0
fi
dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" && exit 0
echo "Installing: wine32:i386"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
$sudo apt-get install -y --no-install-recommends wine32:i386

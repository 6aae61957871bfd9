#!/usr/bin/env bash
# Starts Velumix under Wine. With $DISPLAY it runs there, in a Wine virtual
# desktop, until you exit it. Without one it runs on a private Xvfb, saves a
# screenshot of the main window to build/run-screenshot.png and stops again.
set -euo pipefail
cd "$(dirname "$0")/.."
# The shipped 32-bit program where this machine runs 32-bit code (Debian's
# i386 Wine starts it in a 64-bit prefix), the 64-bit one where it does not.
if [ $# -gt 0 ]; then
  exe=$(readlink -f "$1")
  wine=/usr/lib/wine/wine64
  echo "Starting $exe"
elif why=$(scripts/runs-32bit.sh); then
  exe=$(readlink -f build/win32/Velumix.exe)
  wine=/usr/lib/wine/wine
  echo "Starting the shipped 32-bit program, $exe"
else
  exe=$(readlink -f build/win64/Velumix.exe)
  wine=/usr/lib/wine/wine64
  echo "Starting the 64-bit program, $exe: the shipped 32-bit one does not run here ($why)"
fi

if [ -z "${DISPLAY:-}" ]; then
  VELUMIX_E2E_WINE=$wine exec python3 scripts/run_headless.py "$exe" build/run-screenshot.png
fi

# A prefix of the project's own, never the user's.
export WINEPREFIX=${VELUMIX_WINEPREFIX:-$PWD/build/wineprefix}
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Debian's Wine looks for its own fonts beside its data directory instead of in it,
# and without Marlett it draws the caption buttons as letters; it does load every
# font in the prefix's Fonts folder. Only Marlett goes there, so text keeps its fonts.
marlett="$(dirname "$(readlink -f "$wine")")/../../share/wine/fonts/marlett.ttf"
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [ -f "$marlett" ] && [ ! -f "$fonts/marlett.ttf" ]; then
  mkdir -p "$fonts"
  cp "$marlett" "$fonts/marlett.ttf"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix $WINEPREFIX (once)..."
  "$wine" wineboot -i >/dev/null 2>&1
fi
# logfile.log goes into the working directory.
mkdir -p build/run && cd build/run
echo "Velumix is running on $DISPLAY (working directory build/run); exit it from its window or tray menu."
exec "$wine" explorer /desktop=Velumix,1024x768 "$exe"

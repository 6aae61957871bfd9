#!/usr/bin/env bash
# Packs both executables with the README and the licence into dist/Velumix-<version>.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
version=1.0
name=Velumix-$version
stage=$build/dist/$name
rm -rf "$build/dist" && mkdir -p "$stage/win32" "$stage/x64" dist
cp "$build/win32/Velumix.exe" "$stage/win32/Velumix.exe"
cp "$build/win64/Velumix.exe" "$stage/x64/Velumix.exe"
cp README.md LICENSE "$stage/"
python3 tests/resources/check_resources.py "$stage/win32/Velumix.exe" "$stage/x64/Velumix.exe" >/dev/null
rm -f "dist/$name.zip"
# Fixed times and order, so that the same build packs to the same bytes.
find "$stage" -exec touch -h -d "2026-01-01 00:00:00" {} +
(cd "$build/dist" && find "$name" -type f | LC_ALL=C sort | zip -X -q -@ "../../dist/$name.zip")
echo "dist/$name.zip:"
unzip -l "dist/$name.zip" | tail -n +2

#!/usr/bin/env bash
# Runs every test on builds made by `make build`: unit, resources, end to end.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."

echo "== unit tests"
ctest --test-dir "$build/native" --output-on-failure

echo "== unit tests, 32-bit, under qemu-i386-static"
ctest --test-dir "$build/native32" --output-on-failure

echo "== fuzzing the decoders and the log's stamping (bounded)"
scripts/fuzz.sh "${VELUMIX_FUZZ_SECONDS:-30}"

echo "== resources of both executables"
python3 tests/resources/check_resources.py "$build/win32/Velumix.exe" "$build/win64/Velumix.exe"

echo "== end to end under Wine"
python3 tests/e2e/run.py --build "$build/win64"

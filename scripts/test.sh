#!/usr/bin/env bash
# Runs every test on builds made by `make build`: unit, resources, end to end.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."

echo "== unit tests"
ctest --test-dir "$build/native" --output-on-failure

if why=$(scripts/runs-32bit.sh); then
  echo "== unit tests, 32-bit"
else
  echo "== unit tests, 32-bit, under qemu-i386-static ($why)"
fi
ctest --test-dir "$build/native32" --output-on-failure

echo "== fuzzing the decoders and the log's stamping (bounded)"
scripts/fuzz.sh "${VELUMIX_FUZZ_SECONDS:-30}"

echo "== resources of both executables"
python3 tests/resources/check_resources.py "$build/win32/Velumix.exe" "$build/win64/Velumix.exe"

# Both passes run, whatever the first one found; each ends with its own
# summary line.
status=0
echo "== end to end under Wine: the shipped 32-bit program"
if why=$(scripts/runs-32bit.sh); then
  VELUMIX_E2E_WINE=/usr/lib/wine/wine python3 tests/e2e/run.py --label "win32, shipped" \
    --build "$build/win32t" --exe "$build/win32/Velumix.exe" --peer "$build/win64" \
    --artifacts "$build/e2e-artifacts/win32" || status=1
else
  echo "e2e (win32, shipped): not run: $why"
fi

echo "== end to end under Wine: the 64-bit program"
python3 tests/e2e/run.py --label win64 --build "$build/win64" --peer "$build/win32t" \
  --artifacts "$build/e2e-artifacts/win64" || status=1
exit $status

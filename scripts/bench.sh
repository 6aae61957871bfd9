#!/usr/bin/env bash
# Prints the program's measured figures, all taken in this one run.
set -euo pipefail
cd "$(dirname "$0")/.."
exec python3 bench/bench.py "${1:-build}"

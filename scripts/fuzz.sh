#!/usr/bin/env bash
# Builds the libFuzzer target with clang and runs it for a bounded time.
#   scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
out=build/fuzz
mkdir -p "$out/corpus"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -Isrc \
  tests/fuzz/decoders_fuzz.cpp src/app/log/event_log.cpp src/framework/profile_format.cpp src/core/hidden_journal.cpp \
  src/core/hidden_window_table.cpp src/core/title_text.cpp -o "$out/decoders_fuzz"
status=0
"$out/decoders_fuzz" -max_total_time="$seconds" -max_len=20000 -artifact_prefix="$out/" -print_final_stats=1 "$out/corpus" tests/fuzz/seeds \
  >"$out/decoders_fuzz.log" 2>&1 || status=$?
grep -E "^(#[0-9]+ *DONE|stat::number_of_executed_units|==[0-9]+==|SUMMARY)" "$out/decoders_fuzz.log" || true
if [ $status -ne 0 ]; then
  tail -n 40 "$out/decoders_fuzz.log"
  echo "fuzzing found a fault (exit $status); the input is in $out/"
fi
exit $status

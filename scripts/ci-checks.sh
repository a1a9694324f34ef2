#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What CI runs after the README's test command: the formatting check, then the audio,
# practice, check, worker, recovery, review and record-store tests under AddressSanitizer with
# UndefinedBehaviorSanitizer and under ThreadSanitizer, then each libFuzzer target for
# 60 seconds. Each build in a folder of its own beside the main one.
# Usage: scripts/ci-checks.sh [seconds per fuzzer]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=offscreen
tests=(audio_tests practice_tests check_tests worker_tests recovery_tests review_tests store_tests)
echo "== formatting (.clang-format)"
(cd "$top" && git ls-files -z 'src/*.h' 'src/*.cpp' 'tests/*.h' 'tests/*.cpp' 'bench/*.h' 'bench/*.cpp' 'fuzz/*.h' 'fuzz/*.cpp' |
  xargs -0 clang-format --dry-run --Werror) || { echo "some files are not formatted as .clang-format says"; exit 1; }
for kind in ASAN TSAN; do
  build="$top/build-${kind,,}"
  echo "== $kind: ${tests[*]}"
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_GUI=OFF \
        -DTESSALY_$kind=ON -DTESSALY_WERROR="${TESSALY_WERROR:-OFF}" > "$build.log" 2>&1 || { cat "$build.log"; exit 1; }
  cmake --build "$build" -j2 --target "${tests[@]}" tessaly_data >> "$build.log" 2>&1 || { tail -50 "$build.log"; exit 1; }
  for t in "${tests[@]}"; do
    area=${t%_tests}
    (cd "$build/tests/$area" && "./$t" --gtest_brief=1) || { echo "$t failed under $kind"; exit 1; }
  done
done
echo "== fuzzers, $seconds s each"
build="$top/build-fuzz"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTESSALY_FUZZ=ON -DTESSALY_GUI=OFF > "$build.log" 2>&1 ||
  { cat "$build.log"; exit 1; }
cmake --build "$build" -j2 >> "$build.log" 2>&1 || { tail -50 "$build.log"; exit 1; }
for fuzzer in "$build"/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  mkdir -p "$build/corpus/$(basename "$fuzzer")"
  "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 "$build/corpus/$(basename "$fuzzer")" > "$build/$(basename "$fuzzer").log" 2>&1 ||
    { echo "$(basename "$fuzzer") found a fault:"; tail -40 "$build/$(basename "$fuzzer").log"; exit 1; }
  echo "$(basename "$fuzzer"): $(grep -m1 stat::number_of_executed_units "$build/$(basename "$fuzzer").log" | awk '{print $2}') runs, no fault"
done
echo "ci-checks: all passed"

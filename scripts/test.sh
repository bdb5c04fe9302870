#!/usr/bin/env bash
# Builds with GCC (plain, benchmarks included) and with Clang (ASan + UBSan), runs every layer's
# tests in each, runs the core's threading tests once more under ThreadSanitizer, then fuzzes each
# reader briefly from its seeds and, when the editor window is built, drives it in a virtual X
# server. `ctest --test-dir build` runs the same tests one by one.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
fuzz_seconds="${TAVRIX_FUZZ_SECONDS:-12}"
layers="core formats authoring shell cli update"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVRIX_WERROR=ON -DTAVRIX_BENCH=ON >/dev/null
cmake --build build
echo "== tests (plain build)"
for layer in $layers; do ./build/bin/tavrix_${layer}_tests --gtest_brief=1; done

# Clang, with AddressSanitizer and UndefinedBehaviorSanitizer, builds the whole project, the window
# included, with its own warnings as errors. The readers and the editor carry the fuzzers' coverage
# instrumentation, so the same build runs the whole suite and then fuzzes each reader. -O1 without
# debug info keeps it within CI's time; the window's Qt adapters are left to the window tests.
CXX=clang++ cmake -S . -B build-clang -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="-O1" \
  -DTAVRIX_WERROR=ON -DTAVRIX_SANITIZE=ON -DTAVRIX_FUZZ=ON -DTAVRIX_BENCH=OFF -DTAVRIX_APP=ON >/dev/null
cmake --build build-clang
echo "== tests (Clang, AddressSanitizer + UndefinedBehaviorSanitizer)"
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
for layer in $layers; do ./build-clang/bin/tavrix_${layer}_tests --gtest_brief=1; done

# Only the core library and its threading tests: data races in the worker pool and the banded steps.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="-O1" -DTAVRIX_WERROR=ON \
  -DTAVRIX_TSAN=ON >/dev/null
cmake --build build-tsan
echo "== threading tests (ThreadSanitizer)"
TSAN_OPTIONS=halt_on_error=1 ./build-tsan/bin/tavrix_core_thread_tests

for target in build-clang/bin/*_fuzz; do
  name=$(basename "$target")
  corpus="build-clang/corpus/$name"
  mkdir -p "$corpus"
  # Every target starts from valid inputs: a missing seed folder is an error, not a blank start.
  seeds="fuzz/seeds/${name%_fuzz}"
  if ! compgen -G "$seeds/*" >/dev/null; then echo "no seeds in $seeds for $name" >&2; exit 1; fi
  echo "== fuzzing $name for ${fuzz_seconds}s"
  "$target" -max_total_time="$fuzz_seconds" -print_final_stats=0 "$corpus" "$seeds" 2>&1 | tail -n 3
done

# The editor window, in a virtual X server, once the plain build has it, and its installation.
if [ -x build/bin/tavrix ]; then
  echo "== window tests"
  ./tests/app/window_smoke.sh build/bin/tavrix build/window-smoke
  ./tests/app/window_session.sh build/bin/tavrix build/window-session
  ./tests/app/window_scaled.sh build/bin/tavrix build/window-scaled
  ./tests/app/window_rename.sh build/bin/tavrix build/window-rename
  ./tests/app/window_play.sh build/bin/tavrix build/window-play
  ./tests/app/install_check.sh build
fi
echo "All tests passed."

#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test:
#  1. the normal build: labels unit, gl (headless EGL) and e2e (Xvfb, the real binary);
#  2. an AddressSanitizer + UndefinedBehaviorSanitizer build of the unit tests, which
#     also replays every fuzz seed and regression file;
#  3. a clang build of the libFuzzer targets, each fuzzed for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
fuzz_seconds=${QM_FUZZ_SECONDS:-30}

echo "== normal build: unit, gl, e2e"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build -L 'unit|gl|e2e' --output-on-failure -j "$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer: unit"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=ON
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -L unit --output-on-failure -j "$jobs"

echo "== libFuzzer: each target for ${fuzz_seconds} s"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQM_FUZZ=ON -DQM_FUZZ_SECONDS="$fuzz_seconds"
cmake --build build-fuzz -j "$jobs"
ctest --test-dir build-fuzz -L fuzz --output-on-failure

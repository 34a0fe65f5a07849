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
# CI sets QM_WERROR=ON: a new warning fails the build there.
werror=${QM_WERROR:-OFF}

# The three builds are the presets of CMakePresets.json.
echo "== normal build: unit, gl, e2e"
cmake --preset normal -DQM_WERROR="$werror"
cmake --build --preset normal -j "$jobs"
ctest --preset normal -j "$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer: unit"
cmake --preset sanitize -DQM_WERROR="$werror"
cmake --build --preset sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --preset sanitize -j "$jobs"

echo "== libFuzzer: each target for ${fuzz_seconds} s"
cmake --preset fuzz -DQM_FUZZ_SECONDS="$fuzz_seconds"
cmake --build --preset fuzz -j "$jobs"
ctest --preset fuzz

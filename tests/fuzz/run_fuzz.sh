#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time. New inputs go to a scratch folder;
# the kept corpus is only read. A crash leaves its input in the scratch folder and
# fails the test; copy it into the corpus as a regression file.
set -eu
target=$1 corpus=$2 seconds=$3
scratch=$(mktemp -d)
artifacts=${QM_FUZZ_ARTIFACTS:-$scratch}
mkdir -p "$corpus"
"$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$artifacts/" "$scratch" "$corpus"
rm -rf "$scratch"

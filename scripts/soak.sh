#!/usr/bin/env bash
# Long soak runs of the headless renderer: seeded random input over many frames on the
# default world and on worlds with extreme settings, the viewer's invariants checked after
# every frame and the peak memory compared between 10% of the run and its end.
#
#   scripts/soak.sh                 # 200000 frames per world, seed 1, every 100th drawn
#   FRAMES=1000000 SEED=7 RENDER_EVERY=1000 scripts/soak.sh
#   BUILD_DIR=build-mine scripts/soak.sh
#   WORLDS="default gravity-up" scripts/soak.sh   # only these worlds
#   BUILD_DIR=build-asan RSS_LIMIT_MB=100000 FRAMES=50000 ASAN_OPTIONS=detect_leaks=0 scripts/soak.sh
#       (under ASan/UBSan; leaks are the window soak's and the unit tests' business)
#
# Local use only; CI runs the bounded version (tests/gl/headless_soak_test.cpp).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
frames="${FRAMES:-200000}"
seed="${SEED:-1}"
every="${RENDER_EVERY:-100}"
size="${SIZE:-160x120}"
rss_limit="${RSS_LIMIT_MB:-8}"  # a sanitizer build's quarantine grows on purpose: raise it there
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

if [[ "${SKIP_BUILD:-0}" != 1 ]]; then
  [[ -f "$build/build.ninja" ]] || cmake -S "$root" -B "$build" -G Ninja >/dev/null
  ninja -C "$build" -j"${JOBS:-2}" quillmarsh_headless world >/dev/null
fi
renderer="$build/tools/headless/quillmarsh_headless"
shipped="$build/Quillmarsh.ini"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# name followed by Section/Key=Value changes to the shipped settings.
worlds=(
  "default"
  "step-0.01 World/StepSize=0.01 Trees/Count=0"
  "step-999 World/StepSize=999"
  "height-0 World/HeightScaling=0"
  "height-neg5 World/HeightScaling=-5"
  "gravity-up Gravity/GravityY=0.5"
  "jump-0 Motion/JumpForce=0"
  "accel-0 Motion/AccelerationTime=0 Motion/MidAirAccelerationTime=0 Trees/Count=10"
  "absurd-motion Motion/Speed=1e30 Motion/Slowdown=-5 Motion/MidAirSlowdown=-1e30 Motion/AccelerationTime=-100 Motion/MidAirAccelerationTime=-2147483648 Motion/SmallestForce=-1 Motion/JumpForce=1e30 Motion/MaxAccelerationFactor=1e30 Gravity/GravityY=-1e30 Gravity/GravityAcceleration=1e30"
  "all-extreme-small World/WorldSizeX=9 World/WorldSizeY=5 World/StepSize=999 World/HeightScaling=-5 Gravity/GravityY=0.5 Motion/JumpForce=0 Motion/AccelerationTime=0 Motion/MidAirAccelerationTime=0 Trees/Count=10"
)

failed=0
printf '%-20s %s\n' world result
for entry in "${worlds[@]}"; do
  read -r name changes <<<"$entry"
  if [[ -n "${WORLDS:-}" && " $WORLDS " != *" $name "* ]]; then continue; fi
  sets=()
  for change in $changes; do sets+=(--set "$change"); done
  out="$scratch/$name.out"
  if "$renderer" --folder "$build" --settings "$shipped" "${sets[@]}" --size "$size" --soak "$frames" \
      --seed "$seed" --render-every "$every" --rss-limit-mb "$rss_limit" >"$out" 2>&1; then
    printf '%-20s %s\n' "$name" "$(grep '^soak: [0-9]' "$out")"
  else
    failed=1
    printf '%-20s FAILED\n' "$name"
    sed 's/^/    /' "$out"
  fi
done
exit "$failed"

#!/usr/bin/env bash
# Walks the generated world with the headless renderer once per settings line below;
# any sanitizer report or crash fails the whole check. A run the settings make the
# program refuse (exit status 1, with its message) is what those settings should give.
# Used by the sanitizer build.
# usage: sanitized_walk.sh RENDERER BUILD_DIR
set -u
renderer=$1
build=$2
script="forward 40, turn 90, look 40, jump, wait 20, back 10, look -80, left 10"
failed=0
# Leak checking is off here: the GL driver is unloaded before the leak report, so its own
# allocations cannot be told from the program's. The unit tests check for leaks.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}exitcode=86:detect_leaks=0"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}exitcode=86:halt_on_error=1:print_stacktrace=1"
# One line per run: --set arguments over the shipped settings.
while IFS= read -r sets; do
  # shellcheck disable=SC2086
  "$renderer" --folder "$build" --size 160x120 --frame-ms 20 --script "$script" $sets >/dev/null
  status=$?
  if [ "$status" -gt 1 ]; then
    echo "sanitized_walk: exit status $status with settings '$sets'" >&2
    failed=1
  fi
done <<'RUNS'
--set Weapon/Enabled=1 --set Flashlight/Enabled=1 --set FPS/DrawCounter=1
--set World/WorldSizeX=2 --set World/WorldSizeY=2 --set Trees/Count=0
--set View/FOV=179 --set View/Depth=1e30 --set World/StepSize=1e-30 --set Crosshair/Size=1e30
--set World/HeightScaling=3e38 --set Motion/Speed=1e30 --set Gravity/GravityY=-1e30
--set Trees/Count=100000 --set Resolution/Width=0 --set Mouse/Speed=0
--set World/HeightmapFile=gfx --set SkyBox/Texture=gfx/Trees --set Weapon/Enabled=1 --set Weapon/Model=gfx
RUNS
exit $failed

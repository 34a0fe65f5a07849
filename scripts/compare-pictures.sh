#!/usr/bin/env bash
# Renders a set of hard scenes with the headless renderers of two builds and compares
# their pictures byte for byte: a change meant to make the program faster must leave
# every one of them identical.
#
#   scripts/compare-pictures.sh [--keep DIR] BEFORE AFTER
#
# BEFORE and AFTER are build folders holding tools/headless/quillmarsh_headless,
# Quillmarsh.ini and the generated world (gfx/). Both renderers read the same world
# files (AFTER's), the same settings and the same input script; every 37th frame and
# the last one are compared, and so is what each renderer wrote to stderr. Prints one
# line per scene; exits 1 when any picture differs, 2 when a renderer fails.
# --keep DIR keeps the pictures in DIR.
set -euo pipefail

keep=""
if [ "${1:-}" = "--keep" ]; then keep="$2"; shift 2; fi
if [ $# -ne 2 ]; then sed -n '2,/^set -euo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//' >&2; exit 2; fi
before="$(cd "$1" && pwd)"
after="$(cd "$2" && pwd)"
for b in "$before" "$after"; do
  for f in tools/headless/quillmarsh_headless gfx/Terrain/Heightmap.bmp Quillmarsh.ini; do
    [ -e "$b/$f" ] || { echo "compare-pictures.sh: \"$b/$f\" is missing" >&2; exit 2; }
  done
done
command -v convert >/dev/null || { echo "compare-pictures.sh: ImageMagick's convert is needed" >&2; exit 2; }

work="${keep:-$(mktemp -d /tmp/qm-compare.XXXXXX)}"
mkdir -p "$work/heights"
[ -n "$keep" ] || trap 'rm -rf "$work"' EXIT
ln -sfn "$after/gfx" "$work/gfx"
convert "$after/gfx/Terrain/Heightmap.bmp" -resize '1025x1025!' -colorspace Gray -type Palette \
  BMP3:"$work/heights/hm-1025.bmp"

walk="forward 60, turn 90, forward 40, jump, wait 30, look 20, turn -180, back 20, wait 20"
differ=0
# name, window, script, then --set arguments over the shipped settings.
scene() {
  local name="$1" size="$2" script="$3" b tag
  shift 3
  local sets=()
  for s in "$@"; do sets+=(--set "$s"); done
  for b in "$before" "$after"; do
    [ "$b" = "$before" ] && tag=before || tag=after
    "$b/tools/headless/quillmarsh_headless" --folder "$work" --settings "$after/Quillmarsh.ini" "${sets[@]}" \
      --size "$size" --script "$script" --out "$work/$name-$tag.png" --every 37 \
      > /dev/null 2> "$work/$name-$tag.err" || {
      echo "compare-pictures.sh: $name: the $tag renderer failed:" >&2
      cat "$work/$name-$tag.err" >&2
      exit 2
    }
  done
  local count=0 bad=0 f
  for f in "$work/$name"-before*.png; do
    count=$((count + 1))
    cmp -s "$f" "${f/-before/-after}" || { bad=$((bad + 1)); echo "  differs: $(basename "${f/-before/-after}")"; }
  done
  cmp -s "$work/$name-before.err" "$work/$name-after.err" || { bad=$((bad + 1)); echo "  stderr differs"; }
  if [ "$bad" = 0 ]; then echo "identical: $name ($count pictures)"; else echo "DIFFERENT: $name"; differ=1; fi
}

scene walk 640x480 "$walk"
scene look-down 640x480 "look 80, turn 45, forward 30"
scene look-up-tall 320x480 "look -85, turn 20, wait 3"
scene narrow-near 800x300 "forward 10, turn 30" View/FOV=10 View/Depth=3
scene wide-far-tall 300x800 "turn 120, forward 20" View/FOV=170 View/Depth=1000
scene wide-window 1000x200 "turn 45, forward 40, look 30, turn 200" View/FOV=60
scene world-edge 640x480 "forward 900, turn 180, forward 40" World/StepSize=0.5
scene inverted 640x480 "forward 20, look 30" World/HeightScaling=-0.02
scene huge-step 640x480 "forward 20, jump, wait 20" World/StepSize=50
scene flat 640x480 "forward 30, turn 60, look 10" World/HeightmapFile=
scene bare 640x480 "forward 30, turn 60" Weapon/Enabled=0 FPS/DrawCounter=0 Crosshair/DrawCrosshair=0 \
  Trees/Count=0 SkyBox/Texture=
scene flashlight-trees 480x360 "turn 200, forward 40, look 50, turn 90" Flashlight/Enabled=1 Sunlight/Ambient=0.1 \
  Trees/Count=2000 Trees/Size=0.1
scene world-1025 640x480 "$walk" World/WorldSizeX=1025 World/WorldSizeY=1025 World/HeightmapFile=heights/hm-1025.bmp
scene world-1025-far 640x480 "look 30, turn 300, forward 20" World/WorldSizeX=1025 World/WorldSizeY=1025 \
  World/HeightmapFile=heights/hm-1025.bmp View/Depth=400 World/StepSize=0.05

[ -n "$keep" ] && echo "pictures kept in $work"
exit "$differ"

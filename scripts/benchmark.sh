#!/usr/bin/env bash
# Benchmark of the headless renderer over worlds of several sizes.
#
#   scripts/benchmark.sh [options] [BUILD]
#
# BUILD is a build folder holding tools/headless/quillmarsh_headless, the generated
# world (gfx/) and Quillmarsh.ini; default: <repo>/build. For every world size the
# generated 257 x 257 height map is resampled to N x N grey samples, with the shipped
# step and height scaling: a larger world is more land at the same detail, of which the
# view depth shows the same part. Each world is rendered at 640 x 480 over a fixed
# input script in two scenes: "shipped" (the shipped settings) and "terrain" (terrain
# and sky only: no trees, weapon, counter or crosshair). The table lists the start-up
# phases, the frame times, the peak memory and the draws per frame (terrain patches
# and trees).
#
# Options:
#   --before DIR     a second build folder (e.g. an older version) measured in the same
#                    run, world by world, alternating with BUILD; ratios after/before
#                    are printed, and scripts/compare-pictures.sh checks first that both
#                    draw identical pictures
#   --no-compare     with --before: skip the picture comparison
#   --fixed-extent   every world about 51 units wide (the step shrinks as the world
#                    grows), as wide as the shipped one: more detail, not more land
#   --sizes "N ..."  world sizes in samples per side (default "100 257 1025 2049 4097")
#   --scenes "S ..." scenes to time, of "shipped" and "terrain" (default both)
#   --script TEXT    the input script (default: a walk, a turn, a jump and a look around)
#   --repeat K       runs per world and build; the median of each figure is shown (default 3);
#                    0 skips the timed runs (e.g. with --callgrind alone)
#   --callgrind      also count instructions with valgrind's callgrind (a short script,
#                    one run per world and build): set-up, terrain build, tree placement
#                    and the mean per frame, in millions of instructions
#   --cg-sizes "N ..." world sizes counted with callgrind (default "100 257"; larger
#                    worlds take many minutes under valgrind)
#   --png DIR        keep the last frame of every run as DIR/<build>-<size>.png
#   --keep           keep the working folder (printed at the end)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build"
before=""
sizes="100 257 1025 2049 4097"
scenes="shipped terrain"
compare=1
fixed_extent=0
script="forward 60, turn 90, forward 40, jump, wait 30, look 20, turn -180, back 20, wait 20"
cg_script="forward 5, turn 20, wait 4"
cg_sizes="100 257"
repeat=3
callgrind=0
pngdir=""
keep=0

while [ $# -gt 0 ]; do
  case "$1" in
    --before) before="$(cd "$2" && pwd)"; shift 2 ;;
    --sizes) sizes="$2"; shift 2 ;;
    --scenes) scenes="$2"; shift 2 ;;
    --no-compare) compare=0; shift ;;
    --fixed-extent) fixed_extent=1; shift ;;
    --script) script="$2"; shift 2 ;;
    --repeat) repeat="$2"; shift 2 ;;
    --callgrind) callgrind=1; shift ;;
    --cg-sizes) cg_sizes="$2"; shift 2 ;;
    --png) pngdir="$2"; mkdir -p "$pngdir"; pngdir="$(cd "$pngdir" && pwd)"; shift 2 ;;
    --keep) keep=1; shift ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "benchmark.sh: unknown option \"$1\"" >&2; exit 2 ;;
    *) build="$(cd "$1" && pwd)"; shift ;;
  esac
done

builds=("$build")
[ -n "$before" ] && builds=("$before" "$build")
for b in "${builds[@]}"; do
  for f in tools/headless/quillmarsh_headless gfx/Terrain/Heightmap.bmp Quillmarsh.ini; do
    if [ ! -e "$b/$f" ]; then
      echo "benchmark.sh: \"$b/$f\" is missing; build the targets quillmarsh_headless and world first" >&2
      exit 2
    fi
  done
done
command -v convert >/dev/null || { echo "benchmark.sh: ImageMagick's convert is needed for the height maps" >&2; exit 2; }
for sc in $scenes; do
  case "$sc" in shipped|terrain) ;; *) echo "benchmark.sh: unknown scene \"$sc\"" >&2; exit 2 ;; esac
done
if [ -n "$before" ] && [ "$compare" = 1 ]; then
  "$here/scripts/compare-pictures.sh" "$before" "$build" || {
    echo "benchmark.sh: the two builds do not draw the same pictures" >&2
    exit 1
  }
fi
if [ "$callgrind" = 1 ]; then
  command -v valgrind >/dev/null || { echo "benchmark.sh: --callgrind needs valgrind" >&2; exit 2; }
fi

work="$(mktemp -d /tmp/qm-bench.XXXXXX)"
cleanup() { if [ "$keep" = 0 ]; then rm -rf "$work"; fi; }
trap cleanup EXIT

# The worlds: one folder per build (its own images) with one height map and one
# settings file per size. The shipped world is 257 samples, step 0.2 (51.2 units)
# and scaling 20 (4 units of relief).
name_of() { if [ -n "$before" ] && [ "$1" = "$before" ]; then echo before; else echo after; fi; }
for b in "${builds[@]}"; do
  dir="$work/$(name_of "$b")"
  mkdir -p "$dir/heights"
  ln -s "$b/gfx" "$dir/gfx"
  for n in $sizes; do
    if [ "$n" = 257 ]; then
      cp "$b/gfx/Terrain/Heightmap.bmp" "$dir/heights/hm-$n.bmp"
    else
      convert "$b/gfx/Terrain/Heightmap.bmp" -resize "${n}x${n}!" -colorspace Gray -type Palette \
        "BMP3:$dir/heights/hm-$n.bmp"
    fi
    step=0.2
    scaling=20
    # The shipped 350 trees, fewer where a small world has no room for them.
    trees="$(awk -v n="$n" 'BEGIN { t = int(350 * (n - 1) * (n - 1) / 65536); print (t < 350 ? t : 350) }')"
    if [ "$fixed_extent" = 1 ]; then
      trees=350
      step="$(awk -v n="$n" 'BEGIN { printf "%.6g", 51.2 / (n - 1) }')"
      scaling="$(awk -v s="$step" 'BEGIN { printf "%.6g", 4.0 / s }')"
    fi
    # The settings written by this build's renderer, so that an older build (--before)
    # reads the same file.
    "$build/tools/headless/quillmarsh_headless" --settings "$b/Quillmarsh.ini" --print-settings \
      --set "World/WorldSizeX=$n" --set "World/WorldSizeY=$n" --set "World/StepSize=$step" \
      --set "World/HeightScaling=$scaling" --set "World/HeightmapFile=heights/hm-$n.bmp" \
      --set "Trees/Count=$trees" > "$dir/world-$n-shipped.ini"
    "$build/tools/headless/quillmarsh_headless" --settings "$dir/world-$n-shipped.ini" --print-settings \
      --set Trees/Count=0 --set Weapon/Enabled=0 --set FPS/DrawCounter=0 --set Crosshair/DrawCrosshair=0 \
      > "$dir/world-$n-terrain.ini"
  done
done

# One run: prints "settings terrain setup first mean median p95 peak draws" (ms, ms,
# ms, ms, ms, ms, ms, MB, per frame).
run_once() {  # build size scene script [png]
  local b="$1" n="$2" sc="$3" s="$4" png="${5:-}" dir out
  dir="$work/$(name_of "$b")"
  local args=(--folder "$dir" --settings "$dir/world-$n-$sc.ini" --size 640x480 --script "$s")
  [ -n "$png" ] && args+=(--out "$png")
  out="$("$b/tools/headless/quillmarsh_headless" "${args[@]}" 2>"$work/stderr")" || {
    echo "benchmark.sh: the renderer failed for $n x $n ($b):" >&2
    cat "$work/stderr" >&2
    exit 1
  }
  echo "$out" | awk '/^settings/ {
    gsub(/\|/, " "); gsub(/:/, " ");
    for (i = 1; i <= NF; ++i) v[$i] = $(i + 1);
    print v["settings"], v["terrain"], v["setup"], v["frame"], v["mean"], v["median"], v["p95"], v["peak"],
      (v["draws"] == "" ? "-" : v["draws"]) }'
}

# The median of each column over several runs.
median_rows() {
  awk '{ for (c = 1; c <= NF; ++c) col[c, NR] = $c; nc = NF }
       END { for (c = 1; c <= nc; ++c) {
               n = 0; for (r = 1; r <= NR; ++r) a[++n] = col[c, r];
               for (i = 2; i <= n; ++i) { x = a[i]; for (j = i - 1; j >= 1 && a[j] > x; --j) a[j + 1] = a[j]; a[j + 1] = x }
               printf "%s%s", a[int((n + 1) / 2)], (c < nc ? " " : "\n") } }'
}

first_scene="${scenes%% *}"
first_size="${sizes%% *}"
frames="$("${builds[0]}/tools/headless/quillmarsh_headless" --folder "$work/$(name_of "${builds[0]}")" \
  --settings "$work/$(name_of "${builds[0]}")/world-$first_size-$first_scene.ini" --size 640x480 --script "$script" | \
  sed -n 's/.*| \([0-9]*\) frames:.*/\1/p')"

declare -A result
[ "$repeat" -gt 0 ] && for n in $sizes; do
  for sc in $scenes; do
    for b in "${builds[@]}"; do : > "$work/runs-$(name_of "$b")-$n-$sc"; done
    for ((k = 1; k <= repeat; ++k)); do
      # Alternating builds within each repetition keeps drifts of the machine's load fair.
      for b in "${builds[@]}"; do
        png=""
        [ -n "$pngdir" ] && [ "$k" = "$repeat" ] && png="$pngdir/$(name_of "$b")-$n-$sc.png"
        run_once "$b" "$n" "$sc" "$script" "$png" >> "$work/runs-$(name_of "$b")-$n-$sc"
      done
    done
    for b in "${builds[@]}"; do
      result["$(name_of "$b"),$n,$sc"]="$(median_rows < "$work/runs-$(name_of "$b")-$n-$sc")"
    done
  done
done

if [ "$repeat" -gt 0 ]; then
echo
echo "Headless renderer, 640 x 480, $frames frames of \"$script\", median of $repeat runs"
echo "(times in ms, peak resident memory in MB, draws per frame)"
echo
row="| %-6s | %-8s | %-6s | %8s | %8s | %8s | %8s | %8s | %8s | %8s | %8s | %8s |\n"
printf "$row" world scene build settings terrain setup "1st frm" mean median p95 "peak MB" draws
printf "|%s|\n" "--------|----------|--------|----------|----------|----------|----------|----------|----------|----------|----------|----------"
for n in $sizes; do
  for sc in $scenes; do
    for b in "${builds[@]}"; do
      read -r st te su fi me md p9 pk dr <<< "${result[$(name_of "$b"),$n,$sc]}"
      printf "$row" "$n" "$sc" "$(name_of "$b")" "$st" "$te" "$su" "$fi" "$me" "$md" "$p9" "$pk" "$dr"
    done
    if [ -n "$before" ]; then
      read -r _ te0 su0 fi0 me0 md0 p90 pk0 _ <<< "${result[before,$n,$sc]}"
      read -r _ te1 su1 fi1 me1 md1 p91 pk1 _ <<< "${result[after,$n,$sc]}"
      awk -v n="$n" -v sc="$sc" -v a="$te1 $su1 $fi1 $me1 $md1 $p91 $pk1" -v b="$te0 $su0 $fi0 $me0 $md0 $p90 $pk0" 'BEGIN {
        split(a, x, " "); split(b, y, " ");
        printf "| %-6s | %-8s | %-6s | %8s |", n, sc, "ratio", "";
        for (i = 1; i <= 7; ++i) printf " %8s |", (y[i] > 0 ? sprintf("%.2f", x[i] / y[i]) : "-");
        printf " %8s |\n", "" }'
    fi
  done
done
fi

if [ "$callgrind" = 1 ]; then
  # Instruction counts are repeatable where wall-clock times are not. llvmpipe's
  # rasteriser threads are switched off so that their work is counted in one place
  # and in the same order every time.
  echo
  echo "Callgrind, millions of instructions (inclusive), script \"$cg_script\""
  echo
  printf "| %-6s | %-6s | %10s | %10s | %10s | %10s | %10s | %10s |\n" \
    world build total setup "terrain" "mesh" "trees" "per frame"
  printf "|%s|\n" "--------|--------|------------|------------|------------|------------|------------|------------"
  cg_frames="$(echo "$cg_script" | awk -F, '{ t = 0; for (i = 1; i <= NF; ++i) { n = split($i, w, " "); t += (n > 1 ? w[n] : 1) } print t }')"
  declare -A cg
  for n in $cg_sizes; do
    case " $sizes " in *" $n "*) ;; *) echo "benchmark.sh: --cg-sizes $n is not among --sizes" >&2; exit 2 ;; esac
    for b in "${builds[@]}"; do
      dir="$work/$(name_of "$b")"
      outfile="$work/cg-$(name_of "$b")-$n.out"
      LP_NUM_THREADS=0 valgrind --tool=callgrind --callgrind-out-file="$outfile" \
        "$b/tools/headless/quillmarsh_headless" --folder "$dir" --settings "$dir/world-$n-$first_scene.ini" \
        --size 640x480 --script "$cg_script" > /dev/null 2> "$work/cg-stderr" || {
        echo "benchmark.sh: callgrind run failed for $n x $n ($b)" >&2
        cat "$work/cg-stderr" >&2
        exit 1
      }
      callgrind_annotate --inclusive=yes --threshold=100 "$outfile" > "$work/cg-$(name_of "$b")-$n.txt" 2>/dev/null
      line="$(awk -v frames="$cg_frames" '
        function num(s) { gsub(/,/, "", s); return s + 0 }
        /PROGRAM TOTALS/ { total = num($1) }
        /:SetUpScene\(/ && !setup { setup = num($1) }
        /:Terrain::Build\(/ && !build { build = num($1) }
        /:Terrain::BuildMesh\(/ && !lists { lists = num($1) }
        /:TreeSet::Place\(/ && !trees { trees = num($1) }
        /:RenderFrame\(/ && !frame { frame = num($1) }
        END { printf "%.1f %.1f %.1f %.1f %.1f %.2f\n", total / 1e6, setup / 1e6, build / 1e6, lists / 1e6,
                     trees / 1e6, frame / frames / 1e6 }' "$work/cg-$(name_of "$b")-$n.txt")"
      cg["$(name_of "$b"),$n"]="$line"
      read -r t s te li tr fr <<< "$line"
      printf "| %-6s | %-6s | %10s | %10s | %10s | %10s | %10s | %10s |\n" "$n" "$(name_of "$b")" "$t" "$s" "$te" "$li" "$tr" "$fr"
    done
    if [ -n "$before" ]; then
      awk -v n="$n" -v a="${cg[after,$n]}" -v b="${cg[before,$n]}" 'BEGIN {
        split(a, x, " "); split(b, y, " ");
        printf "| %-6s | %-6s |", n, "ratio";
        for (i = 1; i <= 6; ++i) printf " %10s |", (y[i] > 0 ? sprintf("%.3f", x[i] / y[i]) : "-");
        printf "\n" }'
    fi
  done
fi

if [ "$keep" = 1 ]; then echo; echo "working folder: $work"; fi

#!/usr/bin/env bash
# The real program under AddressSanitizer and UndefinedBehaviorSanitizer, in a private
# Xvfb server, walking the default world under random keyboard and mouse input for a
# minute; then Escape. Passes when the program ends with exit code 0 and its stderr holds
# no sanitizer report.
#
#   scripts/soak-window.sh                      # build-asan, 60 s of input, a random seed
#   SEED=42 INPUT_SECONDS=300 scripts/soak-window.sh
#   BUILD_DIR=build-mine-asan SKIP_BUILD=1 scripts/soak-window.sh
#
# Leak reports that come only from the libraries (Mesa, SDL, X11, the sanitizer runtime)
# are suppressed by scripts/lsan.supp. Local use only.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build-asan}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
input_seconds="${INPUT_SECONDS:-60}"
seed="${SEED:-$(( $(date +%s) % 32768 ))}"

if [[ "${SKIP_BUILD:-0}" != 1 ]]; then
  [[ -f "$build/build.ninja" ]] || cmake -S "$root" -B "$build" -G Ninja -DQM_SANITIZE=ON >/dev/null
  grep -q '^QM_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" || {
    echo "soak-window: $build is not a sanitizer build (QM_SANITIZE=ON)" >&2
    exit 2
  }
  ninja -C "$build" -j"${JOBS:-2}" quillmarsh world >/dev/null
fi

work="$(mktemp -d)"
xvfb_pid=""
program_pid=""
cleanup() {
  [[ -n "$program_pid" ]] && kill "$program_pid" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  if [[ "${KEEP:-0}" == 1 ]]; then echo "soak-window: kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

# The program in a folder of its own: the settings are read beside the executable, the
# images relative to the working folder.
mkdir -p "$work/run"
cp "$build/quillmarsh" "$build/Quillmarsh.ini" "$work/run/"
cp -r "$build/gfx" "$work/run/gfx"

# Xvfb names its display on the descriptor once it accepts connections.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [[ -s "$work/display" ]] && break
  sleep 0.1
done
[[ -s "$work/display" ]] || { echo "soak-window: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 2; }
export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
unset WAYLAND_DISPLAY

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=1${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
(cd "$work/run" && exec ./quillmarsh) 2>"$work/stderr" &
program_pid=$!

window=""
for _ in $(seq 600); do
  window="$(xdotool search --name '^Quillmarsh$' 2>/dev/null | head -n 1 || true)"
  [[ -n "$window" ]] && break
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.1
done
if [[ -z "$window" ]]; then
  echo "soak-window: no Quillmarsh window" >&2
  cat "$work/stderr" >&2
  exit 1
fi
sleep 1

# Random input: the bound keys pressed and released, mouse moves from a pixel to far
# beyond the window, right-button jumps; short random pauses between them.
RANDOM="$seed"
keys=(Up Down Left Right a y q w Page_Up Page_Down End)
declare -A held=()
actions=0
end=$(( $(date +%s) + input_seconds ))
while (( $(date +%s) < end )); do
  kill -0 "$program_pid" 2>/dev/null || break
  roll=$(( RANDOM % 100 ))
  if (( roll < 45 )); then
    key="${keys[RANDOM % ${#keys[@]}]}"
    if [[ -n "${held[$key]:-}" ]]; then
      xdotool keyup "$key"
      unset "held[$key]"
    else
      xdotool keydown "$key"
      held[$key]=1
    fi
  elif (( roll < 90 )); then
    case $(( RANDOM % 4 )) in
      0) range=5 ;;
      1) range=100 ;;
      2) range=1000 ;;
      *) range=30000 ;;
    esac
    xdotool mousemove_relative -- $(( RANDOM % (2 * range + 1) - range )) $(( RANDOM % (2 * range + 1) - range ))
  else
    xdotool click 3
  fi
  actions=$(( actions + 1 ))
  sleep "0.0$(( RANDOM % 5 ))"
done
for key in "${!held[@]}"; do xdotool keyup "$key"; done

alive=1
kill -0 "$program_pid" 2>/dev/null || alive=0

# Escape held like a real key: down, a pause, up.
xdotool keydown Escape
sleep 0.2
xdotool keyup Escape

code=""
for _ in $(seq 1200); do
  if ! kill -0 "$program_pid" 2>/dev/null; then
    set +e
    wait "$program_pid"
    code=$?
    set -e
    program_pid=""
    break
  fi
  sleep 0.1
done

failed=0
if [[ "$alive" != 1 ]]; then echo "soak-window: the program ended during the input" >&2; failed=1; fi
if [[ -z "$code" ]]; then echo "soak-window: the program did not end after Escape" >&2; failed=1
elif [[ "$code" != 0 ]]; then echo "soak-window: exit code $code, expected 0" >&2; failed=1; fi
if grep -Eq 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error' "$work/stderr"; then
  echo "soak-window: sanitizer report:" >&2
  failed=1
fi
if [[ "$failed" == 1 || "${VERBOSE:-0}" == 1 ]]; then sed 's/^/    /' "$work/stderr" >&2; fi
echo "soak-window: seed $seed, ${input_seconds} s, $actions input actions, exit code ${code:-none}:" \
  "$([[ $failed == 0 ]] && echo ok || echo FAILED)"
exit "$failed"

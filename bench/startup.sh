#!/usr/bin/env bash
# Start-up of Tallymate beside a minimal Qt window built in the same tree:
#   time from launch until the main window is mapped on the X server, and the resident memory
#   one second after that. Several runs each, alternating, medians and their ratios.
#   A second yardstick is the same minimal window with one label and a month calendar.
#
#   bench/startup.sh [BUILD_DIR [RUNS]]      (defaults: build, 9)
#
# Needs Xvfb and xev (x11-utils); the targets tallymate and bench_minimal_window must be built.
set -euo pipefail
export LC_ALL=C  # decimal points in $EPOCHREALTIME and awk
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-9}
program=$build/app/tallymate
minimal=$build/bench/bench_minimal_window
for exe in "$program" "$minimal"; do
  [ -x "$exe" ] || { echo "missing $exe: cmake --build $build --target tallymate bench_minimal_window" >&2; exit 1; }
done
for tool in Xvfb xev; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/deps.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tallymate-bench.XXXXXX")
pids=()
finish() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT

mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/displayfd" >/dev/null 2>&1 &
pids+=($!)
read -r -t 10 number <"$work/displayfd"
export DISPLAY=":$number"
unset QT_QPA_PLATFORM TALLYMATE_DEBUG
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# The program writes its settings file beside itself: it runs from a private copy.
mkdir "$work/prog"
cp "$program" "$work/prog/tallymate"
program=$work/prog/tallymate

# Every window mapped on the root window, stamped when the event arrives.
mkfifo "$work/maps"
(xev -root -event substructure | while IFS= read -r line; do
  case $line in MapNotify*) echo "$EPOCHREALTIME" ;; esac
done) >"$work/maps" &
pids+=($!)
exec {maps}<"$work/maps"
sleep 0.5

measure() { # executable [argument] -> "milliseconds kilobytes"
  local start end pid rss
  start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 &
  pid=$!
  if ! read -r -t 20 -u "$maps" end; then
    echo "no window from $1" >&2
    exit 1
  fi
  sleep 1
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  awk -v s="$start" -v e="$end" -v r="$rss" 'BEGIN { printf "%.1f %d\n", (e - s) * 1000, r }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One run of each to warm the file cache, not counted.
measure "$minimal" >/dev/null
measure "$minimal" --label-calendar >/dev/null
measure "$program" >/dev/null
: >"$work/minimal.txt"
: >"$work/calendar.txt"
: >"$work/program.txt"
for ((i = 1; i <= runs; i++)); do
  measure "$minimal" >>"$work/minimal.txt"
  measure "$minimal" --label-calendar >>"$work/calendar.txt"
  measure "$program" >>"$work/program.txt"
done

median_of() { cut -d' ' -f"$2" "$work/$1.txt" | median; }
p_time=$(median_of program 1)
p_rss=$(median_of program 2)
echo "runs: $runs each, medians"
printf '%-28s %14s %14s %20s\n' "" "to window (ms)" "resident (KiB)" "Tallymate's ratios"
for yardstick in minimal calendar; do
  time_ms=$(median_of "$yardstick" 1)
  rss=$(median_of "$yardstick" 2)
  name="minimal window"
  [ "$yardstick" = calendar ] && name="minimal + label + calendar"
  ratios=$(awk -v pt="$p_time" -v t="$time_ms" -v pr="$p_rss" -v r="$rss" \
    'BEGIN { printf "%.2f / %.2f", pt / t, pr / r }')
  printf '%-28s %14s %14s %20s\n' "$name" "$time_ms" "$rss" "$ratios"
done
printf '%-28s %14s %14s\n' "Tallymate" "$p_time" "$p_rss"
echo "(ratios: start-up / resident memory)"
for f in minimal calendar program; do
  echo "all runs of $f (ms KiB): $(tr '\n' ';' <"$work/$f.txt")"
done

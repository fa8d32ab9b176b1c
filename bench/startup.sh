#!/usr/bin/env bash
# Start-up of Tallymate beside the floor (bench/floor_window.cpp: one window of the same widget
# kinds in the same fonts, and no other work), both on one private Xvfb display:
#   - instructions from start until start-up has settled, counted by callgrind: repeatable to a
#     fraction of a percent, so they steer the work;
#   - wall-clock time from launch to the first frame of the main window on the X server, and the
#     resident memory once start-up has settled: several runs each, alternating, medians;
#   - the text documents (Qt's text controls) the windows hold once settled: the hidden windows
#     should hold none.
# Each program ends itself once settled: TALLYMATE_STARTUP_PROBE names the file it writes its
# figures to (bench/startup_probe.h, built only into these two programs).
#
#   bench/startup.sh [BUILD_DIR [RUNS [PROFILE_DIR]]]   (defaults: build, 15, none)
#
# With PROFILE_DIR the callgrind files are kept there (callgrind_annotate --inclusive=yes reads
# them). Needs Xvfb and valgrind; the targets bench_tallymate (the program with the start-up
# probe) and bench_floor_window must be built.
set -euo pipefail
export LC_ALL=C  # decimal points in $EPOCHREALTIME and awk
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-15}
profiles=${3:-}
program=$build/bench/bench_tallymate
floor=$build/bench/bench_floor_window
for exe in "$program" "$floor"; do
  [ -x "$exe" ] || { echo "missing $exe: cmake --build $build --target bench_tallymate bench_floor_window" >&2; exit 1; }
done
for tool in Xvfb valgrind; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (apt-get install xvfb valgrind)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tallymate-bench.XXXXXX")
xvfb=
finish() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT

mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/displayfd" >/dev/null 2>&1 &
xvfb=$!
read -r -t 10 number <"$work/displayfd"
export DISPLAY=":$number"
unset QT_QPA_PLATFORM TALLYMATE_DEBUG
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# The program reads its settings file beside itself: it runs from a private copy, without one.
mkdir "$work/prog"
cp "$program" "$work/prog/tallymate"
program=$work/prog/tallymate

# One run: "first-frame-milliseconds resident-KiB text-documents".
measure() { # executable
  local start
  rm -f "$work/probe"
  start=$EPOCHREALTIME
  TALLYMATE_STARTUP_PROBE=$work/probe timeout 30 "$1" >/dev/null 2>&1 || true
  [ -s "$work/probe" ] || { echo "no figures from $1" >&2; exit 1; }
  awk -v s="$start" '/^first_frame_us/ { f = $2 } /^rss_kib/ { r = $2 } /^text_documents/ { d = $2 }
    END { printf "%.1f %d %d\n", f / 1000 - s * 1000, r, d }' "$work/probe"
}

# Instructions under callgrind ("summary" of its output file).
instructions() { # name executable
  local out=$work/callgrind.$1
  TALLYMATE_STARTUP_PROBE=$work/probe timeout 600 valgrind --tool=callgrind \
    --callgrind-out-file="$out" "$2" >/dev/null 2>&1 || true
  [ -s "$work/probe" ] || { echo "no figures from $2 under callgrind" >&2; exit 1; }
  [ -n "$profiles" ] && mkdir -p "$profiles" && cp "$out" "$profiles/callgrind.$1"
  awk '/^(summary|totals):/ { print $2; exit }' "$out"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

floor_ir=$(instructions floor "$floor")
program_ir=$(instructions tallymate "$program")

# One run of each to warm the file cache, not counted.
measure "$floor" >/dev/null
measure "$program" >/dev/null
: >"$work/floor.txt"
: >"$work/program.txt"
for ((i = 1; i <= runs; i++)); do
  measure "$floor" >>"$work/floor.txt"
  measure "$program" >>"$work/program.txt"
done
median_of() { cut -d' ' -f"$2" "$work/$1.txt" | median; }

printf '%-26s %16s %16s %10s\n' "" Tallymate floor ratio
awk -v p="$program_ir" -v f="$floor_ir" \
  'BEGIN { printf "%-26s %16d %16d %10.3f\n", "instructions to settled", p, f, p / f }'
pt=$(median_of program 1) ft=$(median_of floor 1)
awk -v p="$pt" -v f="$ft" -v n="$runs" \
  'BEGIN { printf "%-26s %16.1f %16.1f %10.3f\n", "first frame (ms, median/" n ")", p, f, p / f }'
pr=$(median_of program 2) fr=$(median_of floor 2)
awk -v p="$pr" -v f="$fr" \
  'BEGIN { printf "%-26s %16d %16d %+10d\n", "resident (KiB, median)", p, f, p - f }'
pd=$(median_of program 3) fd=$(median_of floor 3)
awk -v p="$pd" -v f="$fd" \
  'BEGIN { printf "%-26s %16d %16d %+10d\n", "text documents held", p, f, p - f }'

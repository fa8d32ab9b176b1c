#!/usr/bin/env bash
# Two copies of the program started at the same instant, for many more rounds than the test suite
# runs: each round in a fresh session with no session bus, on a new X server and then on a new
# native Wayland compositor (weston, headless, without XWayland). Every round exactly one copy
# must run and show its main window, and the other end with code 0 within a second, showing and
# writing nothing. Prints, for each kind of session, in how many rounds that held and how long the
# refused copies took to end.
#
#   scripts/start_race.sh [BUILD_DIR [ROUNDS]]   (defaults: build, 200)
#
# Needs the target tallymate built, Xvfb and xdotool; weston for the Wayland rounds.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
build=${1:-build}
rounds=${2:-200}
exe=$build/app/tallymate
[ -x "$exe" ] || { echo "missing $exe: cmake --build $build --target tallymate" >&2; exit 1; }
status=0
sessions=(x11)
if command -v weston >/dev/null; then sessions+=(wayland); else echo "weston is missing: X11 only" >&2; fi
for session in "${sessions[@]}"; do
  options=()
  [ "$session" = wayland ] && options=(--wayland)
  log=$(mktemp "${TMPDIR:-/tmp}/tallymate-start-race.XXXXXX")
  env -u QT_QPA_PLATFORM bash tests/e2e/start_race_e2e.sh --exe "$exe" --rounds "$rounds" \
    "${options[@]}" >"$log" 2>&1
  result=$?
  grep -E 'FAIL' "$log" | head -n 20
  grep -E 'rounds:' "$log" | sed 's/^\[e2e\] //'
  [ "$result" = 0 ] || status=1
  rm -f "$log"
done
exit "$status"

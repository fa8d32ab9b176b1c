#!/usr/bin/env bash
# Two copies of the real program from one folder on two displays, closed at the same moment, for
# many more rounds than the test suite runs (tests/e2e/two_copies_e2e.sh): no false error box,
# no torn or mixed settings file, no temporary file left over. Prints the figures.
#
#   scripts/two_copies_race.sh [BUILD_DIR [ROUNDS]]   (defaults: build, 200)
#
# Needs the target tallymate built, and Xvfb and xdotool.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
rounds=${2:-200}
exe=$build/app/tallymate
[ -x "$exe" ] || { echo "missing $exe: cmake --build $build --target tallymate" >&2; exit 1; }
env -u QT_QPA_PLATFORM bash tests/e2e/two_copies_e2e.sh --exe "$exe" --rounds "$rounds"

#!/usr/bin/env bash
# Two processes writing one settings file together, as two copies of the program closing at the
# same moment from one folder, for many more rounds than the test suite runs: each repetition
# forks two writers of the whole record, ROUNDS writes each, while the test reads the file
# throughout. It fails on any write that fails, any reading that is not one whole record, a
# final file that is not one writer's record, or a temporary file left behind.
#
#   scripts/settings_race.sh [BUILD_DIR [ROUNDS [REPEATS]]]   (defaults: build, 2000, 10)
#
# Needs the target settings_writer_tests built.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
rounds=${2:-2000}
repeats=${3:-10}
exe=$build/tests/settings/settings_writer_tests
[ -x "$exe" ] || { echo "missing $exe: cmake --build $build --target settings_writer_tests" >&2; exit 1; }
if TALLYMATE_WRITER_ROUNDS=$rounds "$exe" --gtest_repeat="$repeats" \
  --gtest_filter='SettingsWriters.TwoProcessesWritingTogether*' --gtest_brief=1; then
  echo "$repeats x 2 writers x $rounds writes: no failed write, no torn or mixed file, no left-over"
else
  echo "the race failed (above)" >&2
  exit 1
fi

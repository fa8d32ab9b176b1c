#!/usr/bin/env bash
# Starts Tallymate: scripts/start.sh EXECUTABLE
#
# The program takes its decimal separator from the regional settings; it is made for the
# Russian ones, so they are used for numbers unless the caller chose a locale.
# With no display at all (neither DISPLAY nor WAYLAND_DISPLAY), the program runs on a virtual
# X display just long enough to save a screenshot of its main window.
set -euo pipefail
exe=${1:?usage: start.sh EXECUTABLE}
exe=$(realpath "$exe")

if [ -z "${LC_ALL:-}${LC_NUMERIC:-}${LANG:-}" ]; then
  if locale -a 2>/dev/null | grep -qix 'ru_RU\.utf-\?8'; then
    export LC_NUMERIC=ru_RU.UTF-8
  else
    echo "The locale ru_RU.UTF-8 is not generated (scripts/deps.sh does it);" \
      "numbers use the C locale's decimal point." >&2
  fi
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$exe"
fi

root=$(cd "$(dirname "$0")/.." && pwd)
shot=${TALLYMATE_SCREENSHOT:-$root/build/screenshot-main.png}
echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): starting Tallymate on a virtual X display."
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/deps.sh installs it)." >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tallymate-run.XXXXXX")
xvfb_pid=""
program_pid=""
finish() {
  set +e # every step, whatever the one before returned
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT

# Xvfb picks a free display number itself and writes it to the pipe.
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/displayfd" >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 10 number <"$work/displayfd" || { echo "Xvfb did not start." >&2; exit 1; }
export DISPLAY=":$number"
unset QT_QPA_PLATFORM
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

"$exe" &
program_pid=$!
if ! window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tallymate 3\.1$' 2>/dev/null | head -n 1) \
  || [ -z "$window" ]; then
  echo "The main window did not appear within 20 seconds." >&2
  exit 1
fi
sleep 0.5  # let the first paint finish
mkdir -p "$(dirname "$shot")"
import -window "$window" "$shot"
echo "Screenshot of the main window: $shot"

# End the program the way a user would, with Ctrl+Q.
xdotool windowfocus --sync "$window" key ctrl+q
ended=0
for _ in $(seq 100); do
  state=$(cut -d' ' -f3 "/proc/$program_pid/stat" 2>/dev/null || true)
  if [ -z "$state" ] || [ "$state" = Z ]; then ended=1; break; fi
  sleep 0.05
done
if [ "$ended" = 0 ]; then
  echo "Tallymate did not end on Ctrl+Q within 5 seconds; stopping it." >&2
  exit 1
fi
code=0
wait "$program_pid" || code=$?
program_pid=""
echo "Tallymate ended with exit code $code."
[ "$code" = 0 ]

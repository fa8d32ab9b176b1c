# shellcheck shell=bash
# End-to-end test library: the real program under Xvfb, driven with xdotool.
#
# Use from a test script:
#   #!/usr/bin/env bash
#   . "$(dirname "$0")/lib.sh"
#   e2e_init "$@"                    # parses the options below, makes $E2E_TMP, starts Xvfb (and
#                                     # openbox with --wm), installs cleanup traps
#   e2e_copy_program                  # a private copy of the program in $E2E_TMP/prog/, so the
#                                     # settings file it writes beside itself lands there
#   e2e_start [DIR]                   # starts the copy with DIR (default $E2E_TMP/prog) as the
#                                     # working directory; sets $E2E_PID
#   id=$(wait_window 'Tallymate 3.1' [SECONDS [PID]])  # first visible window titled exactly
#                                     # so (case counts), of process PID if given; prints its id,
#                                     # fails on timeout
#   key ctrl+q                        # keystrokes to the focused window (xdotool key syntax)
#   type_text '1,5'                   # text typed into the focused window
#   click_at "$id" X Y [COUNT]        # a click (COUNT clicks) at client coordinates of the window
#   focus_window "$id"                # gives the window the input focus
#   has_keyboard "$id"                # the window has the keyboard
#   active_is "$id"                   # the window manager's active window is this one
#   wait_exit "$E2E_PID" 5            # sets $E2E_EXIT_CODE: the exit code, or "timeout"
#   e2e_quit WHAT "$id" [SECONDS [KEY...]]  # Ctrl+Q (or KEYs) on the window ("" for whatever has
#                                     # the keyboard): checks that $E2E_PID ends with code 0
#   other_windows "$id"               # the program's other visible windows, whatever their titles
#   has_other_window "$id" / no_other_window "$id"
#   boxes "$id"                       # the program's other visible windows titled as it is: its
#                                     # message and error boxes, its progress dialog
#   boxes_are "$id" N                 # exactly N of them
#   screenshot "$id" "$E2E_TMP/shot.png"
#   pixel FILE X Y                    # the colour of one pixel as "#RRGGBB"
#   visible_windows 'Tallymate 3.1' [PID]  # ids of the visible windows titled exactly so
#   wait_for SECONDS COMMAND...       # runs COMMAND until it succeeds, for about SECONDS
#   check CONDITION-TEXT COMMAND...   # runs COMMAND; on failure reports and counts a failure
#   fail MESSAGE                      # reports and counts a failure
#   now_ms, now_us                    # the wall clock in milliseconds, microseconds
#   e2e_track PID                     # another background process for the cleanup to end
#   set_range "$id" MIN MAX [PID]    # the first slider's range typed into the settings window
#   e2e_start_atspi                   # a private session bus with its accessibility bus
#   bus_started                       # dbus-launch has started a session bus for $HOME
#   e2e_slow_png FILE                 # a PNG of a few hundred kilobytes that takes seconds to read
#   entry_validates FILE              # desktop-file-validate finds nothing to say about FILE
#   url_file URL                      # the local path of a file:// URL, decoded
#   e2e_finish                        # exit status: 0 when nothing failed
#
# Options, each setting its variable: --exe PATH (E2E_EXE, the program under test), --helper PATH
# (E2E_HELPER, tests/e2e/x_title_window), --calc-helper PATH (E2E_CALC_HELPER,
# tests/e2e/calc_windows_e2e.cpp: clipboard, closing windows), --wm (E2E_WM=1: openbox runs),
# --manager PATH (E2E_MANAGER, tests/e2e/xsmp_manager.cpp), --rounds N (E2E_ROUNDS), --wayland
# (E2E_WAYLAND=1), --build DIR (E2E_BUILD), --cmake PATH (E2E_CMAKE), --cpack PATH (E2E_CPACK),
# --deb FILE (E2E_DEB), --cache DIR (E2E_CACHE: where slow test inputs are kept between runs).
#
# Everything started through this library is stopped when the script ends, also on failure.
# Variables besides: E2E_TMP, E2E_PROG (the private copy), E2E_PID, DISPLAY, E2E_XVFB_PID (the X
# server).

set -uo pipefail

E2E_EXE=""
E2E_HELPER=""
E2E_CALC_HELPER=""
E2E_WM=0
E2E_MANAGER=""
E2E_ROUNDS=""
E2E_WAYLAND=0
E2E_BUILD=""
E2E_CMAKE=cmake
E2E_CPACK=cpack
E2E_DEB=""
E2E_CACHE=""
E2E_TMP=""
E2E_PROG=""
E2E_PID=""
E2E_XVFB_PID=""
E2E_EXIT_CODE=""
E2E_FAILURES=0
E2E_PASSED=0
_e2e_pids=()

e2e_log() { if [ "$E2E_WM" = 1 ]; then echo "[e2e, openbox] $*" >&2; else echo "[e2e] $*" >&2; fi; }

fail() {
  e2e_log "FAIL: $*"
  E2E_FAILURES=$((E2E_FAILURES + 1))
}

check() { # description command...
  local what=$1
  shift
  if "$@"; then
    e2e_log "ok: $what"
    E2E_PASSED=$((E2E_PASSED + 1))
  else
    fail "$what"
  fi
}

# Remembers a background process so that cleanup ends it.
e2e_track() { _e2e_pids+=("$1"); }

# Ends a background process of this script and collects it: SIGTERM, then SIGKILL if it has
# not ended within 5 s. A process already collected is left alone: its number may belong to
# another process by now (process numbers are reused, and tests run side by side).
e2e_stop() { # pid
  local pid=$1 tries
  [ "$(ps -o ppid= -p "$pid" 2>/dev/null | tr -d ' ')" = "$$" ] || return 0
  kill "$pid" 2>/dev/null
  for ((tries = 0; tries < 100; tries++)); do
    case $(cut -d' ' -f3 "/proc/$pid/stat" 2>/dev/null) in
      "" | Z) break ;;
    esac
    sleep 0.05
  done
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return 0
}

_e2e_cleanup() {
  # A script may run with errexit; nothing here may stop the cleanup half way.
  set +e
  local i
  for ((i = ${#_e2e_pids[@]} - 1; i >= 0; i--)); do
    e2e_stop "${_e2e_pids[$i]}"
  done
  [ -n "$E2E_TMP" ] && [ -d "$E2E_TMP" ] && rm -rf "$E2E_TMP"
}

e2e_init() {
  while [ $# -gt 0 ]; do
    case $1 in
      --exe) E2E_EXE=$2; shift 2 ;;
      --helper) E2E_HELPER=$2; shift 2 ;;
      --calc-helper) E2E_CALC_HELPER=$2; shift 2 ;;
      --wm) E2E_WM=1; shift ;;
      --manager) E2E_MANAGER=$2; shift 2 ;;
      --rounds) E2E_ROUNDS=$2; shift 2 ;;
      --wayland) E2E_WAYLAND=1; shift ;;
      --build) E2E_BUILD=$2; shift 2 ;;
      --cmake) E2E_CMAKE=$2; shift 2 ;;
      --cpack) E2E_CPACK=$2; shift 2 ;;
      --deb) E2E_DEB=$2; shift 2 ;;
      --cache) E2E_CACHE=$2; shift 2 ;;
      *) echo "e2e_init: unknown option $1" >&2; exit 2 ;;
    esac
  done
  # A test may also choose its program later (set E2E_EXE before e2e_start).
  [ -z "$E2E_EXE" ] || [ -x "$E2E_EXE" ] || { echo "e2e_init: no program at '$E2E_EXE'" >&2; exit 2; }
  for tool in Xvfb xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "e2e_init: $tool is missing" >&2; exit 2; }
  done
  E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/tallymate-e2e.XXXXXX")
  trap _e2e_cleanup EXIT
  trap 'exit 130' INT TERM
  # The program must reach a real X server, whatever the test runner set.
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY TALLYMATE_DEBUG
  # Under the sanitizers a leak still prints and fails the exit code, but the list of the
  # suppressions used is no output of the program's.
  if [ -n "${LSAN_OPTIONS:-}" ]; then export LSAN_OPTIONS="$LSAN_OPTIONS:print_suppressions=0"; fi
  # No session bus unless a test starts its own: a program that finds none would otherwise
  # start one of its own that outlives the test.
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$E2E_TMP/no-session-bus"
  export XDG_RUNTIME_DIR="$E2E_TMP/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  export HOME="$E2E_TMP/home"
  mkdir -p "$HOME"
  e2e_start_x
  if [ "$E2E_WM" = 1 ]; then
    command -v openbox >/dev/null || { echo "e2e_init: openbox is missing" >&2; exit 2; }
    openbox --sm-disable >/dev/null 2>&1 &
    e2e_track $!
    # The window manager is ready once it has claimed the screen.
    local n
    for ((n = 0; n < 100; n++)); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
      sleep 0.05
    done
  fi
}

# Xvfb on a display number the server picks itself, so parallel tests never collide. Sets
# E2E_XVFB_PID; a test may call it again for a fresh server (and e2e_stop the old one).
e2e_start_x() {
  local fifo="$E2E_TMP/displayfd"
  rm -f "$fifo"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  E2E_XVFB_PID=$!
  e2e_track $!
  local number
  if ! read -r -t 10 number <"$fifo"; then
    echo "e2e_start_x: Xvfb did not start" >&2
    exit 2
  fi
  export DISPLAY=":$number"
}

e2e_copy_program() {
  E2E_PROG="$E2E_TMP/prog/$(basename "$E2E_EXE")"
  mkdir -p "$E2E_TMP/prog"
  cp "$E2E_EXE" "$E2E_PROG"
}

# Starts the private copy (or $E2E_EXE when there is none); sets E2E_PID.
e2e_start() {
  local dir=${1:-$E2E_TMP/prog}
  local exe=${E2E_PROG:-$E2E_EXE}
  mkdir -p "$dir"
  (cd "$dir" && exec "$exe") >>"$E2E_TMP/program.log" 2>&1 &
  E2E_PID=$!
  e2e_track "$E2E_PID"
}

# Prints the ids of the visible windows titled exactly TITLE (xdotool's own search ignores case).
# With PID, only the windows of that process (by _NET_WM_PID).
visible_windows() { # title [pid]
  local id pid_option=()
  [ -n "${2:-}" ] && pid_option=(--all --pid "$2")
  for id in $(xdotool search --onlyvisible "${pid_option[@]}" --name "^$(_e2e_regex_quote "$1")\$" 2>/dev/null); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && echo "$id"
  done
}

_e2e_regex_quote() { printf '%s' "$1" | sed 's/[][\.^$*+?(){}|]/\\&/g'; }

wait_window() { # title [seconds [pid]]
  local title=$1 seconds=${2:-10} ids
  local tries=$((seconds * 20))
  while ((tries-- > 0)); do
    ids=$(visible_windows "$title" "${3:-}")
    if [ -n "$ids" ]; then
      echo "$ids" | head -n 1
      return 0
    fi
    sleep 0.05
  done
  return 1
}

# Waits for a child process to end and sets E2E_EXIT_CODE to its exit code ("timeout" when it
# still runs). Call it directly, not in $( ): only this shell can collect the child's code.
wait_exit() { # pid seconds
  local pid=$1 tries=$((${2:-5} * 20)) state
  E2E_EXIT_CODE=timeout
  while ((tries-- > 0)); do
    # An ended child stays a zombie (and answers kill -0) until it is collected.
    state=$(cut -d' ' -f3 "/proc/$pid/stat" 2>/dev/null)
    if [ -z "$state" ] || [ "$state" = Z ]; then
      wait "$pid" 2>/dev/null
      E2E_EXIT_CODE=$?
      return 0
    fi
    sleep 0.05
  done
  return 1
}

# Closes the program ($E2E_PID) with KEYs (Ctrl+Q unless given) sent to WINDOW, which gets the
# focus first ("" sends them to whatever has the keyboard), and checks that it ends with code 0
# within SECONDS (10 unless given). A copy left running is ended: it would refuse every later
# start. Fails when the program did not end with 0.
e2e_quit() { # what window [seconds [key...]]
  local what=$1 window=$2 seconds=${3:-10}
  shift 2
  [ $# -gt 0 ] && shift
  local keys=("$@")
  [ ${#keys[@]} -gt 0 ] || keys=(ctrl+q)
  [ -n "$window" ] && focus_window "$window"
  key "${keys[@]}"
  wait_exit "$E2E_PID" "$seconds"
  check "$what: ${keys[*]} ends the program with code 0 (got $E2E_EXIT_CODE)" [ "$E2E_EXIT_CODE" = 0 ]
  [ "$E2E_EXIT_CODE" = timeout ] && e2e_stop "$E2E_PID"
  [ "$E2E_EXIT_CODE" = 0 ]
}

focus_window() {
  if [ "$E2E_WM" = 1 ]; then
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"
  else
    xdotool windowfocus --sync "$1"
  fi
}

# Runs COMMAND until it succeeds, for about SECONDS.
wait_for() { # seconds command...
  local end=$((SECONDS + $1 + 1))
  shift
  while ((SECONDS < end)); do
    "$@" && return 0
    sleep 0.05
  done
  return 1
}

# True when WINDOW has the keyboard: a key sent now goes to it, not to the window before.
has_keyboard() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
# Only a window manager tells which window is active.
active_is() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }

# The visible windows of the program ($E2E_PID) other than WINDOW, whatever their titles: its
# dialogs and menus, the file dialog included.
other_windows() { # window
  xdotool search --onlyvisible --all --pid "$E2E_PID" 2>/dev/null | grep -vx "$1"
}
has_other_window() { [ -n "$(other_windows "$1")" ]; }
no_other_window() { [ -z "$(other_windows "$1")" ]; }
# The program's message and error boxes and its progress dialog carry its title, like the main
# window: its visible windows so titled other than WINDOW.
boxes() { # window
  visible_windows 'Tallymate 3.1' "$E2E_PID" | grep -vx "$1"
}
boxes_are() { [ "$(boxes "$1" | wc -l)" = "$2" ]; } # window count

now_us() { echo "${EPOCHREALTIME//[^0-9]/}"; }
now_ms() { echo $(($(now_us) / 1000)); }

# A click (COUNT clicks) at client coordinates of WINDOW, and a moment for the program to take it.
click_at() { # window x y [count]
  xdotool mousemove --window "$1" "$2" "$3" click --repeat "${4:-1}" --delay 80 1
  sleep 0.2
}

key() { xdotool key --delay 30 "$@"; }
type_text() { xdotool type --delay 30 -- "$1"; }

screenshot() { # window file
  import -window "$1" "$2"
}

pixel() { # file x y
  convert "$1" -format "%[hex:p{$2,$3}]" info: | sed 's/^/#/' | cut -c1-7
}

# The first slider's range through the settings window (Ctrl+E) of the main window WINDOW (of
# process PID, if given): its OK writes only the tips switch; the range reaches the file at the
# close. The window keeps the focus where it was when it last closed: the fields and the button
# are clicked.
set_range() { # window min max [pid]
  local form
  focus_window "$1"
  key ctrl+e
  form=$(wait_window 'Настройки' 10 "${4:-}") || { fail "the settings window did not open"; return 1; }
  focus_window "$form"
  click_at "$form" 88 35
  key End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
  type_text "$2"
  click_at "$form" 256 35
  key End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
  type_text "$3"
  click_at "$form" 173 68
  wait_for 5 test -z "$(visible_windows 'Настройки' "${4:-}")" || fail "the settings window stayed"
}

# A session bus and an accessibility bus of the test's own, as a desktop session has them; sets
# DBUS_SESSION_BUS_ADDRESS and has Qt programs report to the bus.
e2e_start_atspi() {
  dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$E2E_TMP/bus" >/dev/null 2>&1 &
  e2e_track $!
  wait_for 10 test -s "$E2E_TMP/bus" || { fail "no session bus"; e2e_finish; }
  DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$E2E_TMP/bus")
  export DBUS_SESSION_BUS_ADDRESS
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  e2e_track $!
  _e2e_a11y_bus() {
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
      org.a11y.Bus.GetAddress >/dev/null 2>&1
  }
  wait_for 10 _e2e_a11y_bus || { fail "no accessibility bus"; e2e_finish; }
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

# dbus-launch leaves a file in $HOME/.dbus/session-bus for each bus it starts.
bus_started() { compgen -G "$HOME/.dbus/session-bus/*" >/dev/null; }

# 60000 x 60000 pixels of one bit in a few hundred kilobytes: seconds of decoding, on an idle
# machine too, and seconds to make. With --cache it is made once and kept there, named by the
# hash of the code that makes it, so that a changed picture is made anew; tests running side by
# side take turns under a lock, and the one that makes it renames it into place only when whole.
e2e_slow_png() { # file
  if [ -z "$E2E_CACHE" ]; then
    _e2e_make_slow_png "$1"
    return
  fi
  local cached
  cached="$E2E_CACHE/slow-$(declare -f _e2e_make_slow_png | md5sum | cut -c1-16).png"
  mkdir -p "$E2E_CACHE"
  (
    flock -w 60 9 || exit 1
    [ -s "$cached" ] && exit 0
    _e2e_make_slow_png "$cached.new" && mv "$cached.new" "$cached"
  ) 9>"$E2E_CACHE/slow-png.lock" || { fail "the slow picture could not be made"; return 1; }
  cp "$cached" "$1"
}
_e2e_make_slow_png() { # file
  python3 - "$1" <<'PY'
import struct, sys, zlib
side = 60000
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
rows = [b'\0' + b'\x55' * (side // 8), b'\0' + b'\xaa' * (side // 8)]
packer = zlib.compressobj(6)
data = b''.join(packer.compress(rows[y % 2]) for y in range(side)) + packer.flush()
header = struct.pack('>IIBBBBB', side, side, 1, 0, 0, 0, 0)
with open(sys.argv[1], 'wb') as out:
    out.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', data) + chunk(b'IEND', b''))
PY
}

entry_validates() { # file
  local said
  said=$(desktop-file-validate "$1" 2>&1) && [ -z "$said" ] && return 0
  echo "$said" >&2
  return 1
}

url_file() { # url
  python3 -c 'import sys, urllib.parse; print(urllib.parse.unquote(urllib.parse.urlparse(sys.argv[1]).path))' "$1"
}

e2e_finish() {
  # The closing line a test runner reads.
  echo "$E2E_PASSED passed, $E2E_FAILURES failed"
  if [ "$E2E_FAILURES" -gt 0 ]; then
    e2e_log "$E2E_FAILURES check(s) failed"
    [ -s "$E2E_TMP/program.log" ] && { e2e_log "program output:"; cat "$E2E_TMP/program.log" >&2; }
    exit 1
  fi
  exit 0
}

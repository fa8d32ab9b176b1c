#!/usr/bin/env bash
# Two copies of the program from one folder, on two displays (two sessions: the title guard
# looks at one display, the session lock is each session's own), closed with Ctrl+Q at the same
# moment, round after round. Each round: neither shows "Unable to write to …/Tallymate.ini."
# (both end with code 0), the file is the whole record of one of them, and no temporary file is
# left beside it, a crashed close's old one included. One copy restores the default settings
# (F4) first, so that the two records differ.
#   two_copies_e2e.sh [--rounds N] (default 5) and the options of lib.sh
# scripts/two_copies_race.sh runs it for many more rounds.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"
rounds=${E2E_ROUNDS:-5}
e2e_copy_program
prog_dir=$E2E_TMP/prog
ini=$prog_dir/Tallymate.ini
title='Tallymate 3.1'

# A second X server beside the one e2e_init started.
display_a=$DISPLAY
rm -f "$E2E_TMP/displayfd"
e2e_start_x
display_b=$DISPLAY
export DISPLAY=$display_a
mkdir -m 700 "$E2E_TMP/runtime_a" "$E2E_TMP/runtime_b"

# Starts the copy in the folder on display A or B; sets pid_a or pid_b.
start_copy() { # a|b
  local display runtime
  if [ "$1" = a ]; then display=$display_a runtime=$E2E_TMP/runtime_a; else display=$display_b runtime=$E2E_TMP/runtime_b; fi
  (cd "$prog_dir" && DISPLAY=$display XDG_RUNTIME_DIR=$runtime exec "$E2E_PROG") \
    >>"$E2E_TMP/program.log" 2>&1 &
  e2e_track $!
  if [ "$1" = a ]; then pid_a=$!; else pid_b=$!; fi
}
on() { # a|b command... : the command on that copy's display
  local display=$display_a
  [ "$1" = b ] && display=$display_b
  shift
  DISPLAY=$display "$@"
}
# The copy's main window, focused; empty when none came.
main_window() { # a|b pid
  local id
  id=$(on "$1" wait_window "$title" 10 "$2") || return 1
  on "$1" focus_window "$id" || return 1
  echo "$id"
}
# Ended, or showing a second window titled as the program (the error box).
settled() { # a|b pid
  local state
  state=$(cut -d' ' -f3 "/proc/$2/stat" 2>/dev/null)
  [ -z "$state" ] || [ "$state" = Z ] && return 0
  [ "$(on "$1" visible_windows "$title" "$2" | wc -l)" -gt 1 ]
}
leftovers() { find "$prog_dir" -mindepth 1 -name 'Tallymate.ini?*' -printf '%f\n'; }

# A stored record to begin each round with, and copy A's record after F4 on it, from A alone.
printf '[Color]\r\nFormColor=255\r\nEdit=65280\r\n[Trackbar]\r\nmax=40\r\nmin=2\r\n[Calendar]\r\ncolor=16711680\r\n' >"$E2E_TMP/start.ini"
cp "$E2E_TMP/start.ini" "$ini"
start_copy a
if win_a=$(main_window a "$pid_a"); then
  on a key F4 ctrl+q
  wait_exit "$pid_a" 10
fi
[ "${E2E_EXIT_CODE:-}" = 0 ] || { fail "copy A alone: no clean close (exit $E2E_EXIT_CODE)"; e2e_finish; }
cp "$ini" "$E2E_TMP/record_a.ini"
if cmp -s "$ini" "$E2E_TMP/start.ini"; then fail "F4 changed nothing to tell the copies apart"; e2e_finish; fi

false_boxes=0 torn=0 left=0 won_a=0 won_b=0 other=0
for ((round = 1; round <= rounds; round++)); do
  cp "$E2E_TMP/start.ini" "$ini"
  # A crashed close's temporary file of two hours ago, named as before its writer was named in
  # it: whoever closes now removes it, as nobody can still be writing it.
  printf 'torn' >"$ini.tmpCr4shd"
  touch -d '2 hours ago' "$ini.tmpCr4shd"
  start_copy a
  start_copy b
  if ! win_a=$(main_window a "$pid_a") || ! win_b=$(main_window b "$pid_b"); then
    e2e_log "round $round: a copy showed no main window"
    other=$((other + 1))
    e2e_stop "$pid_a"
    e2e_stop "$pid_b"
    continue
  fi
  on a key F4
  # Both closes at the same moment.
  on a xdotool key ctrl+q &
  close_a=$!
  on b xdotool key ctrl+q &
  close_b=$!
  wait "$close_a" "$close_b"
  wait_for 20 settled a "$pid_a"
  wait_for 20 settled b "$pid_b"
  for copy in a b; do
    if [ "$copy" = a ]; then pid=$pid_a; else pid=$pid_b; fi
    if [ "$(on "$copy" visible_windows "$title" "$pid" | wc -l)" -gt 1 ]; then
      false_boxes=$((false_boxes + 1))
      e2e_log "round $round: copy $copy shows an error box"
      e2e_stop "$pid"
    else
      wait_exit "$pid" 10
      if [ "$E2E_EXIT_CODE" != 0 ]; then
        other=$((other + 1))
        e2e_log "round $round: copy $copy did not end cleanly ($E2E_EXIT_CODE)"
        e2e_stop "$pid"
      fi
    fi
  done
  if cmp -s "$ini" "$E2E_TMP/record_a.ini"; then
    won_a=$((won_a + 1))
  elif cmp -s "$ini" "$E2E_TMP/start.ini"; then
    won_b=$((won_b + 1))
  else
    torn=$((torn + 1))
    e2e_log "round $round: the file is neither copy's whole record:"
    od -c "$ini" | head -n 20 >&2
  fi
  found=$(leftovers)
  if [ -n "$found" ]; then
    left=$((left + 1))
    e2e_log "round $round: left over: $found"
    find "$prog_dir" -mindepth 1 -name 'Tallymate.ini?*' -delete
  fi
done

e2e_log "$rounds rounds: $false_boxes false error boxes, $torn torn or mixed files, $left rounds with a left-over file; the last close was A's $won_a times, B's $won_b times; $other copies without a window or a clean end"
check "no false error box in $rounds rounds ($false_boxes)" [ "$false_boxes" = 0 ]
check "no torn or mixed file in $rounds rounds ($torn)" [ "$torn" = 0 ]
check "no left-over temporary file in $rounds rounds ($left)" [ "$left" = 0 ]
check "every copy came up and ended cleanly ($other)" [ "$other" = 0 ]
e2e_finish

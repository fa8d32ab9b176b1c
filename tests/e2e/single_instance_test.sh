#!/usr/bin/env bash
# One copy at a time: the program maps its main window; a second copy, a start beside a foreign
# unowned window titled exactly "Tallymate 3.1", and one while another process holds the
# session's lock, end at once with code 0, show nothing and write nothing; near-miss titles and
# owned windows do not block; Ctrl+Q ends with code 0.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"
[ -x "$E2E_HELPER" ] || { echo "needs --helper x_title_window" >&2; exit 2; }
e2e_copy_program
title='Tallymate 3.1'

# Starts the program and expects it to run: the main window maps. Sets main_id.
expect_runs() { # what
  e2e_start
  if ! main_id=$(wait_window "$title" 10 "$E2E_PID"); then
    fail "$1: no main window"
    return 1
  fi
}

# Starts a copy in its own directory and expects it to end at once, silently.
expect_refused() { # what
  local dir="$E2E_TMP/refused"
  rm -rf "$dir"
  mkdir -p "$dir"
  cp "$E2E_PROG" "$dir/"
  local maps_before
  maps_before=$(grep -c '^map' "$E2E_TMP/maps")
  (cd "$dir" && exec ./"$(basename "$E2E_PROG")") >"$dir/output.log" 2>&1 &
  local pid=$!
  e2e_track "$pid"
  wait_exit "$pid" 5
  check "$1: the copy ends with code 0 (got $E2E_EXIT_CODE)" [ "$E2E_EXIT_CODE" = 0 ]
  # A copy left running would refuse every later start.
  [ "$E2E_EXIT_CODE" = timeout ] && e2e_stop "$pid"
  sleep 0.2  # a late map would still reach the watcher
  check "$1: no window was mapped" [ "$(grep -c '^map' "$E2E_TMP/maps")" = "$maps_before" ]
  check "$1: no settings file written" [ ! -e "$dir/Tallymate.ini" ]
  [ -s "$dir/output.log" ] && cat "$dir/output.log" >>"$E2E_TMP/program.log"
  check "$1: nothing printed" [ ! -s "$dir/output.log" ]
}

# A foreign X client holding one window; sets foreign_pid once the window exists.
foreign_window() { # title options...
  local out="$E2E_TMP/foreign.out"
  : >"$out"
  "$E2E_HELPER" "$@" >"$out" 2>&1 &
  foreign_pid=$!
  e2e_track "$foreign_pid"
  if ! wait_for 5 grep -q ready "$out"; then
    fail "the foreign window \"$1\" did not appear"
    return
  fi
  # A mapped window (inside its frame, under a window manager) is counted as mapped before the
  # copy starts: wait until the watcher has logged it.
  local shown
  shown=$(sed -n 's/^ready \(0x[0-9a-f]*\)$/\1/p' "$out")
  if [ -n "$shown" ] && ! wait_for 5 grep -qx "map $shown" "$E2E_TMP/maps"; then
    fail "the map of the foreign window \"$1\" was not seen"
  fi
}

end_foreign() { e2e_stop "$foreign_pid"; }

# Every window mapped on the desktop from now on is logged.
"$E2E_HELPER" --watch-maps >"$E2E_TMP/maps" &
e2e_track $!
for ((n = 0; n < 100; n++)); do grep -q ready "$E2E_TMP/maps" && break; sleep 0.05; done

# The first copy runs, with exactly one visible window of that title; a second copy is refused.
if expect_runs "first copy"; then
  check "first copy: one visible window titled \"Tallymate 3.1\"" \
    [ "$(visible_windows "$title" | wc -l)" = 1 ]
  expect_refused "second copy"
  check "first copy still runs after the second was refused" kill -0 "$E2E_PID"
  e2e_quit "first copy" "$main_id"
fi

# A stand-in copy holding the session's lock of DISPLAY: sets lock_holder once it holds it. Each
# writes a file of its own, so that one holder's word is never taken for the next one's.
hold_lock() { # display
  local out="$E2E_TMP/lock-holder$1.out"
  python3 -c 'import fcntl, sys, time
f = open(sys.argv[1], "w")
fcntl.flock(f, fcntl.LOCK_EX | fcntl.LOCK_NB)
print("locked", flush=True)
time.sleep(600)' "$XDG_RUNTIME_DIR/Tallymate 3.1 $1.lock" >"$out" 2>&1 &
  lock_holder=$!
  e2e_track "$lock_holder"
  wait_for 10 grep -q locked "$out" && return 0
  fail "the stand-in copy did not take the lock of $1: $(cat "$out")"
  return 1
}

# A copy holds the session's lock from its first moment, before it has any window: a start beside
# it ends all the same.
if hold_lock "$DISPLAY"; then
  expect_refused "the session's lock held by another copy"
fi
e2e_stop "$lock_holder"

# The lock decides before Qt starts: held on a display that cannot be opened, the copy still ends
# with code 0 rather than with Qt's abort.
lost=$((${DISPLAY#:} + 5000))
while [ -e "/tmp/.X11-unix/X$lost" ] || [ -e "/tmp/.X$lost-lock" ]; do lost=$((lost + 1)); done
if hold_lock ":$lost"; then
  DISPLAY=":$lost" "$E2E_PROG" >/dev/null 2>&1 &
  lost_pid=$!
  e2e_track "$lost_pid"
  wait_exit "$lost_pid" 5
  check "the lock held on a display that cannot be opened: the copy ends with code 0 (got $E2E_EXIT_CODE)" \
    [ "$E2E_EXIT_CODE" = 0 ]
fi
e2e_stop "$lock_holder"

# Foreign windows with exactly the title block a start, unmapped or mapped (then inside a
# window manager's frame when openbox runs), and with only the EWMH title.
for options in "" "--mapped" "--mapped --net-only"; do
  # shellcheck disable=SC2086
  foreign_window "Tallymate 3.1" $options
  expect_refused "foreign window \"Tallymate 3.1\" ${options:-unmapped}"
  end_foreign
done

# Near misses and owned windows do not block.
while IFS='|' read -r name options; do
  # shellcheck disable=SC2086
  foreign_window "$name" $options
  if expect_runs "beside \"$name\" $options"; then
    e2e_quit "beside \"$name\" $options" "$main_id"
  fi
  end_foreign
done <<'EOF'
tallymate 3.1|--mapped
Tallymate 3.1 |
Tallymate 3.1|--mapped --transient
EOF

# Two copies started at the same moment: exactly one of them runs.
for try in 1 2 3; do
  for k in a b; do
    rm -rf "$E2E_TMP/race$k"
    mkdir -p "$E2E_TMP/race$k"
    cp "$E2E_PROG" "$E2E_TMP/race$k/"
  done
  (cd "$E2E_TMP/racea" && exec ./"$(basename "$E2E_PROG")") >/dev/null 2>&1 &
  pid_a=$!
  (cd "$E2E_TMP/raceb" && exec ./"$(basename "$E2E_PROG")") >/dev/null 2>&1 &
  pid_b=$!
  e2e_track "$pid_a"
  e2e_track "$pid_b"
  # The refused one ends at once; the other one maps its main window.
  running=""
  for ((n = 0; n < 100; n++)); do
    a=$(visible_windows "$title" "$pid_a")
    b=$(visible_windows "$title" "$pid_b")
    if [ -n "$a" ] || [ -n "$b" ]; then
      running=$([ -n "$a" ] && echo a)$([ -n "$b" ] && echo b)
      break
    fi
    sleep 0.05
  done
  sleep 0.5 # a late second window would still show
  a=$(visible_windows "$title" "$pid_a")
  b=$(visible_windows "$title" "$pid_b")
  running=$([ -n "$a" ] && echo a)$([ -n "$b" ] && echo b)
  check "two copies at once, try $try: exactly one runs (running: ${running:-none})" \
    [ "${#running}" = 1 ]
  if [ "$running" = a ]; then refused=$pid_b; else refused=$pid_a; fi
  wait_exit "$refused" 5
  check "two copies at once, try $try: the other ends with code 0 (got $E2E_EXIT_CODE)" \
    [ "$E2E_EXIT_CODE" = 0 ]
  for pid in $pid_a $pid_b; do e2e_stop "$pid"; done
done

e2e_finish

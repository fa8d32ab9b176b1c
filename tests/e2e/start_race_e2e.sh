#!/usr/bin/env bash
# Two copies started at the same instant, round after round, each round in a fresh desktop
# session: a new X server (with --wayland, a new headless weston without XWayland, the program on
# the Wayland platform), no session bus, each copy in a folder of its own. Every round exactly one
# copy runs and shows its main window; the other ends with code 0 within a second of the start,
# having shown nothing and written nothing; no session bus has been started.
#
#   start_race_e2e.sh --exe PROGRAM [--rounds N] (default 5) [--wayland]
#
# Ends with a summary of the rounds and of the times the refused copies took to end.
# scripts/start_race.sh runs it for many more rounds.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"
rounds=${E2E_ROUNDS:-5}
wayland=$E2E_WAYLAND
[ "$wayland" = 0 ] || command -v weston >/dev/null || { echo "weston is missing" >&2; exit 2; }
session=$([ "$wayland" = 1 ] && echo "native Wayland" || echo "X11")
title='Tallymate 3.1'
limit_us=1000000 # the refused copy ends within a second

# As the sessions where the hang was seen: no session bus at all. A program that starts one with
# dbus-launch leaves its file in $HOME/.dbus/session-bus.
unset DBUS_SESSION_BUS_ADDRESS
exe_name=$(basename "$E2E_EXE")
for k in a b; do
  mkdir -p "$E2E_TMP/$k"
  cp "$E2E_EXE" "$E2E_TMP/$k/"
done
gate="$E2E_TMP/gate"
mkfifo "$gate"

ended() { # pid
  local state
  state=$(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null)
  [ -z "$state" ] || [ "$state" = Z ]
}
# A copy waits at the gate until the test opens it: opening the pipe for reading blocks there. A
# kernel that hides where a process waits shows "0": then asleep is all that can be seen.
at_gate() { # pid...
  local pid where
  for pid in "$@"; do
    where=$(cat "/proc/$pid/wchan" 2>/dev/null)
    case $where in
      wait_for_partner) ;;
      0) [ "$(cut -d' ' -f3 "/proc/$pid/stat" 2>/dev/null)" = S ] || return 1 ;;
      *) return 1 ;;
    esac
  done
}
# What the copy asked the compositor for: with WAYLAND_DEBUG its client side logs every request.
asked_for_window() { grep -q 'get_toplevel' "$1" 2>/dev/null; }

# A fresh session: sets server_pid, and DISPLAY or WAYLAND_DISPLAY.
start_session() { # round
  if [ "$wayland" = 1 ]; then
    unset DISPLAY
    export XDG_SESSION_TYPE=wayland WAYLAND_DEBUG=client
    local name="tallymate-race-$1"
    weston --backend=headless-backend.so --socket="$name" --idle-time=0 \
      >"$E2E_TMP/weston.log" 2>&1 &
    server_pid=$!
    e2e_track "$server_pid"
    wait_for 10 test -S "$XDG_RUNTIME_DIR/$name" || return 1
    export WAYLAND_DISPLAY=$name
  else
    e2e_start_x
    server_pid=$E2E_XVFB_PID
  fi
}

times=()
good=0
for ((round = 1; round <= rounds; round++)); do
  failures_before=$E2E_FAILURES
  if ! start_session "$round"; then
    fail "round $round: the $session session did not start"
    break
  fi
  for k in a b; do rm -f "$E2E_TMP/$k/Tallymate.ini" "$E2E_TMP/$k.log"; done
  rm -rf "$HOME/.dbus"

  (cd "$E2E_TMP/a" && : <"$gate" && exec "./$exe_name") >"$E2E_TMP/a.log" 2>&1 &
  pid_a=$!
  (cd "$E2E_TMP/b" && : <"$gate" && exec "./$exe_name") >"$E2E_TMP/b.log" 2>&1 &
  pid_b=$!
  e2e_track "$pid_a"
  e2e_track "$pid_b"
  wait_for 10 at_gate "$pid_a" "$pid_b" || fail "round $round: the copies did not reach the gate"
  # Opened for reading and writing, the pipe lets both copies through at once and never blocks.
  start=$(now_us)
  exec 9<>"$gate"

  # The refused copy is the first to end.
  refused="" elapsed=""
  while [ $(($(now_us) - start)) -lt 10000000 ]; do
    if ended "$pid_a"; then refused=a; elif ended "$pid_b"; then refused=b; fi
    if [ -n "$refused" ]; then
      elapsed=$(($(now_us) - start))
      break
    fi
    sleep 0.01
  done
  exec 9>&-
  if [ -z "$refused" ]; then
    fail "round $round: neither copy ended within 10 s"
  else
    if [ "$refused" = a ]; then
      refused_pid=$pid_a running_pid=$pid_b running=b
    else
      refused_pid=$pid_b running_pid=$pid_a running=a
    fi
    times+=("$elapsed")
    wait "$refused_pid"
    code=$?
    [ "$code" = 0 ] || fail "round $round: the refused copy ended with code $code"
    [ "$elapsed" -lt "$limit_us" ] ||
      fail "round $round: the refused copy took $((elapsed / 1000)) ms to end"
    [ ! -e "$E2E_TMP/$refused/Tallymate.ini" ] || fail "round $round: the refused copy wrote its settings"
    [ ! -s "$E2E_TMP/$refused.log" ] || [ "$wayland" = 1 ] ||
      fail "round $round: the refused copy printed: $(head -c 300 "$E2E_TMP/$refused.log")"
    if [ "$wayland" = 1 ]; then
      wait_for 10 asked_for_window "$E2E_TMP/$running.log" ||
        fail "round $round: the running copy asked for no window"
      ! asked_for_window "$E2E_TMP/$refused.log" || fail "round $round: the refused copy asked for a window"
    else
      wait_window "$title" 10 "$running_pid" >/dev/null ||
        fail "round $round: the running copy shows no main window"
      count=$(visible_windows "$title" | wc -l)
      [ "$count" = 1 ] || fail "round $round: $count visible windows titled \"$title\""
    fi
    ended "$running_pid" && fail "round $round: the running copy ended too"
  fi
  bus_started && fail "round $round: a session bus was started ($(ls "$HOME/.dbus/session-bus"))"

  [ "$E2E_FAILURES" = "$failures_before" ] && good=$((good + 1))
  e2e_stop "$pid_a"
  e2e_stop "$pid_b"
  e2e_stop "$server_pid"
done

figures=$(printf '%s\n' "${times[@]}" | sort -n | awk '
  { t[NR] = $1 }
  END { if (NR) printf "median %d ms, at most %d ms", t[int((NR + 1) / 2)] / 1000, t[NR] / 1000 }')
e2e_log "$session, $rounds rounds: one copy and a clean refusal in $good; the refused copy ended after ${figures:-nothing}"
e2e_finish

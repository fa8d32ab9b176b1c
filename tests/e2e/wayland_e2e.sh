#!/usr/bin/env bash
# One copy on a Wayland desktop: weston's headless backend as the compositor, once without
# XWayland (the program runs natively and the session's lock is its guard) and once with it (the
# program runs through XWayland and the X11 title guard decides). A second start ends at once with
# code 0 and no window, and writes no settings file.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"
command -v weston >/dev/null || { echo "weston is missing" >&2; exit 2; }
e2e_copy_program
ini="$E2E_TMP/prog/Tallymate.ini"
unset DISPLAY
export XDG_SESSION_TYPE=wayland

start_weston() { # name, extra options...
  local name=$1
  shift
  weston --backend=headless-backend.so --socket="$name" --idle-time=0 "$@" \
    >"$E2E_TMP/$name.log" 2>&1 &
  e2e_track $!
  wait_for 10 test -S "$XDG_RUNTIME_DIR/$name" || { fail "weston did not start ($name)"; return 1; }
  export WAYLAND_DISPLAY=$name
}

# What a copy asked the compositor for: with WAYLAND_DEBUG its client side logs every request.
toplevels() { grep -c 'get_toplevel' "$1" 2>/dev/null; }
lock_held() { ! flock -n "$XDG_RUNTIME_DIR/Tallymate 3.1 $WAYLAND_DISPLAY.lock" true; }

second_start_ends() { # what, the first copy's readiness check...
  local what=$1
  shift
  check "$what: the first copy runs" wait_for 10 "$@"
  local first=$E2E_PID
  mv "$E2E_TMP/program.log" "$E2E_TMP/first.log"
  e2e_start
  wait_exit "$E2E_PID" 10
  check "$what: the second start ends with code 0 (got $E2E_EXIT_CODE)" [ "$E2E_EXIT_CODE" = 0 ]
  check "$what: the first copy still runs" kill -0 "$first"
  check "$what: no settings file was written" [ ! -e "$ini" ]
  E2E_PID=$first
}

# ---- natively, without XWayland ----
if start_weston tallymate-native; then
  export WAYLAND_DEBUG=client
  e2e_start
  first_has_window() { [ "$(toplevels "$E2E_TMP/program.log")" -ge 1 ]; }
  second_start_ends "native Wayland" first_has_window
  check "native Wayland: the second copy asked for no window" \
    [ "$(toplevels "$E2E_TMP/program.log")" = 0 ]
  check "native Wayland: the copy that runs holds the session's lock" lock_held
  check "native Wayland: the copy runs on the Wayland platform" \
    grep -q 'wl_display' "$E2E_TMP/first.log"
  unset WAYLAND_DEBUG
  e2e_stop "$E2E_PID"
  check "native Wayland: the lock is free once the copy has ended" wait_for 5 eval '! lock_held'
fi

# ---- through XWayland ----
if start_weston tallymate-xwayland --xwayland; then
  # weston starts XWayland when the first X client comes, on the display it announces.
  x_display() { sed -n 's/.*listening on display \(:[0-9]*\).*/\1/p' "$E2E_TMP/tallymate-xwayland.log" | head -n 1; }
  if wait_for 10 test -n "$(x_display)"; then
    export DISPLAY=$(x_display)
    rm -f "$ini"
    e2e_start
    x_window() { [ -n "$(visible_windows 'Tallymate 3.1' "$E2E_PID")" ]; }
    second_start_ends "XWayland" x_window
    e2e_stop "$E2E_PID"
  else
    fail "weston announced no X display"
  fi
fi
e2e_finish

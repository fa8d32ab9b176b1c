#!/usr/bin/env bash
# The session bus at start-up, on an X display whose environment names no bus (Qt would otherwise
# have libdbus start one with dbus-launch, and wait for it):
# - with no bus on the display the program starts none (dbus-launch leaves its file in
#   $HOME/.dbus/session-bus) and shows its window; a program it launches (F1 hands help.txt to the
#   first xdg-open on PATH, here a stand-in) finds the environment as the user left it;
# - with a bus that dbus-launch advertised on the display, the program joins that bus.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_copy_program
unset DBUS_SESSION_BUS_ADDRESS SNAP
title='Tallymate 3.1'

work="$E2E_TMP/work"
mkdir -p "$work" "$E2E_TMP/bin"
echo help >"$work/help.txt"
launched="$E2E_TMP/launched.log"
cat >"$E2E_TMP/bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\${DBUS_SESSION_BUS_ADDRESS-unset}" >>'$launched'
EOF
chmod +x "$E2E_TMP/bin/xdg-open"
export PATH="$E2E_TMP/bin:$PATH"

# ---- no bus anywhere ----
e2e_start "$work"
if main_id=$(wait_window "$title" 10 "$E2E_PID"); then
  check "no bus: the program started none" eval '! bus_started'
  focus_window "$main_id"
  key F1
  if wait_for 10 test -s "$launched"; then
    check "no bus: the program it launches finds no bus address, as the user left it (saw \
$(tr '\n' ' ' <"$launched"))" [ "$(cat "$launched")" = unset ]
  else
    fail "no bus: F1 launched nothing"
  fi
  e2e_quit "no bus" "$main_id"
else
  fail "no bus: no main window"
fi

# ---- a bus advertised on the display, as a desktop without a session bus of its own has ----
rm -rf "$HOME/.dbus"
if dbus-launch --autolaunch="$(dbus-uuidgen --get)" --sh-syntax >"$E2E_TMP/bus.sh" </dev/null; then
  address=$(sed -n "s/^DBUS_SESSION_BUS_ADDRESS='\(.*\)';$/\1/p" "$E2E_TMP/bus.sh")
  bus_pid=$(sed -n 's/^DBUS_SESSION_BUS_PID=\([0-9]*\);$/\1/p' "$E2E_TMP/bus.sh")
  # Whether a connection of the program's is on the bus.
  joined() {
    local name pid
    for name in $(dbus-send --bus="$address" --print-reply --dest=org.freedesktop.DBus / \
      org.freedesktop.DBus.ListNames | grep -o '":[0-9.]*"' | tr -d '"'); do
      pid=$(dbus-send --bus="$address" --print-reply --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.GetConnectionUnixProcessID "string:$name" 2>/dev/null |
        awk '/uint32/ { print $2 }')
      [ "$pid" = "$E2E_PID" ] && return 0
    done
    return 1
  }
  e2e_start "$work"
  if main_id=$(wait_window "$title" 10 "$E2E_PID"); then
    check "advertised bus: the program joined it" wait_for 10 joined
    e2e_quit "advertised bus" "$main_id"
  else
    fail "advertised bus: no main window"
  fi
  # dbus-launch's own watcher ends with the X server.
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
else
  fail "dbus-launch could not start a bus"
fi
e2e_finish

#!/usr/bin/env bash
# The outside documents, end to end: the program runs from another directory than its own, with
# a stand-in xdg-open first on PATH that only records what it was asked to open. F1 and the
# "Помощь" menu open help.txt and Licence.txt of the working directory, else the ones beside the
# executable; a help.txt nowhere opens nothing and shows nothing; the author's site goes out as
# written. The settings file still lands beside the executable.
#
# Qt hands documents and web addresses to the first xdg-open on PATH, whatever the desktop (no
# portal outside Flatpak and Snap, so SNAP is cleared here).
#
# The session looks like a Wayland desktop with XWayland: the program chooses X11 for itself, and
# what it launches must not inherit that choice (a Qt editor would run through XWayland too).
. "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_copy_program
unset SNAP
export WAYLAND_DISPLAY=wayland-tallymate-none
title='Tallymate 3.1'

work="$E2E_TMP/work"
mkdir -p "$work" "$E2E_TMP/bin"
work=$(cd "$work" && pwd -P) # the program sees the resolved path
opened="$E2E_TMP/opened.log"
: >"$opened"
launched_env="$E2E_TMP/launched-env.log"
cat >"$E2E_TMP/bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >>'$opened'
printf '%s\n' "\${QT_QPA_PLATFORM-unset}" >>'$launched_env'
exit 0
EOF
chmod +x "$E2E_TMP/bin/xdg-open"
export PATH="$E2E_TMP/bin:$PATH"

# Beside the executable the licence only: the one of the working directory comes first.
prog=$(cd "$E2E_TMP/prog" && pwd -P)
echo licence >"$prog/Licence.txt"
echo licence >"$work/Licence.txt"

opened_count_is() { [ "$(wc -l <"$opened")" = "$1" ]; }
opened_count_reaches() { [ "$(wc -l <"$opened")" -ge "$1" ]; }
opened_line() { sed -n "$1p" "$opened"; }
all_windows() { xdotool search --onlyvisible --name '' 2>/dev/null | sort; }

# True when a menu (a window of the program besides the main one) is open that is none of SEEN
# (ids, one a line); sets menu to it.
new_menu_open() { # seen
  menu=$(other_windows "$main_id" | grep -vxF -e "${1:-none}" | head -n 1)
  [ -n "$menu" ]
}

# Opens the "Помощь" menu and picks the item COUNT places below "О программе". The menu bar has
# no accelerators: a click opens the first menu, two steps right open the third, with its first
# item current. Each step waits for its menu, so that no key goes to the wrong one.
help_menu_item() { # count
  local seen="" step i
  focus_window "$main_id"
  click_at "$main_id" 10 10
  for step in click Right Right; do
    [ "$step" = click ] || key Right
    if ! wait_for 5 new_menu_open "$seen"; then
      fail "the menu bar: no menu after $step"
      key Escape Escape
      return 1
    fi
    seen=$(printf '%s\n%s' "$seen" "$menu")
  done
  for ((i = 0; i < $1; i++)); do key Down; done
  key Return
}

# Expects line COUNT of the stand-in's log to be WANT.
expect_opened() { # what count want
  if wait_for 5 opened_count_reaches "$2"; then
    check "$1 opens $3 (got $(opened_line "$2"))" [ "$(opened_line "$2")" = "$3" ]
  else
    fail "$1: xdg-open was not asked (log: $(tr '\n' ' ' <"$opened"))"
  fi
}

e2e_start "$work"
if main_id=$(wait_window "$title" 10 "$E2E_PID"); then
  sleep 0.3
  before=$(all_windows)

  # No help.txt anywhere: nothing happens.
  focus_window "$main_id"
  key F1
  sleep 1
  check "F1 without help.txt asks xdg-open nothing (log: $(tr '\n' ' ' <"$opened"))" opened_count_is 0
  check "F1 without help.txt opens no window" [ "$(all_windows)" = "$before" ]
  check "F1 without help.txt: the program keeps running" kill -0 "$E2E_PID"

  echo help >"$prog/help.txt"
  focus_window "$main_id"
  key F1
  expect_opened "F1 with help.txt beside the executable only" 1 "file://$prog/help.txt"

  echo help >"$work/help.txt"
  focus_window "$main_id"
  key F1
  expect_opened "F1" 2 "file://$work/help.txt"

  help_menu_item 2
  expect_opened "\"Лицензионное соглашение\"" 3 "file://$work/Licence.txt"

  help_menu_item 1
  expect_opened "\"Посетить сайт автора\"" 4 "http://www.tallymate.example"

  sleep 0.3
  check "nothing more was opened (log: $(tr '\n' ' ' <"$opened"))" opened_count_is 4
  check "no launched program sees a QT_QPA_PLATFORM the user did not set (saw: \
$(sort -u "$launched_env" | tr '\n' ' '))" [ "$(sort -u "$launched_env")" = unset ]

  e2e_quit "after the documents" "$main_id"
  check "the settings file is written beside the executable" [ -f "$E2E_TMP/prog/Tallymate.ini" ]
  check "and not into the working directory" [ ! -e "$work/Tallymate.ini" ]
  check "the program printed nothing" [ ! -s "$E2E_TMP/program.log" ]
else
  fail "no main window"
fi

e2e_finish

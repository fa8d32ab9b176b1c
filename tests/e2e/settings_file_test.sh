#!/usr/bin/env bash
# The settings file beside the executable, end to end: a first start without the file shows the
# dark red of the default colour 100; Ctrl+Q creates the file with its three sections and five
# keys; when the file cannot be written, Ctrl+Q shows the error box and the program keeps
# running, and the next Ctrl+Q after the obstacle is gone ends it.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_copy_program
ini="$E2E_TMP/prog/Tallymate.ini"
title='Tallymate 3.1'
dark_red='#640000'

# The main window's own background, at two places no control covers: left of the operand
# group and in the gap left of the picture (client coordinates, the menu bar included).
e2e_start
if main_id=$(wait_window "$title" 10 "$E2E_PID"); then
  sleep 0.3 # the first paint
  screenshot "$main_id" "$E2E_TMP/first.png"
  check "first start: the window is dark red left of the groups (got $(pixel "$E2E_TMP/first.png" 3 150))" \
    [ "$(pixel "$E2E_TMP/first.png" 3 150)" = "$dark_red" ]
  check "first start: the window is dark red left of the picture (got $(pixel "$E2E_TMP/first.png" 388 100))" \
    [ "$(pixel "$E2E_TMP/first.png" 388 100)" = "$dark_red" ]
  check "first start reads nothing into existence" [ ! -e "$ini" ]

  e2e_quit "first start" "$main_id"
  check "Ctrl+Q created the settings file" [ -f "$ini" ]
  sections=$(tr -d '\r' <"$ini" | grep '^\[' | tr '\n' ' ')
  check "three sections in order (got: $sections)" [ "$sections" = "[Color] [Trackbar] [Calendar] " ]
  keys=$(tr -d '\r' <"$ini" | grep '=' | tr '\n' ' ')
  check "five keys with the defaults (got: $keys)" \
    [ "$keys" = "FormColor=100 Edit=100 max=100 min=100 color=100 " ]
  check "lines end with CR LF" [ "$(grep -c $'\r$' "$ini")" = "$(wc -l <"$ini")" ]
else
  fail "first start: no main window"
fi

# A directory standing where the file belongs: the write fails.
rm -f "$ini"
mkdir "$ini"
e2e_start
if main_id=$(wait_window "$title" 10 "$E2E_PID"); then
  focus_window "$main_id"
  key ctrl+q
  check "an unwritable file: Ctrl+Q shows the error box" wait_for 5 boxes_are "$main_id" 1
  box=$(boxes "$main_id")
  check "the program keeps running" kill -0 "$E2E_PID"
  if [ -n "$box" ]; then
    screenshot "$box" "$E2E_TMP/box.png"
    focus_window "$box"
    key Return
    check "OK closes the box" wait_for 5 boxes_are "$main_id" 0
    check "the main window stays open" [ -n "$(visible_windows "$title" "$E2E_PID")" ]
  fi
  # With the obstacle gone, the next close writes the file and ends the program.
  rmdir "$ini"
  e2e_quit "the next close" "$main_id"
  check "and writes the file" [ -f "$ini" ]
else
  fail "start beside an unwritable file: no main window"
fi

e2e_finish

#!/usr/bin/env bash
# A digit typed into the month calendar right before quitting: the calendar takes no typed dates
# (Qt's typed-date editor would stay open a few seconds and leak when the program quits), and
# the program ends cleanly, with code 0 and nothing printed (under the sanitizers: no leak
# report). Options: those of lib.sh.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_copy_program
export LC_ALL=ru_RU.UTF-8
for try in 1 2 3; do
  e2e_start
  main=$(wait_window 'Tallymate 3.1' 10 "$E2E_PID") || { fail "no main window"; e2e_finish; }
  focus_window "$main"
  wait_for 5 has_keyboard "$main" || fail "try $try: the main window has no keyboard"
  # A day in the middle of the calendar (its client area starts at 392, 144 below the menu bar).
  click_at "$main" 500 270
  e2e_quit "try $try" "" 10 1 ctrl+q
done
check "nothing printed" [ ! -s "$E2E_TMP/program.log" ]
e2e_finish

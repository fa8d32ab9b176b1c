#!/usr/bin/env bash
# The decimal separator of the regional settings in the real program: under Russian settings a
# typed point becomes the comma, and where the point separates (LC_ALL=C) a typed point or comma
# gives a point, so that a fraction typed with either key is added as a number.
# Options: those of lib.sh, and --calc-helper PATH (tests/e2e/calc_windows_e2e.cpp).
. "$(dirname "$0")/lib.sh"

e2e_init "$@"
CALC_HELPER=$E2E_CALC_HELPER
[ -x "$CALC_HELPER" ] || { echo "needs --calc-helper calc_windows_e2e_helper" >&2; exit 2; }
e2e_copy_program

# The answer field's text: Tab from the second operand field lands there with the whole text
# selected, and Ctrl+C copies it (the answer field has no key filter).
answer_is() { # expected
  [ "$("$CALC_HELPER" --clipboard)" = "$1" ]
}

# Types FIRST and SECOND into the operand fields, presses "+" and reads the answer.
add_typed() { # locale first second expected
  export LC_ALL=$1
  e2e_start
  local main
  main=$(wait_window 'Tallymate 3.1' 10 "$E2E_PID") || { fail "$1: no main window"; return; }
  focus_window "$main"
  check "$1: the main window has the keyboard" wait_for 5 has_keyboard "$main"
  type_text "$2"  # the first field has the focus after start-up
  key Tab
  type_text "$3"
  key shift+Tab shift+Tab space  # onto "+", which is before the first field in the tab order
  key Tab Tab ctrl+c             # the command put the focus on the first field
  check "$1: $2 + $3 is $4 (got \"$("$CALC_HELPER" --clipboard)\")" wait_for 3 answer_is "$4"
  check "$1: no message for the typed separator" boxes_are "$main" 0
  e2e_quit "$1" ""
}

add_typed ru_RU.UTF-8 1.5 2,25 '3,75'
add_typed C 1.5 2,25 '3.75'
e2e_finish

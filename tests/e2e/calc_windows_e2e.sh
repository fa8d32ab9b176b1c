#!/usr/bin/env bash
# The three calculation windows in the real program: each opens by its shortcut from the main
# window with its own caption, computes what is typed into it, reports a failing command in one
# error box (not again when the focus comes back after the box), and hides when closed.
# Options: those of lib.sh, and --calc-helper PATH (tests/e2e/calc_windows_e2e.cpp).
. "$(dirname "$0")/lib.sh"

e2e_init "$@"
CALC_HELPER=$E2E_CALC_HELPER
[ -x "$CALC_HELPER" ] || { echo "needs --calc-helper calc_windows_e2e_helper" >&2; exit 2; }
e2e_copy_program

main_visible() { [ -n "$(visible_windows 'Tallymate 3.1' "$E2E_PID")" ]; }

# The program's visible window whose caption starts with PREFIX (the caption itself is checked
# separately, so that a wrong caption is reported and the rest still runs).
program_window() { # prefix
  xdotool search --onlyvisible --all --pid "$E2E_PID" --name "^$(_e2e_regex_quote "$1")" \
    2>/dev/null | head -n 1
}
has_window() { [ -n "$(program_window "$1")" ]; }
no_window() { [ -z "$(program_window "$1")" ]; }

# One error box appears; Return dismisses it; when the focus is back, no second one follows.
expect_one_error_box() { # what
  if ! wait_for 5 boxes_are "$main" 1; then
    fail "$1: no error box"
    return
  fi
  key Return
  check "$1: the error box closes" wait_for 5 boxes_are "$main" 0
  sleep 0.5
  check "$1: no second error box" boxes_are "$main" 0
}

# Opens a window by its shortcut on the main window; sets win.
open_window() { # shortcut caption
  focus_window "$main"
  key "$1"
  if ! wait_for 5 has_window "$2"; then
    fail "$1 opens no window \"$2\""
    return 1
  fi
  win=$(program_window "$2")
  check "$1 opens a window captioned exactly \"$2\" (got \"$(xdotool getwindowname "$win")\")" \
    [ "$(xdotool getwindowname "$win")" = "$2" ]
  [ "$E2E_WM" = 1 ] && check "\"$2\" becomes the active window" wait_for 5 active_is "$win"
  focus_window "$win"
  check "\"$2\" has the keyboard" wait_for 5 has_keyboard "$win"
}

close_window() { # caption
  "$CALC_HELPER" --close "$win"
  check "\"$1\" hides when closed" wait_for 5 no_window "$1"
  check "the program still runs after \"$1\" closed" kill -0 "$E2E_PID"
}

# The text of the field at x y, copied with Ctrl+A Ctrl+C.
field_text() { # x y
  click_at "$win" "$1" "$2"
  key ctrl+a ctrl+c
  sleep 0.2
  "$CALC_HELPER" --clipboard
}
field_is() { [ "$(field_text "$1" "$2")" = "$3" ]; }

# A part of the window as an image, to compare before and after a command.
region() { # file x y w h
  local shot="$E2E_TMP/shot.png"
  screenshot "$win" "$shot"
  convert "$shot" -crop "$4x$5+$2+$3" +repage "$1"
}
same_image() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }
region_unchanged() { # file-before x y w h
  region "$E2E_TMP/now.png" "$2" "$3" "$4" "$5"
  same_image "$1" "$E2E_TMP/now.png"
}
region_changed() { ! region_unchanged "$@"; }

# The Russian regional settings the program is made for: the decimal separator is ",".
export LC_ALL=ru_RU.UTF-8
e2e_start
main=$(wait_window 'Tallymate 3.1' 10 "$E2E_PID") || { fail "no main window"; e2e_finish; }

# ---- powers and roots (Ctrl+D) ----
caption='Степени и корни'
if open_window ctrl+d "$caption"; then
  type_text '1.1'  # the point becomes the decimal comma
  key Tab          # into the exponent field, its text selected
  check "the exponent starts at 2" field_is 30 83 '2'
  type_text '100'
  key Tab          # onto "Возвести в степень": the power runs
  check "1,1 to the power 100" wait_for 3 field_is 150 130 '13780,6123398224'
  click_at "$win" 150 42 2  # a double click empties the number
  type_text '-4'
  key shift+Tab      # back onto "Вывести из корня": the root of -4 fails
  expect_one_error_box "root of -4"
  check "the answer stays after the failure" field_is 150 130 '13780,6123398224'
  close_window "$caption"
  if open_window ctrl+d "$caption"; then
    check "the exponent keeps its text" field_is 30 83 '100'
    close_window "$caption"
  fi
fi

# ---- quadratic equation (Ctrl+K) ----
caption='Квадратные уравнения'
if open_window ctrl+k "$caption"; then
  region "$E2E_TMP/lines0.png" 0 107 388 61
  region "$E2E_TMP/line3_0.png" 0 150 388 18
  for coefficient in 1 1 -1; do
    type_text "$coefficient"
    key Tab
  done
  check "solving writes the result lines" wait_for 3 region_changed "$E2E_TMP/lines0.png" 0 107 388 61
  check "two roots fill the second root line" region_changed "$E2E_TMP/line3_0.png" 0 150 388 18
  key Tab space  # "Новое уравнение"
  check "\"Новое уравнение\" empties the lines" wait_for 3 region_unchanged "$E2E_TMP/lines0.png" 0 107 388 61
  key Tab  # back in a
  type_text '0.0'
  key Tab
  type_text '-1'
  key Tab
  type_text '5'
  key Tab  # onto "Сосчитать": division by zero after the discriminant line
  expect_one_error_box "a = 0,0"
  check "the discriminant line stays" region_changed "$E2E_TMP/lines0.png" 0 107 388 61
  close_window "$caption"
  if open_window ctrl+k "$caption"; then
    check "reopened empty" region_unchanged "$E2E_TMP/lines0.png" 0 107 388 61
    close_window "$caption"
  fi
fi

# ---- arithmetic mean (Ctrl+R) ----
caption='Среднее арифметическое'
if open_window ctrl+r "$caption"; then
  region "$E2E_TMP/list0.png" 0 0 153 168
  region "$E2E_TMP/mean0.png" 157 147 282 21
  click_at "$win" 70 100  # into the empty list: the mean of nothing
  expect_one_error_box "mean of the empty list"
  click_at "$win" 210 122  # a click empties the field
  for n in 1 2 4; do
    type_text "$n"
    click_at "$win" 277 92  # "Добавить"
  done
  check "the numbers are listed" region_changed "$E2E_TMP/list0.png" 0 0 153 168
  click_at "$win" 197 92  # "Сосчитать"
  check "the mean is shown" wait_for 3 region_changed "$E2E_TMP/mean0.png" 157 147 282 21
  click_at "$win" 360 92  # "Очистить всё"
  sleep 0.5
  check "clearing runs no mean" boxes_are "$main" 0
  check "clearing empties the result line" region_unchanged "$E2E_TMP/mean0.png" 157 147 282 21
  key Tab  # from no focus onto the list: the mean of nothing again
  expect_one_error_box "Tab onto the cleared list"
  close_window "$caption"
fi

check "the main window is still there" main_visible
e2e_finish

#!/usr/bin/env bash
# No window lost under a window manager that draws minimise boxes (openbox does, although the
# program asks for none): a minimised calculation window comes back, raised and active, through
# its shortcut; a minimised About window, or one another client unmapped, comes back when the
# main window is clicked.
# Options: those of lib.sh (run it with --wm), and --calc-helper PATH.
. "$(dirname "$0")/lib.sh"

e2e_init "$@"
CALC_HELPER=$E2E_CALC_HELPER
[ "$E2E_WM" = 1 ] || { echo "needs --wm: only a window manager minimises windows" >&2; exit 2; }
[ -x "$CALC_HELPER" ] || { echo "needs --calc-helper calc_windows_e2e_helper" >&2; exit 2; }
e2e_copy_program

viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
hidden() { ! viewable "$1"; }
# The window manager has taken the window on (a request to minimise before that is lost).
managed() { xprop -id "$1" WM_STATE 2>/dev/null | grep -q 'window state: Normal'; }
# The menu "Помощь" opened by a click: its popup is a window of the program beside the main one.
open_help_menu() {
  click_at "$main" 160 9
  wait_for 10 has_other_window "$main" || fail "the menu does not open"
}
minimise() { # window
  wait_for 10 managed "$1" || fail "the window manager never took on window $1"
  xdotool windowminimize "$1"
}

export LC_ALL=ru_RU.UTF-8
e2e_start
main=$(wait_window 'Tallymate 3.1' 10 "$E2E_PID") || { fail "no main window"; e2e_finish; }

for shortcut in ctrl+d:'Степени и корни' ctrl+k:'Квадратные уравнения' ctrl+r:'Среднее арифметическое'; do
  keys=${shortcut%%:*}
  title=${shortcut#*:}
  focus_window "$main"
  key "$keys"
  win=$(wait_window "$title" 10 "$E2E_PID") || { fail "$keys opens no window \"$title\""; continue; }
  minimise "$win"
  check "\"$title\" is minimised" wait_for 10 hidden "$win"
  focus_window "$main"
  key "$keys"
  check "$keys brings the minimised \"$title\" back" wait_for 10 viewable "$win"
  check "\"$title\" is the active window again" wait_for 10 active_is "$win"
  "$CALC_HELPER" --close "$win"
  check "\"$title\" closes" wait_for 10 hidden "$win"
done

# The About window through the menu "Помощь", its first item "О программе".
focus_window "$main"
open_help_menu
key Down Return
about=$(wait_window 'О программе Tallymate 3.1' 10 "$E2E_PID") || { fail "no About window"; e2e_finish; }
minimise "$about"
check "the About window is minimised" wait_for 10 hidden "$about"
# The user clicks the main window, which the window manager may have activated already.
click_at "$main" 300 200
check "a click on the main window brings the About window back" wait_for 10 viewable "$about"
check "the About window is the active window" wait_for 10 active_is "$about"
"$CALC_HELPER" --close "$about"
check "the About window closes" wait_for 10 hidden "$about"

# Hidden by another client without being minimised (unmapped): a click on the blocked main window
# brings it back as well.
focus_window "$main"
open_help_menu
key Down Return
about=$(wait_window 'О программе Tallymate 3.1' 10 "$E2E_PID") || { fail "no About window"; e2e_finish; }
wait_for 10 managed "$about" || fail "the window manager never took on the About window"
xdotool windowunmap "$about"
check "the About window is unmapped" wait_for 10 hidden "$about"
click_at "$main" 300 200
check "a click on the main window brings the unmapped About window back" wait_for 10 viewable "$about"
"$CALC_HELPER" --close "$about"
check "the About window closes again" wait_for 10 hidden "$about"

e2e_quit "after the windows came back" "$main"
e2e_finish

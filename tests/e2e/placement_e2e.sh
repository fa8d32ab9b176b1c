#!/usr/bin/env bash
# Where the program puts its windows on the screen: the main window's frame, title bar counted,
# at the centre of the screen when first shown, and the information message and the error box
# at the centre as well. Options: those of lib.sh.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_copy_program

# The window with its frame: the window manager's frame is the client's ancestor below the root.
frame_of() { # window
  local id=$1 line
  while line=$(xwininfo -children -id "$id" 2>/dev/null | grep 'Parent window id:'); do
    [[ $line == *"(the root window)"* ]] && break
    id=$(awk '{print $4}' <<<"$line")
  done
  echo "$id"
}

# Distance of the frame's centre from the screen's centre, as "dx dy".
off_centre() { # window
  local info x y w h screen sw sh
  info=$(xwininfo -id "$(frame_of "$1")")
  x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
  y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
  w=$(awk '/Width:/ {print $2}' <<<"$info")
  h=$(awk '/Height:/ {print $2}' <<<"$info")
  screen=$(xwininfo -root)
  sw=$(awk '/Width:/ {print $2}' <<<"$screen")
  sh=$(awk '/Height:/ {print $2}' <<<"$screen")
  echo "$((x + w / 2 - sw / 2)) $((y + h / 2 - sh / 2))"
}
centred() { # window
  local d
  read -r -a d <<<"$(off_centre "$1")"
  [ "${d[0]#-}" -le 1 ] && [ "${d[1]#-}" -le 1 ]
}

box_window() { boxes "$main" | grep -m 1 .; }

# A box appears, sits at the centre once the window manager has framed it, and Return closes it.
expect_centred_box() { # what
  local box
  if ! box=$(wait_for 5 box_window); then
    fail "$1: no box"
    return
  fi
  check "$1 at the centre of the screen (off by $(off_centre "$box"))" wait_for 10 centred "$box"
  # The window manager may frame and place a box before it gives it the keyboard.
  check "$1 has the keyboard" wait_for 5 has_keyboard "$box"
  key Return
  check "$1 closes" wait_for 5 bash -c "! xwininfo -id $box 2>/dev/null | grep -q IsViewable"
}

export LC_ALL=ru_RU.UTF-8
e2e_start
main=$(wait_window 'Tallymate 3.1' 10 "$E2E_PID") || { fail "no main window"; e2e_finish; }
check "the main window at the centre of the screen (off by $(off_centre "$main"))" \
  wait_for 10 centred "$main"
# Given the keyboard as it shows, and back after each box, by the window manager or, on a bare X
# server, by the program itself: the test never hands it over.
check "the main window has the keyboard once shown" wait_for 5 has_keyboard "$main"
type_text 'a'  # refused by the first field: the information message
expect_centred_box "the information message"
check "the main window has the keyboard back" wait_for 5 has_keyboard "$main"
type_text '1'
key Tab
type_text '-'   # a lone minus in the second field
key shift+Tab shift+Tab space  # "+": the conversion fails
expect_centred_box "the error box"
check "the main window has the keyboard back after the error box" wait_for 5 has_keyboard "$main"
key ctrl+e  # the settings window takes the keyboard, and gives it back when its OK closes it
if settings=$(wait_window 'Настройки' 5 "$E2E_PID"); then
  check "the settings window has the keyboard" wait_for 5 has_keyboard "$settings"
  key Tab Tab Return
fi
check "the main window has the keyboard back after the settings window" \
  wait_for 5 has_keyboard "$main"
e2e_quit "the shortcut, not a letter typed into the field" ""
e2e_finish

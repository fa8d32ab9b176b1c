#!/usr/bin/env bash
# Choosing a picture that takes seconds to read, through the real file dialog: the main window
# goes on answering the window manager's pings, a progress dialog with its Russian texts appears,
# Escape stops the reading at once and the old picture stays. A small picture shows no dialog.
# Escape before the dialog shows stops the reading too, and a close of the window while it is
# read ends the program as a close does.
# Options: those of lib.sh (--helper is the X client that pings, --calc-helper closes a window
# as its close box does).
. "$(dirname "$0")/lib.sh"

e2e_init "$@"
[ -x "$E2E_HELPER" ] || { echo "needs --helper x_title_window" >&2; exit 2; }
[ -x "$E2E_CALC_HELPER" ] || { echo "needs --calc-helper calc_windows_e2e_helper" >&2; exit 2; }
e2e_copy_program
export LANG=ru_RU.UTF-8

slow=$E2E_TMP/slow.png
e2e_slow_png "$slow"
small=$E2E_TMP/small.bmp
convert -size 40x30 xc:'#ff0000' "BMP3:$small"

# The progress dialog, or a message: the one window of the program titled as it, besides the main
# window.
has_box() { boxes_are "$main" 1; }
no_box() { boxes_are "$main" 0; }

# Chooses FILE in the picture command's file dialog.
choose() { # file
  focus_window "$main"
  key ctrl+i
  wait_for 10 has_other_window "$main" || { fail "the file dialog did not open"; return 1; }
  # Without a window manager nobody hands the new dialog the keyboard.
  local dialog
  dialog=$(other_windows "$main" | head -n 1)
  focus_window "$dialog"
  wait_for 5 has_keyboard "$dialog" || { fail "the file dialog has no keyboard"; return 1; }
  key ctrl+a
  type_text "$1"
  key Return
}

# The colour in the middle of the picture area (209 x 145 at 392, 0 of the client area).
picture_colour() { # file
  local geometry x y
  geometry=$(xwininfo -id "$main" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} END {print x, y}')
  import -window root "$1"
  read -r x y <<<"$geometry"
  # The menu bar lies above the client area; the picture's middle is well inside it either way.
  pixel "$1" $((x + 392 + 104)) $((y + 40 + 72))
}

e2e_start
main=$(wait_window 'Tallymate 3.1' 10 "$E2E_PID") || { fail "no main window"; e2e_finish; }
focus_window "$main"
sleep 0.5
before=$(picture_colour "$E2E_TMP/before.png")

choose "$slow"
"$E2E_HELPER" --ping "$main" 2500 >"$E2E_TMP/ping.txt" &
pinger=$!
check "the progress dialog appears" wait_for 5 has_box
dialog=$(boxes "$main" | head -n 1)
if [ -n "$dialog" ]; then
  screenshot "$dialog" "$E2E_TMP/progress.png"
  [ -n "${E2E_SHOTS:-}" ] && cp "$E2E_TMP/progress.png" "$E2E_SHOTS/progress.png"
  texts=$(xdotool getwindowname "$dialog")
  check "the dialog bears the program's title (\"$texts\")" [ "$texts" = 'Tallymate 3.1' ]
fi
wait "$pinger"
read -r _ pings _ answered _ longest <"$E2E_TMP/ping.txt"
e2e_log "pings $pings answered $answered longest ${longest} ms"
check "the main window answers every ping while the picture is read" [ "$answered" -ge $((pings - 2)) ]
check "no ping waits as long as a second (${longest} ms)" [ "${longest:-9999}" -lt 1000 ]

escape_at=$(now_ms)
key Escape
check "Escape closes the dialog" wait_for 5 no_box
stopped_ms=$(($(now_ms) - escape_at))
e2e_log "the dialog was gone ${stopped_ms} ms after Escape"
check "the reading stops within a second (${stopped_ms} ms)" [ "$stopped_ms" -lt 1000 ]
sleep 0.3
check "no message after the stop" no_box
after=$(picture_colour "$E2E_TMP/after.png")
check "the old picture stays ($before, now $after)" [ "$before" = "$after" ]

choose "$small"
shown=0
for ((n = 0; n < 20; n++)); do
  no_box || shown=1
  sleep 0.05
done
check "a small picture shows no dialog" [ "$shown" = 0 ]
red() { [ "$(picture_colour "$E2E_TMP/red.png")" = '#FF0000' ]; }
check "the small picture is shown" wait_for 3 red
check "the main window has the keyboard back after the file dialog" wait_for 5 has_keyboard "$main"

# Escape at once, before the dialog shows: the reading stops, and the key reaches no field
# (where it would bring "Вводите только числа!").
choose "$slow"
focus_window "$main"
key Escape
sleep 1.5
check "an early Escape leaves no dialog and no message" no_box
check "the picture after the early Escape is the small one" red

e2e_quit "after the pictures" "$main"

# The window closed by the window manager while the picture is read, before its dialog shows
# and with it: the reading stops and the program ends as at a close, its settings written.
for when in before with; do
  rm -f "$E2E_TMP/prog/Tallymate.ini"
  e2e_start
  main=$(wait_window 'Tallymate 3.1' 10 "$E2E_PID") || { fail "no main window"; e2e_finish; }
  focus_window "$main"
  choose "$slow"
  [ "$when" = with ] && check "the progress dialog appears" wait_for 5 has_box
  "$E2E_CALC_HELPER" --close "$main"
  wait_exit "$E2E_PID" 3
  check "closed $when the dialog: the program ends at once (exit $E2E_EXIT_CODE)" [ "$E2E_EXIT_CODE" = 0 ]
  check "closed $when the dialog: the settings are written" [ -s "$E2E_TMP/prog/Tallymate.ini" ]
done
e2e_finish

#!/usr/bin/env bash
# What a blind user hears: Orca, Debian's screen reader, on the test's own AT-SPI bus, with its
# debug log as the record of what it speaks. The four windows are walked by keys with a command
# in each, then the month calendar, the menu bar, a field's context menu, the default settings
# and the settings window, a message box, a picture read with its progress dialog and the About
# window; each step must be spoken. Orca runs in Russian, as such a user would run it. An Orca of
# the same user outside the test (here a stand-in process named orca) is neither killed nor in
# the way.
# With TALLYMATE_ORCA_SPEECH=FILE, every step and what Orca said for it is kept in FILE.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"
command -v orca >/dev/null || { echo "orca is missing" >&2; exit 2; }
said="$E2E_TMP/orca.log"

e2e_start_atspi
export LC_ALL=ru_RU.UTF-8
# No speech server: Orca logs what it would say all the same, and a server it started would
# outlive the test.
mkdir -p "$HOME/.config/speech-dispatcher"
echo DisableAutoSpawn >"$HOME/.config/speech-dispatcher/speechd.conf"

# The user's own screen reader, on another session bus: it must survive the test.
mkdir -p "$E2E_TMP/users-orca"
cp "$(command -v sleep)" "$E2E_TMP/users-orca/orca"
DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/the-users-own-bus "$E2E_TMP/users-orca/orca" 600 &
users_orca=$!
e2e_track "$users_orca"

/usr/bin/python3 "$(dirname "$0")/orca_log.py" "$said" >"$E2E_TMP/orca.out" 2>&1 &
e2e_track $!
spoken() { grep -a 'SPEECH OUTPUT:' "$said" 2>/dev/null | sed "s/^.*SPEECH OUTPUT: '//; s/'[ {].*$//"; }
started() { spoken | grep -q .; }
wait_for 20 started || { fail "Orca did not start speaking"; cat "$E2E_TMP/orca.out" >&2; e2e_finish; }

# What Orca says after the mark: every phrase must come, in any order, within a few seconds.
mark() { heard_from=$(($(spoken | wc -l) + 1)); }
said_since_mark() { spoken | tail -n +"$heard_from"; }
says() { said_since_mark | grep -qF -- "$1"; }
# Nothing said since the mark matches the pattern.
unsaid() { ! said_since_mark | grep -qE -- "$1"; }
hear() { # step, phrases...
  local step=$1 phrase
  shift
  for phrase in "$@"; do
    # Orca falls behind on a busy machine: what it must say may come late.
    if wait_for 20 says "$phrase"; then
      e2e_log "ok: $step: Orca says «$phrase»"
    else
      fail "$step: Orca does not say «$phrase»; it said: $(said_since_mark | tr '\n' '|')"
    fi
  done
}
step() { # keys-or-text, then the phrases it must bring
  local what=$1
  shift
  mark
  case $what in
    type:*) type_text "${what#type:}" ;;
    *) key $what ;;
  esac
  hear "$what" "$@"
  [ -z "${TALLYMATE_ORCA_SPEECH:-}" ] || {
    wait_for 1 false
    echo "$what: $(said_since_mark | tr '\n' '|')" >>"$TALLYMATE_ORCA_SPEECH"
  }
}

# The windows stay open; the window manager gives the main window the focus again, and its
# field is said with it.
back_to_main() {
  mark
  focus_window "$main"
  hear "back in the main window" "Первое число"
}

e2e_copy_program
mark
e2e_start
main=$(wait_window 'Tallymate 3.1' 10 "$E2E_PID") || { fail "no main window"; e2e_finish; }
focus_window "$main"
hear "start" "Tallymate 3.1" "Первое число"

# The main window: a sum, heard from the answer field that does not take the focus.
step type:1,5 "5"
step Tab "Второе число"
step type:2 "2"
step Tab "Ответ"  # the empty answer field is named
step "shift+Tab shift+Tab shift+Tab" "+"
step space "1,5 выделен" "Ответ 3,5"  # the field the focus goes back to, read whole
step "1 0 0 Tab" "Второе число"
step shift+Tab "100 выделен"

# The powers window: opened by its shortcut, the focused field is said with the window.
step ctrl+d "Степени и корни" "Введите число или подкоренное выражение"
step type:2 "2"
step Tab "Степень"
step type:10 "0"
step Tab "Ответ: 1024"  # the power runs on the button and the focus goes back to the number
back_to_main

# The quadratic window: every coefficient field said on Tab, the result lines heard.
step ctrl+k "Квадратные уравнения" "a="
step "1 Tab" "b="
step "minus 3 Tab" "c="
step "2 Tab" "D>0, Уравнение имеет два корня, дискриминант=1" "x1=2" "x2=1"
back_to_main

# The mean window: two numbers added, then "Сосчитать".
step ctrl+r "Среднее арифметическое" "Вводите постепенно символы в строку"
step "4 Tab" "Добавить"
step space "Вводите постепенно символы в строку"
step "2 Tab Tab" "Добавить"
step space "Вводите постепенно символы в строку"
step shift+Tab "Сосчитать"
step space "Среднее арифметическое=3"
back_to_main

# The month calendar, six Tabs from the first field: its month and year as it takes the focus,
# the day with its weekday as the selection moves, the month as it changes. What the day is
# called comes from the system's own Russian calendar names.
ru_date() { # date's arguments; in lower case, as Russian writes months and weekdays in a sentence
  local text
  text=$(LC_ALL=ru_RU.UTF-8 date "$@")
  echo "${text,,}"
}
# Never a table, its week rows (lone numbers) or its column headers.
step "Tab Tab Tab Tab Tab Tab" "$(ru_date +'%OB %Y')" "выбрано $(ru_date +'%-d %B %Y, %A')"
check "the calendar taking the focus is no table" unsaid 'таблица'
week_row='заголовок|^[0-9]+\.$'
step Right "$(ru_date -d tomorrow +'%-d %B %Y, %A')"
check "Right in the calendar reads no week row" unsaid "$week_row"
step Next "$(ru_date -d "$(ru_date -d tomorrow +%Y-%m-15) + 1 month" +'%OB %Y')"
check "Page Down in the calendar reads no week row" unsaid "$week_row"
# Back past both sliders, which bear the fields' names too.
step "shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab" "Первое число текст"

# The menu bar: each menu opened by the arrows says its first command.
step F10 "Программа"
step Right "Степени и корни"
step Right "О программе"
step "Escape Escape" "Первое число"

# A field's context menu from the keyboard, both ways.
step shift+F10 "Отменить действие"
step Escape "Первое число"
step Menu "Отменить действие"
step Escape "Первое число"

# The default settings, and the settings window's range, heard in the main window; a range the
# window refuses empties the minimum to 0, which is said too.
# (Here, after the context menus: the range empties the first field, and its menu with it.)
step F4 "Цвета по умолчанию, полосы прокрутки: от 0 до 200"
step ctrl+e "Настройки" "Min"
key Tab shift+Tab  # the minimum, selected
type_text 50
key Tab
type_text 150
step "Tab space" "Полоса прокрутки: от 50 до 150"
step ctrl+e "Настройки" "OK"  # the window keeps its focus
key shift+Tab shift+Tab
type_text 9
key Tab
type_text 5
step "Tab space" "Первое число не может быть больше второго"
step Return "Min теперь 0"
back_to_main

# A message box, and the field said again once it closes.
step type:x "Вводите только числа!" "OK"
step Return "Первое число"

# A picture that takes seconds to read: the progress dialog's text, then how it ended. The file
# dialog's name field, opened again, reads the name it keeps whole.
# The pictures lie in the program's folder, where the file dialog opens: short names to type,
# little for Orca to echo.
e2e_slow_png "$E2E_TMP/prog/slow.png"
convert -size 40x30 xc:'#ff0000' "BMP3:$E2E_TMP/prog/small.bmp"
step ctrl+i "Открыть"
type_text slow.png
step Return "Загрузка картинки…"
step Escape "Загрузка отменена, картинка прежняя"
step ctrl+i "slow.png выделен"
type_text small.bmp
step Return "Новая картинка показана"

# The About window, through the menu.
step "F10 Left Home Return" "О программе Tallymate 3.1"
step Tab "ссылка"  # the e-mail address, a link that opens with Enter
step Escape "Первое число"
check "the user's own Orca outside the test still runs" kill -0 "$users_orca"
e2e_finish

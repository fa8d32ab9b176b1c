#!/usr/bin/env bash
# The program as a screen reader meets it: through AT-SPI on a private D-Bus session bus with its
# own accessibility bus. Fields are found by their names, typed into, and the answer is read by
# its name; then every window is opened by keyboard and its controls must all carry names.
# With TALLYMATE_ATSPI_DUMP=FILE the tree of the six windows is kept in FILE.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"
client="$(dirname "$0")/atspi_client.py"
dump="$E2E_TMP/atspi-tree.txt"

e2e_start_atspi
atspi() { timeout 60 /usr/bin/python3 "$client" "$@"; }

e2e_copy_program
# The Russian numeric format, as ./run starts the program: the typed point becomes a comma.
export LC_ALL=ru_RU.UTF-8
e2e_start
main=$(wait_window 'Tallymate 3.1' 10 "$E2E_PID") || { fail "the main window did not open"; e2e_finish; }
focus_window "$main"

check "fields found by name, typed into, the answer read by name" atspi calculate
check "a field's focus is heard before its caret, by Tab, Shift+Tab and a click" atspi focus-order

# Every window, opened by its keys; the About window through F10 and the menu.
key ctrl+d
check "powers window in the tree" atspi wait-window 'Степени и корни'
key ctrl+k
check "quadratic window in the tree" atspi wait-window 'Квадратные уравнения'
key ctrl+r
check "mean window in the tree" atspi wait-window 'Среднее арифметическое'
key ctrl+e
check "settings window in the tree" atspi wait-window 'Настройки'
focus_window "$main"
# F10 opens the first menu; Left wraps round to "Помощь", whose first item is "О программе".
key F10 Left Home Return
check "About window opened by the keyboard" atspi wait-window 'О программе Tallymate 3.1'
check "every focusable control of the six windows has a name" atspi dump "$dump"
[ -n "${TALLYMATE_ATSPI_DUMP:-}" ] && cp "$dump" "$TALLYMATE_ATSPI_DUMP"
key Escape
check "Escape closes the About window" atspi gone-window 'О программе Tallymate 3.1'

for want in '[text] "Первое число"' '[text] "Второе число"' '[text] "Ответ"' \
  '[slider] "Первое число, от 100 до 100"' '[text] "Степень"' '[text] "Min"' '[text] "Max"' \
  '[list] "Введённые числа"' '[image] "Картинка"' '[status bar] "Строка состояния"'; do
  check "the tree holds $want" grep -qF -- "$want" "$dump"
done
e2e_finish

#!/usr/bin/env bash
# Screenshots of the real program's six windows for the README, taken under Xvfb with openbox
# for the window frames:  scripts/screenshots.sh [--dark] [EXECUTABLE [OUTPUT_DIR]]
# (defaults: build/app/tallymate, docs/screenshots). The program starts from a private copy
# without a settings file, and F4 puts the default settings in place before the pictures.
# With --dark the desktop palette is GNOME's Adwaita dark (through Qt's gtk3 theme), the main
# window shows a sum and the calculation windows numbers, and each file is named NAME-dark.png.
set -euo pipefail
suffix=""
if [ "${1:-}" = --dark ]; then
  shift
  suffix=-dark
  export QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark
fi
root=$(cd "$(dirname "$0")/.." && pwd)
exe=$(realpath "${1:-$root/build/app/tallymate}")
out=${2:-$root/docs/screenshots}
mkdir -p "$out"
out=$(realpath "$out")

. "$root/tests/e2e/lib.sh"
e2e_init --exe "$exe" --wm
e2e_copy_program
# The Russian desktop the program is made for (month names, decimal comma).
export LANG=ru_RU.UTF-8

# The window with its frame: the window manager's frame is the client's parent below the root.
frame_of() {
  local id=$1 line
  while line=$(xwininfo -children -id "$id" | grep 'Parent window id:'); do
    [[ $line == *"(the root window)"* ]] && break
    id=$(awk '{print $4}' <<<"$line")
  done
  echo "$id"
}

shoot() { # title file
  local id
  id=$(wait_window "$1" 10 "$E2E_PID") || { echo "no window \"$1\"" >&2; exit 1; }
  xdotool windowraise "$id"
  sleep 0.4 # painting
  local file=${2%.png}$suffix.png
  import -window "$(frame_of "$id")" -strip -define png:exclude-chunks=date,time "$out/$file"
  echo "$out/$file"
}

e2e_start "$root"
main=$(wait_window 'Tallymate 3.1' 10 "$E2E_PID")
# Away from the corner where the window manager puts the menu pictures' tool tips.
xdotool mousemove 1000 760
focus_window "$main"
key F4
if [ -n "$suffix" ]; then
  type_text 125 # the first field has the focus
  key Tab
  type_text 0,5
  key shift+Tab shift+Tab space # onto "+", before the first field in the tab order
fi
shoot 'Tallymate 3.1' main.png

for shortcut in ctrl+d:'Степени и корни':powers.png ctrl+k:'Квадратные уравнения':quadratic.png \
  ctrl+r:'Среднее арифметическое':mean.png ctrl+e:'Настройки':settings.png; do
  IFS=: read -r keys title file <<<"$shortcut"
  focus_window "$main"
  key "$keys"
  # A number in the window's first field, which has the focus when it opens.
  if [ -n "$suffix" ] && [ "$file" != settings.png ]; then
    wait_window "$title" 10 "$E2E_PID" >/dev/null
    type_text 2,5
  fi
  shoot "$title" "$file"
done

# The About window through the menu "Помощь", its first item "О программе".
focus_window "$main"
xdotool windowraise "$main"
xdotool mousemove --window "$main" 160 9 click 1
sleep 0.5
key Down Return
shoot 'О программе Tallymate 3.1' about.png
xdotool mousemove 1000 760

#!/usr/bin/env bash
# Checks that the Qt Designer forms are stored exactly as Designer writes them: each form is
# opened in Qt Designer under a private Xvfb, saved unchanged (Ctrl+S), and compared byte for byte
# with the stored one. Prints Designer's changes as a diff and fails when a form changed.
#   scripts/check_forms.sh [--designer PATH] [--update] [FORM.ui...]
# (default: every form in ui/windows/). --update writes Designer's version back into the tree.
# Designer comes with the Debian package qt6-tools-dev-tools; exit code 77 when it is missing.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
designer=/usr/lib/qt6/bin/designer
update=0
forms=()
while [ $# -gt 0 ]; do
  case $1 in
    --designer) designer=$2; shift 2 ;;
    --update) update=1; shift ;;
    -*) echo "check_forms.sh: unknown option $1" >&2; exit 2 ;;
    *) forms+=("$(realpath "$1")"); shift ;;
  esac
done
[ ${#forms[@]} -gt 0 ] || forms=("$root"/ui/windows/*.ui)
if [ ! -x "$designer" ]; then
  echo "check_forms.sh: no Qt Designer at $designer (apt-get install qt6-tools-dev-tools)" >&2
  exit 77
fi

. "$root/tests/e2e/lib.sh"
e2e_init
# Designer's own settings, backups and temporary files stay in the private folder.
export XDG_CONFIG_HOME="$HOME/.config" TMPDIR="$E2E_TMP/tmp"
mkdir -p "$TMPDIR"

# The forms name the resource file by a path relative to themselves: each is saved from a copy
# at its place in a copy of the tree, with the resource file and its pictures beside it.
copy=$E2E_TMP/tree
mkdir -p "$copy"
cp -r "$root/assets" "$copy/"

# Which file a name stands for, and when it was written: Designer saves into a new file that it
# renames into place, so a change here means the saved form is there whole.
version() { stat -c '%i %.9Y' "$1"; }

save_in_designer() { # form copy
  local form=$1 before pid main tries
  before=$(version "$form")
  (cd "$(dirname "$form")" && exec "$designer" "$(basename "$form")") >>"$E2E_TMP/designer.log" 2>&1 &
  pid=$!
  e2e_track "$pid"
  if ! main=$(wait_window 'Qt Designer' 30 "$pid"); then
    echo "Designer showed no window for $form" >&2
    return 1
  fi
  # Designer reads the form before it handles its first key; a Ctrl+S that comes before the form
  # is active saves nothing, and is sent again.
  for ((tries = 0; tries < 20; tries++)); do
    focus_window "$main"
    xdotool key ctrl+s
    wait_for 1 test "$(version "$form")" != "$before" && break
  done
  e2e_stop "$pid"
  if [ "$(version "$form")" = "$before" ]; then
    echo "Designer did not save $form" >&2
    return 1
  fi
}

failed=0
for form in "${forms[@]}"; do
  relative=${form#"$root"/}
  saved=$copy/$relative
  mkdir -p "$(dirname "$saved")"
  cp "$form" "$saved"
  if ! save_in_designer "$saved"; then
    failed=1
    continue
  fi
  if cmp -s "$form" "$saved"; then
    echo "unchanged by Designer: $relative"
  else
    echo "changed by Designer: $relative"
    diff -u --label "$relative" --label "$relative (Designer)" "$form" "$saved"
    if [ "$update" = 1 ]; then
      cp "$saved" "$form"
    else
      failed=1
    fi
  fi
done
if [ "$failed" = 1 ] && [ -s "$E2E_TMP/designer.log" ]; then
  echo "Designer's output:" >&2
  cat "$E2E_TMP/designer.log" >&2
fi
exit "$failed"

#!/usr/bin/env bash
# The portable archive: cpack packs the per-user install as one .tar.gz. Unpacked into a fresh
# folder (the staging folder gone), it holds the stripped program with full RELRO, help.txt and
# Licence.txt in share/tallymate, the icons, and a menu entry and AppStream description that
# validate and share one id. Its menu entry, linked into the user's menu and started by GLib's
# launcher (as GNOME's menu starts it) from another folder, starts the program in its own folder:
# F1 opens the unpacked help.txt, and closing the window with Alt+F4 writes Tallymate.ini beside
# the program. dex, which fills in no %k, starts the linked entry too.
#   archive_test.sh --build BUILD_DIR --cpack CPACK [--wm]
. "$(dirname "$0")/lib.sh"
e2e_init "$@"
build=$E2E_BUILD
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
app_id=example.tallymate.tallymate
title='Tallymate 3.1'

# The install manifest of a real install is what uninstalling goes by: cpack must leave it alone.
manifest_before=$(md5sum "$build/install_manifest.txt" 2>&1)
out="$E2E_TMP/out"
if ! "$E2E_CPACK" --config "$build/CPackConfig.cmake" -B "$out" >"$E2E_TMP/cpack.log" 2>&1; then
  cat "$E2E_TMP/cpack.log" >&2
  fail "cpack failed"
  e2e_finish
fi
check "cpack leaves the install manifest alone" \
  [ "$(md5sum "$build/install_manifest.txt" 2>&1)" = "$manifest_before" ]
archives=("$out"/*.tar.gz)
check "cpack makes one .tar.gz (made: ${archives[*]##*/})" [ ${#archives[@]} = 1 -a -f "${archives[0]}" ]
# A blank in the path must not break the menu entry's command.
unpacked="$E2E_TMP/unpacked here"
mkdir -p "$unpacked"
tar -xzf "${archives[0]}" -C "$unpacked" || fail "the archive does not unpack"
rm -rf "$out" # nothing may point back into cpack's staging folder
folders=("$unpacked"/*)
check "the archive holds one folder, named after it" \
  [ ${#folders[@]} = 1 -a "${folders[0]##*/}" = "$(basename "${archives[0]}" .tar.gz)" ]
top=$(cd "${folders[0]}" && pwd -P)
lib="$top/lib/tallymate"

check "the program is in lib/tallymate" test -x "$lib/tallymate" -a ! -L "$lib/tallymate"
check "bin/tallymate reaches the launcher" [ "$top/bin/tallymate" -ef "$top/libexec/tallymate/tallymate" ]
check "help.txt in share/tallymate" cmp -s "$source_dir/help.txt" "$top/share/tallymate/help.txt"
check "Licence.txt in share/tallymate" cmp -s "$source_dir/Licence.txt" "$top/share/tallymate/Licence.txt"
check "the program is stripped" [ -z "$(nm "$lib/tallymate" 2>&1 | grep -v 'no symbols')" ]
# Full RELRO: a read-only relocation segment, and every symbol bound at start.
check "the program has a GNU_RELRO segment" grep -q GNU_RELRO <(readelf -lW "$lib/tallymate")
check "the program binds every symbol at start (FLAGS_1 NOW)" \
  grep -qE '\(FLAGS_1\).* NOW( |$)' <(readelf -dW "$lib/tallymate")
for size in 256 48; do
  icon="$top/share/icons/hicolor/${size}x${size}/apps/tallymate.png"
  check "icon ${size}x${size}" [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x${size}" ]
done
entry="$top/share/applications/$app_id.desktop"
metainfo="$top/share/metainfo/$app_id.metainfo.xml"
check "the menu entry validates" entry_validates "$entry"
check "its keywords are English" grep -qE '^Keywords=(.*;)?calculator;' "$entry"
check "and Russian apart" grep -qE '^Keywords\[ru\]=(.*;)?калькулятор;' "$entry"
check "the AppStream description validates" appstreamcli validate --no-net "$metainfo"
check "its id is the file's name" grep -qF "<id>$app_id</id>" "$metainfo"
check "it names the menu entry" grep -qF "<launchable type=\"desktop-id\">$app_id.desktop<" "$metainfo"

# The menu entry put into the menu as the README says, by a link in the user's applications folder,
# and started by the desktop's launcher from elsewhere. A stand-in xdg-open records what F1 opens.
unset XDG_DATA_HOME
mkdir -p "$HOME/.local/share/applications" "$E2E_TMP/bin" "$E2E_TMP/elsewhere"
ln -s "$entry" "$HOME/.local/share/applications/"
opened="$E2E_TMP/opened.log"
: >"$opened"
cat >"$E2E_TMP/bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >>'$opened'
EOF
chmod +x "$E2E_TMP/bin/xdg-open"
export PATH="$E2E_TMP/bin:$PATH"
(cd "$E2E_TMP/elsewhere" && exec python3 "$here/launch_entry.py" "$app_id.desktop") \
  >>"$E2E_TMP/program.log" 2>&1 &
E2E_PID=$!
e2e_track "$E2E_PID"
opened_some() { [ -s "$opened" ]; }
if id=$(wait_window "$title" 10); then
  focus_window "$id"
  key F1
  if wait_for 5 opened_some; then
    check "F1 opens the unpacked help.txt (got $(cat "$opened"))" \
      [ "$(url_file "$(head -n 1 "$opened")")" -ef "$top/share/tallymate/help.txt" ]
  else
    fail "F1 asks xdg-open nothing: the program runs elsewhere than beside help.txt"
  fi
  if [ "$E2E_WM" = 1 ]; then closing=alt+F4; else closing=ctrl+q; fi
  e2e_quit "GLib's launcher" "$id" 10 "$closing"
  check "the settings file is written beside the unpacked program" [ -f "$lib/Tallymate.ini" ]
  check "and nowhere else: $(find "$E2E_TMP" -name Tallymate.ini ! -path "$lib/*")" \
    [ -z "$(find "$E2E_TMP" -name Tallymate.ini ! -path "$lib/*")" ]
else
  fail "the archive's menu entry shows no main window"
fi

# dex runs the entry's command with its %k as it stands; the entry then goes by its link in the
# user's menu. -w: dex waits for what it started.
rm -f "$lib/Tallymate.ini"
(cd "$E2E_TMP/elsewhere" && exec dex -w "$HOME/.local/share/applications/$app_id.desktop") \
  >>"$E2E_TMP/program.log" 2>&1 &
E2E_PID=$!
e2e_track "$E2E_PID"
if id=$(wait_window "$title" 10); then
  e2e_quit "dex" "$id"
  check "dex: the settings file is written beside the unpacked program" [ -f "$lib/Tallymate.ini" ]
else
  fail "dex starts no main window from the archive's menu entry"
fi
e2e_finish

#!/usr/bin/env bash
# The per-user install: cmake --install --strip into a fresh prefix gives the stripped program in
# lib/tallymate, a launcher link in bin, its documents in share/tallymate, the menu entry, the
# icons, the AppStream description and the manual pages; started through the link, the program
# writes its settings file beside the real executable. The install manifest removes every file
# again.
#   install_test.sh --build BUILD_DIR --cmake CMAKE [--wm]
. "$(dirname "$0")/lib.sh"
e2e_init "$@"
build=$E2E_BUILD
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
prefix="$E2E_TMP/prefix dir"  # a blank in the path must not break the link or the entry
if ! "$E2E_CMAKE" --install "$build" --prefix "$prefix" --strip >"$E2E_TMP/install.log" 2>&1; then
  cat "$E2E_TMP/install.log" >&2
  fail "cmake --install failed"
  e2e_finish
fi

lib="$prefix/lib/tallymate"
check "the program is in lib/tallymate" test -x "$lib/tallymate" -a ! -L "$lib/tallymate"
check "bin/tallymate is a link to ../lib/tallymate/tallymate" \
  [ "$(readlink "$prefix/bin/tallymate")" = ../lib/tallymate/tallymate ]
check "the link reaches the program" [ "$prefix/bin/tallymate" -ef "$lib/tallymate" ]
for document in help.txt Licence.txt; do
  if [ -f "$source_dir/$document" ]; then
    check "$document in share/tallymate" cmp -s "$source_dir/$document" "$prefix/share/tallymate/$document"
    check "and only there: $(find "$prefix" -name "$document" ! -path "$prefix/share/tallymate/*")" \
      [ -z "$(find "$prefix" -name "$document" ! -path "$prefix/share/tallymate/*")" ]
  fi
done
for page in man1 ru/man1; do
  check "manual page $page/tallymate.1" cmp -s "$source_dir/docs/man/${page%man1}tallymate.1" \
    "$prefix/share/man/$page/tallymate.1"
done
app_id=example.tallymate.tallymate
entry="$prefix/share/applications/$app_id.desktop"
check "the menu entry exists" [ -f "$entry" ]
check "the menu entry validates" entry_validates "$entry"
check "the entry starts the installed link" grep -qxF "Exec=\"$prefix/bin/tallymate\"" "$entry"
check "the entry starts in the program's directory" grep -qxF "Path=$lib" "$entry"
check "the entry names the icon" grep -qx 'Icon=tallymate' "$entry"
check "the entry is in the calculator category" grep -qx 'Categories=Utility;Calculator;' "$entry"
for size in 256 48; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/tallymate.png"
  check "icon ${size}x${size}" [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x${size}" ]
done
check "the program is stripped" [ -z "$(nm "$lib/tallymate" 2>&1 | grep -v 'no symbols')" ]
metainfo="$prefix/share/metainfo/$app_id.metainfo.xml"
check "the AppStream description validates" appstreamcli validate --no-net "$metainfo"
check "its id is the file's name" grep -qF "<id>$app_id</id>" "$metainfo"
check "it names the menu entry" grep -qF "<launchable type=\"desktop-id\">$app_id.desktop<" "$metainfo"

# Started through the link from elsewhere, the settings file lands beside the real program.
E2E_EXE="$prefix/bin/tallymate"
e2e_start "$E2E_TMP/elsewhere"
if id=$(wait_window 'Tallymate 3.1' 10 "$E2E_PID"); then
  e2e_quit "the installed program" "$id"
  check "the settings file is written in lib/tallymate" [ -f "$lib/Tallymate.ini" ]
  check "and not beside the link" [ ! -e "$prefix/bin/Tallymate.ini" ]
  check "nor in the working directory" [ ! -e "$E2E_TMP/elsewhere/Tallymate.ini" ]
else
  fail "the installed program shows no main window"
fi

# Uninstalling, as the README says: every installed file listed in the manifest goes.
manifest="$build/install_manifest.txt"
check "the install manifest lists the program" grep -qxF "$lib/tallymate" "$manifest"
tr '\n' '\0' <"$manifest" | xargs -0 rm -f
check "nothing installed is left: $(find "$prefix" ! -type d ! -name Tallymate.ini)" \
  [ -z "$(find "$prefix" ! -type d ! -name Tallymate.ini)" ]
e2e_finish

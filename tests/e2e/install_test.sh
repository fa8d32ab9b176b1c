#!/usr/bin/env bash
# The per-user install: cmake --install --strip into a fresh prefix gives the stripped program in
# lib/tallymate, the static launcher in libexec/tallymate and a link to it in bin, its documents in share/tallymate, the menu entry, the
# icons, the AppStream description and the manual pages; started through the link, the program
# writes its settings file beside the real executable; a SIGTERM while it starts ends it with 0.
# The install manifest removes every file again.
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
launcher="$prefix/libexec/tallymate/tallymate"
check "bin/tallymate is a link to ../libexec/tallymate/tallymate" \
  [ "$(readlink "$prefix/bin/tallymate")" = ../libexec/tallymate/tallymate ]
check "the link reaches the launcher" [ "$prefix/bin/tallymate" -ef "$launcher" ]
check "the launcher needs no dynamic loader" \
  [ -z "$(readelf -l "$launcher" | grep -F 'program interpreter')" ]
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

# A logout while it starts: strace delivers SIGTERM as the launcher's execve of the program
# returns, before the dynamic loader has run any of the program's code. Held back from the
# launcher's first instruction, the signal waits for the program, which ends with 0 writing nothing
# (its settings are not read yet).
rm -f "$lib/Tallymate.ini"
for run in 1 2 3; do
  (cd "$E2E_TMP/elsewhere" && timeout -s KILL 20 strace -o /dev/null -e trace=execve \
    -e inject=execve:signal=TERM:when=1 "$prefix/bin/tallymate")
  code=$?
  check "SIGTERM at the hand-over, start $run: the program ends with code 0 (got $code)" [ "$code" = 0 ]
done
check "and writes no settings file" [ ! -e "$lib/Tallymate.ini" ]

# Uninstalling, as the README says: every installed file listed in the manifest goes.
manifest="$build/install_manifest.txt"
check "the install manifest lists the program" grep -qxF "$lib/tallymate" "$manifest"
check "and the launcher" grep -qxF "$launcher" "$manifest"
tr '\n' '\0' <"$manifest" | xargs -0 rm -f
check "nothing installed is left: $(find "$prefix" ! -type d ! -name Tallymate.ini)" \
  [ -z "$(find "$prefix" ! -type d ! -name Tallymate.ini)" ]
e2e_finish

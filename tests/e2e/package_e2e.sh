#!/usr/bin/env bash
# The Debian package, end to end, without installing it: unpacked with dpkg-deb -x into a folder
# whose /usr/bin its users cannot write, the program runs as an unprivileged user (nobody, when
# the test runs as root) with a fresh HOME each. Closing it keeps the range set in the settings
# window in that user's ~/.config/tallymate/Tallymate.ini (or under an absolute XDG_CONFIG_HOME),
# the next start reads it back, another HOME gets a file of its own, and an administrator's
# Tallymate.ini beside the program seeds a new user's file and is never written. F1 opens the
# installed help.txt; the main window's WM_CLASS is the menu entry's StartupWMClass.
#   package_e2e.sh --deb FILE [--wm]
. "$(dirname "$0")/lib.sh"
e2e_init "$@"
deb=$E2E_DEB
[ -f "$deb" ] || { echo "package_e2e.sh: no package at '$deb'" >&2; exit 2; }
title='Tallymate 3.1'
app_id=example.tallymate.tallymate

root="$E2E_TMP/root"
timeout 60 dpkg-deb -x "$deb" "$root" || { fail "dpkg-deb -x failed"; e2e_finish; }
exe="$root/usr/bin/tallymate"
entry="$root/usr/share/applications/$app_id.desktop"
check "the program is /usr/bin/tallymate itself" test -x "$exe" -a ! -L "$exe"
for document in help.txt Licence.txt; do
  check "$document in /usr/share/tallymate" test -s "$root/usr/share/tallymate/$document"
done
check "no licence copy in /usr/share/doc/tallymate beside copyright (found: $(ls "$root/usr/share/doc/tallymate" | tr "\n" " "))" \
  [ "$(ls "$root/usr/share/doc/tallymate" | grep -vx -e copyright -e changelog.Debian.gz)" = "" ]
for page in man1 ru/man1; do
  check "manual page $page/tallymate.1.gz" test -s "$root/usr/share/man/$page/tallymate.1.gz"
done
check "the menu entry validates" entry_validates "$entry"
check "the menu entry starts the launcher" grep -qx 'Exec=/usr/libexec/tallymate/tallymate' "$entry"
check "which finds the program from its own folder" \
  [ "$root/usr/libexec/tallymate/../../bin/tallymate" -ef "$exe" ]

# The users: nobody when this runs as root (root writes everywhere), else the user running it.
# Either way nobody writes the unpacked tree: a system install's folders are root's.
chmod 755 "$E2E_TMP"
as_user=()
if [ "$(id -u)" = 0 ]; then
  user=nobody
  as_user=(runuser -u nobody --)
else
  user=$(id -un)
  chmod -R a-w "$root"
fi
mkdir -p "$E2E_TMP/bin"
opened="$E2E_TMP/opened/log"
mkdir -p "${opened%/*}"
: >"$opened"
chown "$user" "$opened"
cat >"$E2E_TMP/bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >>'$opened'
EOF
chmod 755 "$E2E_TMP/bin/xdg-open"

# A fresh HOME of the test user: its own folder, its own runtime folder.
new_home() { # name
  local home="$E2E_TMP/users/$1"
  mkdir -p "$home/runtime"
  chmod 700 "$home/runtime"
  chown -R "$user" "$home"
  echo "$home"
}

# Starts the unpacked program as the test user, in HOME, with XDG_CONFIG_HOME if given; sets
# E2E_PID and main.
start_as_user() { # home [xdg_config_home]
  local config=()
  [ -n "${2:-}" ] && config=(XDG_CONFIG_HOME="$2")
  (cd "$1" && exec "${as_user[@]}" env -u XDG_CONFIG_HOME HOME="$1" XDG_RUNTIME_DIR="$1/runtime" \
    PATH="$E2E_TMP/bin:$PATH" "${config[@]}" "$exe") >>"$E2E_TMP/program.log" 2>&1 &
  E2E_PID=$!
  e2e_track "$E2E_PID"
  main=$(wait_window "$title" 15)
}

keys_of() { tr -d '\r' <"$1" 2>/dev/null | grep = | tr '\n' ' '; }
range_of() { keys_of "$1" | grep -oE 'max=[0-9]+ min=[0-9]+ '; }

# The first user: the range set in the settings window lands in ~/.config, F1 opens the
# installed help, the window is the one the menu entry announces.
alice=$(new_home alice)
alice_ini="$alice/.config/tallymate/Tallymate.ini"
if start_as_user "$alice"; then
  wm_class=$(xprop -id "$main" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = "\([^"]*\)".*/\1/p')
  startup_class=$(sed -n 's/^StartupWMClass=//p' "$entry")
  check "WM_CLASS \"$wm_class\" is the entry's StartupWMClass \"$startup_class\"" \
    [ -n "$wm_class" -a "$wm_class" = "$startup_class" ]
  focus_window "$main"
  key F1
  if wait_for 5 test -s "$opened"; then
    check "F1 opens the installed help.txt (got $(cat "$opened"))" \
      [ "$(url_file "$(head -n 1 "$opened")")" -ef "$root/usr/share/tallymate/help.txt" ]
  else
    fail "F1 asks xdg-open nothing"
  fi
  set_range "$main" 5 150
  e2e_quit "first start" "$main"
  check "the range is in the user's ~/.config/tallymate/Tallymate.ini (got: $(range_of "$alice_ini"))" \
    [ "$(range_of "$alice_ini")" = "max=150 min=5 " ]
  check "its folder is the user's alone (mode $(stat -c %a "${alice_ini%/*}" 2>&1))" \
    [ "$(stat -c %a "${alice_ini%/*}" 2>&1)" = 700 ]
  check "the file is the user's ($(stat -c %U "$alice_ini" 2>&1))" [ "$(stat -c %U "$alice_ini" 2>&1)" = "$user" ]
  check "nothing is written into the unpacked tree: $(find "$root" -name 'Tallymate.ini*')" \
    [ -z "$(find "$root" -name 'Tallymate.ini*')" ]
else
  fail "first start: no main window"
fi

# The second start reads the range back: a start that had not would write the defaults.
if start_as_user "$alice"; then
  e2e_quit "second start" "$main"
  check "the second start kept the range (got: $(range_of "$alice_ini"))" \
    [ "$(range_of "$alice_ini")" = "max=150 min=5 " ]
else
  fail "second start: no main window"
fi

# Another HOME, with an absolute XDG_CONFIG_HOME: a file of its own, with the first start's range.
bob=$(new_home bob)
alice_sum=$(md5sum <"$alice_ini")
if start_as_user "$bob" "$bob/config"; then
  e2e_quit "another user" "$main"
  check "another user gets a file of their own under XDG_CONFIG_HOME (got: $(range_of "$bob/config/tallymate/Tallymate.ini"))" \
    [ "$(range_of "$bob/config/tallymate/Tallymate.ini")" = "max=100 min=100 " ]
  check "and leaves the first user's alone" [ "$(md5sum <"$alice_ini")" = "$alice_sum" ]
else
  fail "another user: no main window"
fi

# An administrator's settings beside the program seed a new user's file and stay as they were.
# A relative XDG_CONFIG_HOME counts for nothing.
admin_ini="$root/usr/bin/Tallymate.ini"
chmod u+w "$root/usr/bin"
printf '[Color]\r\nFormColor=255\r\nEdit=65280\r\n[Trackbar]\r\nmax=40\r\nmin=2\r\n[Calendar]\r\ncolor=16711680\r\n' \
  >"$admin_ini"
chmod 644 "$admin_ini"
[ "$user" = nobody ] || chmod a-w "$root/usr/bin"
admin_sum=$(md5sum <"$admin_ini")
carol=$(new_home carol)
carol_ini="$carol/.config/tallymate/Tallymate.ini"
if start_as_user "$carol" config; then
  e2e_quit "a new user beside the administrator's file" "$main"
  check "the administrator's file seeded the new user's (got: $(keys_of "$carol_ini"))" \
    [ "$(keys_of "$carol_ini")" = "FormColor=255 Edit=65280 max=40 min=2 color=16711680 " ]
  check "the administrator's file is never written" [ "$(md5sum <"$admin_ini")" = "$admin_sum" ]
else
  fail "a new user beside the administrator's file: no main window"
fi
e2e_finish

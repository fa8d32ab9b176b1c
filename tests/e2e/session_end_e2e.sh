#!/usr/bin/env bash
# The end of the desktop's session, with real signals to the real program: SIGTERM and SIGHUP
# write the settings as a close does and end the program with code 0 at once, also while an
# error box or a picture reading waits, also when the write fails (no box then: nobody would
# answer it), also with a second signal on the way. A signal before the settings are read
# leaves the file as it was. A session manager's end of the session (save, then die) does the
# same, and its checkpoint writes the settings while the program goes on.
#   session_end_e2e.sh --manager PATH (tests/e2e/xsmp_manager.cpp) and the options of lib.sh
. "$(dirname "$0")/lib.sh"
e2e_init "$@"
[ -x "$E2E_MANAGER" ] || { echo "needs --manager xsmp_manager" >&2; exit 2; }
e2e_copy_program
export LANG=ru_RU.UTF-8
ini="$E2E_TMP/prog/Tallymate.ini"
title='Tallymate 3.1'
prompt_ms=3000

keys_of_file() { tr -d '\r' <"$ini" | grep '=' | tr '\n' ' '; }

# Starts the program and waits for its main window ($main).
start_program() {
  e2e_start
  main=$(wait_window "$title" 10 "$E2E_PID") || { fail "$1: no main window"; return 1; }
  focus_window "$main"
}

# Sends the signal(s) and checks that the program ends with 0 within $prompt_ms.
end_by() { # what signal...
  local what=$1 sent took
  shift
  sent=$(now_ms)
  for signal in "$@"; do kill -s "$signal" "$E2E_PID"; done
  wait_exit "$E2E_PID" 15
  took=$(($(now_ms) - sent))
  check "$what: the program ends with code 0 (got $E2E_EXIT_CODE)" [ "$E2E_EXIT_CODE" = 0 ]
  check "$what: at once (${took} ms)" [ "$took" -lt "$prompt_ms" ]
}

# 1. SIGTERM writes the range set in the settings window.
rm -f "$ini"
if start_program SIGTERM; then
  set_range "$main" 5 150 "$E2E_PID"
  check "before the signal the file holds no range (got: $(keys_of_file))" \
    [ "$(keys_of_file)" = "c=0 " ]
  end_by SIGTERM TERM
  check "SIGTERM wrote the five keys after the tips (got: $(keys_of_file))" \
    [ "$(keys_of_file)" = "c=0 FormColor=100 Edit=100 max=150 min=5 color=100 " ]
fi

# 2. SIGHUP writes the colours of the default settings (F4).
if start_program SIGHUP; then
  key F4
  end_by SIGHUP HUP
  check "SIGHUP wrote the default colours (got: $(keys_of_file))" \
    [ "$(keys_of_file | cut -d' ' -f2,3,6)" = "FormColor=-16777200 Edit=16777215 color=8421376" ]
fi

# 3. While an error box waits for its OK (a letter typed into a field).
if start_program "error box"; then
  set_range "$main" 7 70 "$E2E_PID"
  focus_window "$main"
  type_text 'a'
  check "the error box shows" wait_for 5 has_other_window "$main"
  end_by "with the error box open" TERM
  check "with the error box open, the range was written (got: $(keys_of_file))" \
    [ "$(keys_of_file | cut -d' ' -f4,5)" = "max=70 min=7" ]
fi

# 4. Two signals one after the other: one close, one end.
if start_program "two signals"; then
  set_range "$main" 8 80 "$E2E_PID"
  end_by "two signals" TERM TERM
  check "two signals: the range was written (got: $(keys_of_file))" \
    [ "$(keys_of_file | cut -d' ' -f4,5)" = "max=80 min=8" ]
fi

# 5. During a picture reading that would take seconds: the reading stops, the program ends.
slow=$E2E_TMP/slow.png
e2e_slow_png "$slow"
if start_program "picture reading"; then
  set_range "$main" 9 90 "$E2E_PID"
  focus_window "$main"
  key ctrl+i
  if wait_for 10 has_other_window "$main"; then
    sleep 0.5
    # Without a window manager nobody hands the new dialog the keyboard.
    focus_window "$(other_windows "$main" | head -n 1)"
    key ctrl+a
    type_text "$slow"
    key Return
    check "the file dialog closes" wait_for 10 no_other_window "$main"
    # The progress dialog shows after half a second of reading.
    check "the progress dialog shows" wait_for 10 has_other_window "$main"
    end_by "during the reading" TERM
    check "during the reading, the range was written (got: $(keys_of_file))" \
      [ "$(keys_of_file | cut -d' ' -f4,5)" = "max=90 min=9" ]
  else
    fail "the file dialog did not open"
  fi
fi

# 6. A write that fails: no box, the program ends all the same. Then the same while a close of
# the user's shows its box for the failed write.
cp "$ini" "$E2E_TMP/saved.ini"
rm -f "$ini"
mkdir "$ini"
if start_program "failing write"; then
  end_by "a failing write" TERM
fi
if start_program "failing close"; then
  key ctrl+q
  check "a failing close shows its box" wait_for 5 has_other_window "$main"
  end_by "a failing close's box open" TERM
fi
rmdir "$ini"
cp "$E2E_TMP/saved.ini" "$ini"

# 7. A signal as soon as the program catches it, before its main window shows: the settings were
# not read, and the file stays as it was (not the form's values).
catches_term() { # pid: the program itself (not the shell that starts it) catches SIGTERM (15)
  local mask
  [ "$(readlink "/proc/$1/exe")" = "$E2E_PROG" ] || return 1
  mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$1/status" 2>/dev/null)
  [ -n "$mask" ] && (((0x$mask >> 14) & 1))
}
e2e_start
if wait_for 10 catches_term "$E2E_PID"; then
  end_by "before the window shows" TERM
  check "before the window shows, the file stays as it was" cmp -s "$ini" "$E2E_TMP/saved.ini"
else
  fail "the program never caught SIGTERM"
fi

# 8. The session manager: a checkpoint, then the end of the session; then an end whose write
# fails. The program connects to the manager named by SESSION_MANAGER when it starts.
mkfifo "$E2E_TMP/sm-commands"
# Held open for reading and writing: a command never waits for the manager to open its end.
exec 7<>"$E2E_TMP/sm-commands"
"$E2E_MANAGER" "$E2E_TMP/sm-address" "$E2E_TMP/sm-commands" >"$E2E_TMP/sm.log" 2>&1 &
e2e_track $!
said() { grep -c -x "$1" "$E2E_TMP/sm.log"; }
said_times() { [ "$(said "$1")" -ge "$2" ]; }
if wait_for 10 test -s "$E2E_TMP/sm-address"; then
  SESSION_MANAGER=$(cat "$E2E_TMP/sm-address")
  export SESSION_MANAGER
  if start_program "session manager"; then
    check "the program registers with the session manager" wait_for 10 said_times registered 1
    # The first save the protocol asks of every new client.
    wait_for 10 said_times "saved ok" 1
    set_range "$main" 6 60 "$E2E_PID"
    echo checkpoint >&7
    check "a checkpoint is answered" wait_for 10 said_times "saved ok" 2
    check "a checkpoint writes the range (got: $(keys_of_file))" \
      [ "$(keys_of_file | cut -d' ' -f4,5)" = "max=60 min=6" ]
    check "after a checkpoint the program goes on" kill -0 "$E2E_PID"
    set_range "$main" 3 30 "$E2E_PID"
    sent=$(now_ms)
    echo end >&7
    wait_exit "$E2E_PID" 15
    took=$(($(now_ms) - sent))
    check "the end of the session ends the program with code 0 (got $E2E_EXIT_CODE)" [ "$E2E_EXIT_CODE" = 0 ]
    check "the end of the session ends it at once (${took} ms)" [ "$took" -lt "$prompt_ms" ]
    check "the end of the session wrote the range (got: $(keys_of_file))" \
      [ "$(keys_of_file | cut -d' ' -f4,5)" = "max=30 min=3" ]
  fi
  rm -f "$ini"
  mkdir "$ini"
  if start_program "session manager, failing write"; then
    check "the program registers again" wait_for 10 said_times registered 2
    wait_for 10 said_times "saved ok" 4
    sent=$(now_ms)
    echo end >&7
    wait_exit "$E2E_PID" 15
    took=$(($(now_ms) - sent))
    check "a failing write at the session's end: code 0 (got $E2E_EXIT_CODE)" [ "$E2E_EXIT_CODE" = 0 ]
    check "a failing write at the session's end: at once (${took} ms)" [ "$took" -lt "$prompt_ms" ]
  fi
  rmdir "$ini"
  unset SESSION_MANAGER
else
  fail "the session manager did not start: $(cat "$E2E_TMP/sm.log")"
fi

e2e_finish

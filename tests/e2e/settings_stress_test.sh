#!/usr/bin/env bash
# Hostile settings files, end to end: 50 MB of lines without "=" and 50 MB of binary garbage.
# Each lets the window appear about as fast as no file does (the file is read in one pass, not
# once per key through the rest of the file), and Ctrl+Q writes the five keys while every
# foreign byte stays in place.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_copy_program
ini="$E2E_TMP/prog/Tallymate.ini"
title='Tallymate 3.1'
size=$((50 * 1024 * 1024))

# Sets TOOK to the milliseconds from the start to the visible main window (empty when none
# came within 30 s) and main_id to the window. Not in $( ): the program is this shell's child.
start_and_time() {
  local begin
  begin=$(now_ms)
  TOOK="" main_id=""
  e2e_start
  if main_id=$(wait_window "$title" 30 "$E2E_PID"); then
    TOOK=$(($(now_ms) - begin))
  fi
}

# The same start without a file, for comparison: the machine's own start-up time.
rm -f "$ini"
start_and_time
baseline=$TOOK
if [ -n "$baseline" ]; then
  e2e_quit "without a settings file" "$main_id"
else
  fail "no main window without a settings file"
fi

for kind in no-equals garbage; do
  if [ "$kind" = no-equals ]; then
    yes 'a line without an equals sign' | head -c "$size" | sed 's/$/\r/' | head -c "$size" >"$ini"
  else
    head -c "$size" /dev/urandom >"$ini"
  fi
  cp "$ini" "$E2E_TMP/before"
  start_and_time
  took=$TOOK
  if [ -z "$took" ]; then
    fail "$kind: no main window within 30 s"
    continue
  fi
  check "$kind: the window appears within a second of a start without a file (${took} ms, ${baseline:-?} ms without)" \
    [ -n "$baseline" ] && [ $((took - baseline)) -lt 1000 ]
  e2e_quit "$kind" "$main_id" 30
  check "$kind: every foreign byte is kept at the start of the file" \
    cmp -s -n "$size" "$ini" "$E2E_TMP/before"
  added=$(tail -c +$((size + 1)) "$ini" | tr -d '\r' | grep '=' | sed 's/=.*//' | tr '\n' ' ')
  # Binary garbage may end in the middle of a line: the first added line follows a line end.
  check "$kind: the five keys follow the foreign text (got: $added)" \
    [ "$added" = "FormColor Edit max min color " ]
done

e2e_finish

#!/usr/bin/python3
"""Runs Orca for the test's own session, with its debug log written line by line:
orca_log.py LOG_FILE

Orca buffers its debug file, so what it says would reach the file only kilobytes later; the
test reads the file while Orca speaks.

Orca refuses to start while any other Orca of the same user runs, and with --replace it kills
them all: the screen reader of a blind developer who runs the tests. This Orca counts only the
Orcas of the test's own session bus as others, and is never started with --replace.
"""
import builtins
import os
import runpy
import subprocess
import sys

log = sys.argv[1]
real_open = builtins.open
real_popen = subprocess.Popen
session = os.environ["DBUS_SESSION_BUS_ADDRESS"].encode()


def line_buffered_log(file, mode="r", buffering=-1, *args, **kwargs):
    if file == log and "w" in mode:
        buffering = 1
    return real_open(file, mode, buffering, *args, **kwargs)


def orcas_of_this_session():
    """The other Orca processes of this user on this test's session bus."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with real_open(f"/proc/{entry}/comm", "rb") as comm:
                if comm.read().strip() != b"orca":
                    continue
            if os.stat(f"/proc/{entry}").st_uid != os.getuid():
                continue
            with real_open(f"/proc/{entry}/environ", "rb") as environ:
                if b"DBUS_SESSION_BUS_ADDRESS=" + session in environ.read().split(b"\0"):
                    found.append(entry)
        except OSError:
            continue
    return found


class SessionPopen(real_popen):
    """Orca looks for other Orcas with "pgrep -u UID -x orca"; it gets this session's only."""

    def __init__(self, args, *rest, **kwargs):
        if isinstance(args, str) and args.startswith("pgrep -u ") and args.endswith(" -x orca"):
            args = "echo " + " ".join(orcas_of_this_session())
        super().__init__(args, *rest, **kwargs)


builtins.open = line_buffered_log
subprocess.Popen = SessionPopen
sys.argv = ["orca", "--debug-file=" + log]
runpy.run_path("/usr/bin/orca", run_name="__main__")

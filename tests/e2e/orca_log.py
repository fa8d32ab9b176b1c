#!/usr/bin/python3
"""Runs Orca with its debug log written line by line: orca_log.py LOG_FILE

Orca buffers its debug file, so what it says would reach the file only kilobytes later; the
test reads the file while Orca speaks.
"""
import builtins
import runpy
import sys

log = sys.argv[1]
real_open = builtins.open


def line_buffered_log(file, mode="r", buffering=-1, *args, **kwargs):
    if file == log and "w" in mode:
        buffering = 1
    return real_open(file, mode, buffering, *args, **kwargs)


builtins.open = line_buffered_log
sys.argv = ["orca", "--replace", "--debug-file=" + log]
runpy.run_path("/usr/bin/orca", run_name="__main__")

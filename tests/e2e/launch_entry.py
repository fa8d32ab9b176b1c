#!/usr/bin/env python3
"""Starts a menu entry the way the desktop's menu does: GLib's GDesktopAppInfo finds it by its
desktop id in the XDG data folders and launches it, field codes filled in (GNOME's shell and
GTK's launchers go this way). The launch runs in a child that ends at once; what it started is
adopted (PR_SET_CHILD_SUBREAPER) and waited for. Exits with 127 when the entry is not found or
does not launch, else with the code of the last process to end: the program's own. SIGTERM is
passed on to the adopted processes, so that the test's cleanup ends the program too.
    launch_entry.py DESKTOP_ID
"""
import ctypes
import os
import signal
import sys

PR_SET_CHILD_SUBREAPER = 36


def children():
    me = str(os.getpid())
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/stat", encoding="ascii", errors="replace") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if fields[1] == me:
            yield int(name)


def pass_on(signum, _frame):
    for pid in children():
        try:
            os.kill(pid, signum)
        except OSError:
            pass


def launch(desktop_id):
    gio = ctypes.CDLL("libgio-2.0.so.0")
    gio.g_desktop_app_info_new.restype = ctypes.c_void_p
    gio.g_desktop_app_info_new.argtypes = [ctypes.c_char_p]
    gio.g_app_info_launch.restype = ctypes.c_int
    gio.g_app_info_launch.argtypes = [ctypes.c_void_p] * 4
    info = gio.g_desktop_app_info_new(desktop_id.encode())
    if not info:
        print(f"launch_entry: no menu entry {desktop_id}", file=sys.stderr)
        return False
    if not gio.g_app_info_launch(info, None, None, None):
        print(f"launch_entry: {desktop_id} did not launch", file=sys.stderr)
        return False
    return True


def main():
    libc = ctypes.CDLL(None, use_errno=True)
    # Orphans of the launching child become this process's children instead of init's.
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        sys.exit("launch_entry: prctl(PR_SET_CHILD_SUBREAPER) failed")
    signal.signal(signal.SIGTERM, pass_on)
    launcher = os.fork()
    if launcher == 0:
        code = 127
        try:
            code = 0 if launch(sys.argv[1]) else 127
        finally:
            os._exit(code)
    code = 0
    launch_failed = False
    while True:
        try:
            pid, status = os.wait()
        except ChildProcessError:
            break
        code = os.waitstatus_to_exitcode(status)
        if code < 0:
            code = 128 - code
        if pid == launcher and code != 0:
            launch_failed = True
    sys.exit(127 if launch_failed else code)


if __name__ == "__main__":
    main()

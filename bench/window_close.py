#!/usr/bin/env python3
"""One idle window, closed once: prints the seconds from the request to the end of the process.

  window_close.py WINDOW_BINARY exit|close

"exit" chooses File > Exit through AT-SPI, as a screen reader's user would; "close" asks the
window manager to close the window, as its close box does. Run by window_close_bench.sh.
"""
import os
import subprocess
import sys
import time

import pyatspi

binary, how = sys.argv[1], sys.argv[2]
env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
window = subprocess.Popen([binary], env=env)


def exit_item():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == window.pid:
            return pyatspi.findDescendant(
                app, lambda a: a.getRole() == pyatspi.ROLE_MENU_ITEM and a.name == "Exit")
    return None


deadline = time.monotonic() + 60
item = None
while item is None and time.monotonic() < deadline:
    time.sleep(0.1)
    item = exit_item()
if item is None:
    window.kill()
    sys.exit("the window did not appear")
time.sleep(1)  # idle, as a user leaves it before closing
if how == "exit":
    start = time.monotonic()
    item.queryAction().doAction(0)
else:
    ids = subprocess.run(["xdotool", "search", "--pid", str(window.pid)],
                         capture_output=True, text=True, check=True).stdout.split()
    start = time.monotonic()
    subprocess.run(["wmctrl", "-i", "-c", ids[0]], check=True)
window.wait()
print(f"{time.monotonic() - start:.4f}")

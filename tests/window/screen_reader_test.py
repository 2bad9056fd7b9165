#!/usr/bin/env python3
"""A screen reader's view of the window: a real AT-SPI listener hears the end of a split that
succeeds and of one that fails, as the notification that appears in the running window.

Run on a private session bus and display:
  dbus-run-session -- xvfb-run -a python3 screen_reader_test.py WINDOW_BINARY
The window is driven through AT-SPI too, as a screen reader's user would: its buttons are
pressed by their names, and the boxes of the failure are answered with OK.
"""
import os
import subprocess
import sys
import tempfile

SKIP = 77
try:
    import pyatspi
    from gi.repository import GLib
except ImportError as missing:
    print(f"skipped: no AT-SPI for Python ({missing}); install python3-pyatspi")
    sys.exit(SKIP)

DEADLINE_SECONDS = 120


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except GLib.GError:  # a window of an earlier job, ended
            continue
    return None


def button(app, name):
    return pyatspi.findDescendant(
        app, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON and a.name == name)


def press(pid, name):
    """Presses a button in a process of its own: a press that opens a modal box returns only
    once the box is answered."""
    app = application(pid)
    target = button(app, name) if app else None
    if target is None:
        sys.exit(f"no button {name!r} in process {pid}")
    print(f"pressing {name!r}", flush=True)
    target.queryAction().doAction(0)
    print(f"pressed {name!r}", flush=True)


def main(window):
    expected = ["Done!", "Not completed!"]
    heard = []
    windows = []
    pressers = []
    work = tempfile.mkdtemp()
    source = os.path.join(work, "data.bin")
    with open(source, "wb") as out:
        out.write(bytes(range(256)) * 12000)  # three pieces of the default size
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
               XDG_CONFIG_HOME=work, XDG_RUNTIME_DIR=work, LC_ALL="C",
               ASAN_OPTIONS="detect_leaks=0")

    def on_showing(event):
        if event.detail1 != 1 or event.source.getRole() != pyatspi.ROLE_NOTIFICATION:
            return
        heard.append(event.source.name)
        print(f"heard: {event.type} from a notification: {event.source.name!r}", flush=True)
        if len(heard) >= len(expected):
            pyatspi.Registry.stop()

    def step():
        # One window per job, each splitting the same file: the second finds the pieces of the
        # first and fails. The next starts once the last job has been heard.
        if len(windows) == len(heard) < len(expected):
            if windows:
                windows[-1].terminate()
            windows.append(subprocess.Popen([window, source], env=env))
        app = application(windows[-1].pid)
        if app is None:
            return True
        if len(pressers) < len(windows) and button(app, "BRELDO") is not None:
            pressers.append(subprocess.Popen(
                [sys.executable, __file__, "--press", str(windows[-1].pid), "BRELDO"]))
        # The failure's boxes are answered as a user would.
        ok = button(app, "OK")
        if ok is not None:
            print("answering a box with OK", flush=True)
            ok.queryAction().doAction(0)

    def poll():
        try:
            step()
        except GLib.GError as changed:  # the tree changed under the search: look again
            print(f"looking again: {changed}", flush=True)
        return True

    def give_up():
        print(f"gave up after {DEADLINE_SECONDS} s", flush=True)
        pyatspi.Registry.stop()
        return False

    pyatspi.Registry.registerEventListener(on_showing, "object:state-changed:showing")
    GLib.timeout_add(200, poll)
    GLib.timeout_add_seconds(DEADLINE_SECONDS, give_up)
    try:
        pyatspi.Registry.start()
    finally:
        for process in windows:
            process.terminate()
        for process in windows + pressers:
            process.wait()
    if heard != expected:
        print(f"FAILED: heard {heard}, expected {expected}")
        return 1
    print("passed: the end of both jobs was heard")
    return 0


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--press":
        press(int(sys.argv[2]), sys.argv[3])
    elif len(sys.argv) == 2:
        sys.exit(main(sys.argv[1]))
    else:
        sys.exit("usage: screen_reader_test.py WINDOW_BINARY")

#!/usr/bin/python3
# A click on the window's background (the tab labels above the table) under
# a window manager: the window stays where it is, also after a click
# elsewhere; a press-and-drag there still moves it.
# Run: xvfb-run -a dbus-run-session -- background_click_test.py LOFTWELL

import os
import pyatspi
import shutil
import subprocess
import sys
import tempfile
import time

from window_driver import DesktopSession, application, find, wait_for, window_position


def xdotool(*arguments):
    subprocess.check_call(["xdotool", *map(str, arguments)])
    time.sleep(0.3)


def main(loftwell):
    home = tempfile.mkdtemp(prefix="loftwell-click-")
    environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
                       LANGUAGE="en_US", HOME=home)
    app_process = subprocess.Popen([loftwell], env=environment)
    try:
        app = wait_for(application)
        tab = wait_for(lambda: find(app, "label", "Recommend movable files, photos, and apps"))
        x, y, width, height = tab.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        tab_x, tab_y = x + width // 2, y + height // 2
        empty = wait_for(lambda: find(app, "label", "Ready to Recommend"))
        x, y, width, height = empty.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        time.sleep(0.5)
        start = window_position()

        xdotool("mousemove", tab_x, tab_y, "click", 1)
        xdotool("mousemove", x + width // 2, y + height // 2, "click", 1)
        time.sleep(0.5)
        assert window_position() == start, f"a click moved the window from {start} to {window_position()}"

        xdotool("mousemove", tab_x, tab_y, "mousedown", 1)
        for step in range(1, 13):
            xdotool("mousemove", tab_x + 10 * step, tab_y + 5 * step)
        xdotool("mouseup", 1)
        time.sleep(0.5)
        moved = window_position()
        assert abs(moved[0] - start[0] - 120) <= 15 and abs(moved[1] - start[1] - 60) <= 15, \
            f"a drag of (120, 60) took the window from {start} to {moved}"
        print(f"click: stayed at {start}; drag: moved to {moved}: ok")
    finally:
        app_process.terminate()
        app_process.wait()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    with DesktopSession():
        main(sys.argv[1])

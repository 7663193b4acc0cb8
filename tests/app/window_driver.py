# Drives the real window as assistive technology does, over AT-SPI (the
# program runs with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 and an accessibility
# bus): finding its controls by role and name, pressing buttons, filling
# in Qt's own dialogs.

import pyatspi
import subprocess
import time


def wait_for(what, seconds=20):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        found = what()
        if found:
            return found
        time.sleep(0.1)
    raise AssertionError("timed out waiting")


def nodes(root):
    yield root
    for child in root:
        if child is not None:
            yield from nodes(child)


def find(root, role, name=None, prefix=None):
    try:
        for node in nodes(root):
            if node.getRoleName() == role and (
                    node.name == name if prefix is None else node.name.startswith(prefix)):
                return node
    except Exception:  # a node that went away while looked at
        return None
    return None


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "Loftwell":
            return app
    return None


def press(button):
    button.queryAction().doAction(0)


def dialog_with(app, button):
    """The dialog showing `button`, and the button."""
    for window in app:
        if window is not None and window.getRoleName() in ("dialog", "alert"):
            found = find(window, "push button", button)
            if found is not None and found.getState().contains(pyatspi.STATE_SHOWING):
                return window, found
    return None


def choose_folder(app, opener, accept, folder):
    press(find(app, "push button", opener))
    dialog, button = wait_for(lambda: dialog_with(app, accept))
    wait_for(lambda: find(dialog, "text", prefix="")).queryEditableText().setTextContents(folder)
    press(button)


class DesktopSession:
    """An accessibility bus and a window manager (openbox) on the X display, for a `with` block."""

    def __enter__(self):
        self.helpers = [subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                        for command in (["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                        ["openbox"])]
        time.sleep(0.5)
        return self

    def __exit__(self, *error):
        for helper in self.helpers:
            helper.terminate()
            helper.wait()


def window_position():
    """Where the window manager has the visible "Loftwell" window: (x, y)."""
    shell = subprocess.check_output(["xdotool", "search", "--onlyvisible", "--name", "^Loftwell$",
                                     "getwindowgeometry", "--shell"], text=True)
    values = dict(line.split("=", 1) for line in shell.split())
    return int(values["X"]), int(values["Y"])

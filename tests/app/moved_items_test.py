#!/usr/bin/python3
# The Moved Items window as assistive technology reads and drives it, under
# an X server with a window manager, in English and Chinese: after a move to
# the Trash made with loftwell-cli, the header's button opens the window,
# the item reads as its original place and "in the Trash", it is selected
# through its accessible action, Bring Back brings it back with a report,
# and the file is in its place again with its bytes.
# Run: xvfb-run -a dbus-run-session -- moved_items_test.py LOFTWELL LOFTWELL_CLI

import os
import shutil
import subprocess
import sys
import tempfile

from window_driver import DesktopSession, application, dialog_with, find, nodes, press, wait_for

LOFTWELL, CLI = sys.argv[1], sys.argv[2]
MiB = 1024 * 1024


def named(root, name, prefix=False):
    try:
        for node in nodes(root):
            if node.name == name or (prefix and node.name.startswith(name)):
                return node
    except Exception:  # a node that went away while looked at
        return None
    return None


def select(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i).lower() == "toggle":
            action.doAction(i)
            return
    raise AssertionError("no toggle action on " + node.name)


def run(language, labels):
    work = tempfile.mkdtemp(prefix="loftwell-moved-")
    app_process = None
    try:
        home = os.path.join(work, "home")
        downloads = os.path.join(home, "Downloads")
        drive = os.path.join(work, "drive")
        os.makedirs(downloads)
        os.makedirs(drive)
        film = os.path.join(downloads, "film.bin")
        data = os.urandom(3 * MiB)
        with open(film, "wb") as f:
            f.write(data)
        environment = {k: v for k, v in os.environ.items() if k != "XDG_DATA_HOME"}
        environment.update(HOME=home, LANGUAGE=language)
        subprocess.check_call([CLI, "transfer", "--to", drive, "--trash", "--items", film], env=environment,
                              stdout=subprocess.DEVNULL)
        assert not os.path.exists(film), f"{language}: not moved"
        app_process = subprocess.Popen([LOFTWELL], env=dict(environment, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                                                            QT_QPA_PLATFORM="xcb"))
        app = wait_for(application)
        press(wait_for(lambda: find(app, "push button", labels["movedItems"])))
        item = wait_for(lambda: named(app, film))
        wait_for(lambda: named(app, labels["inTrash"]))
        select(item)
        press(wait_for(lambda: find(app, "push button", labels["bringBack"])))
        dialog, ok = wait_for(lambda: dialog_with(app, labels["ok"]), 30)
        assert named(dialog, labels["broughtBack"], prefix=True) is not None, f"{language}: no report"
        press(ok)
        with open(film, "rb") as f:
            assert f.read() == data, f"{language}: other bytes"
        print(f"{language}: listed, selected and brought back over AT-SPI: ok")
    finally:
        if app_process is not None:
            app_process.kill()
            app_process.wait()
        shutil.rmtree(work, ignore_errors=True)


ENGLISH = {"movedItems": "Moved Items", "inTrash": "ready: in the Trash", "bringBack": "Bring Back",
           "broughtBack": "Brought back 1 item(s)", "ok": "OK"}
CHINESE = {"movedItems": "已移动的项目", "inTrash": "可取回：在回收站中", "bringBack": "取回",
           "broughtBack": "已取回 1 项", "ok": "好"}

if __name__ == "__main__":
    with DesktopSession():
        run("en_US", ENGLISH)
        run("zh_CN", CHINESE)

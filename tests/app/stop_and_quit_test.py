#!/usr/bin/python3
# The real program, driven as a user drives it, under an X server with a
# window manager: a move to a slow exFAT stick (4 MiB/s, through exfat-fuse),
# then quitting mid-copy (Ctrl+Q in English, the window manager's close in
# Chinese) and "Stop and Quit" by its default key. A second later the window
# shows that it is stopping, not the question; the process must end within
# 5 s of the answer with status 0, leaving no unfinished copy on the drive.
# Run: xvfb-run -a dbus-run-session -- stop_and_quit_test.py LOFTWELL LYING_DISK
# (as root; the window is driven over AT-SPI, keys come from xdotool, and
# openbox is the window manager).

import os
import shutil
import subprocess
import sys
import tempfile
import time

from window_driver import DesktopSession, application, choose_folder, dialog_with, find, press, wait_for

LOFTWELL, LYING_DISK = sys.argv[1], sys.argv[2]
MiB = 1024 * 1024


class SlowDrive:
    """A 4 MiB/s exFAT stick: a FUSE disk under a loop device with direct I/O."""

    def __init__(self, work):
        self.fuse = os.path.join(work, "stick")
        self.point = os.path.join(work, "drive")
        os.makedirs(self.fuse)
        os.makedirs(self.point)
        backing = os.path.join(work, "stick.img")
        with open(backing, "wb") as f:
            f.truncate(512 * MiB)
        self.daemon = subprocess.Popen([LYING_DISK, backing, str(512 * MiB), self.fuse],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: os.path.exists(os.path.join(self.fuse, "disk")))
        self.device = subprocess.check_output(["losetup", "-f", "--show", "--direct-io=on",
                                               os.path.join(self.fuse, "disk")], text=True).strip()
        subprocess.check_call(["mkfs.exfat", self.device], stdout=subprocess.DEVNULL)
        subprocess.check_call(["mount.exfat-fuse", self.device, self.point], stderr=subprocess.DEVNULL)
        with open(os.path.join(self.fuse, "mode"), "w") as f:
            f.write("slow 250")

    def close(self):
        with open(os.path.join(self.fuse, "mode"), "w") as f:
            f.write("normal")
        subprocess.call(["umount", self.point])
        subprocess.call(["losetup", "-d", self.device])
        subprocess.call(["umount", "-l", self.fuse])
        self.daemon.terminate()
        self.daemon.wait()


def run(language, quit_keys, labels):
    work = tempfile.mkdtemp(prefix="loftwell-quit-")
    drive = SlowDrive(work)
    app_process = None
    try:
        downloads = os.path.join(work, "home", "Downloads")
        os.makedirs(downloads)
        for name, size in (("Big.iso", 96 * MiB), ("Next.iso", 24 * MiB)):
            with open(os.path.join(downloads, name), "wb") as f:
                f.write(os.urandom(size))
        environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
                           LANGUAGE=language, HOME=os.path.join(work, "home"))
        app_process = subprocess.Popen([LOFTWELL], env=environment)
        app = wait_for(application)
        wait_for(lambda: find(app, "push button", labels["destination"]))
        choose_folder(app, labels["destination"], labels["setDestination"], drive.point)
        choose_folder(app, labels["recommend"], labels["authorize"], downloads)
        wait_for(lambda: find(app, "label", prefix=labels["selected2"]), 30)
        press(find(app, "push button", labels["transfer"]))
        press(wait_for(lambda: dialog_with(app, labels["start"]))[1])
        # Well into the first copy at the drive's pace.
        wait_for(lambda: find(app, "label", prefix=labels["transferring"]))
        time.sleep(2)
        subprocess.check_call(["xdotool", "search", "--onlyvisible", "--name", "^Loftwell$", "windowactivate", "--sync"])
        subprocess.check_call(["xdotool", "key", quit_keys])
        wait_for(lambda: dialog_with(app, labels["stopAndQuit"]))
        subprocess.check_call(["xdotool", "key", "Return"])
        asked = time.monotonic()
        time.sleep(1)
        if app_process.poll() is None:
            assert dialog_with(app, labels["stopAndQuit"]) is None, f"{language}: the question still shows"
            assert find(app, "label", labels["stopping"]) is not None, f"{language}: not shown as stopping"
        try:
            status = app_process.wait(timeout=4)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"{language}: still running 5 s after Stop and Quit")
        took = time.monotonic() - asked
        assert status == 0, f"{language}: exit status {status}"
        left = [os.path.join(d, n) for d, folders, files in os.walk(drive.point) for n in folders + files
                if n.endswith(".loftwell-partial")]
        assert not left, f"{language}: unfinished copies left: {left}"
        for name in ("Big.iso", "Next.iso"):
            assert os.path.getsize(os.path.join(downloads, name)) > 0
        print(f"{language}: ended {took:.1f} s after Stop and Quit, status 0, no unfinished copy: ok")
    finally:
        if app_process is not None and app_process.poll() is None:
            app_process.kill()
            app_process.wait()
        drive.close()
        shutil.rmtree(work, ignore_errors=True)


ENGLISH = {"destination": "Choose Destination", "setDestination": "Set Destination",
           "recommend": "Smart Recommend", "authorize": "Authorize & Recommend",
           "selected2": "Selected 2 / 2", "transfer": "Transfer →", "start": "Start",
           "transferring": "Transferring: ", "stopAndQuit": "Stop and Quit", "stopping": "Stopping…"}
CHINESE = {"destination": "选择目标", "setDestination": "设为目标",
           "recommend": "智能推荐", "authorize": "授权并推荐",
           "selected2": "已选 2 / 2", "transfer": "开始移动 →", "start": "开始",
           "transferring": "正在移动：", "stopAndQuit": "停止并退出", "stopping": "正在停止…"}

if __name__ == "__main__":
    if os.geteuid() != 0 or not os.access("/dev/fuse", os.W_OK):
        print("skipped: needs root and /dev/fuse for the slow drive")
        sys.exit(77)
    with DesktopSession():
        run("en_US", "ctrl+q", ENGLISH)
        run("zh_CN", "alt+F4", CHINESE)

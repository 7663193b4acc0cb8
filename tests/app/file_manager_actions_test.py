"""The file managers' "Move to External Drive…": the GNOME Files extension
given selections (against stand-ins for its modules, and against the real
ones where python3-nautilus is installed), the Nemo action read as Nemo
reads it, and the README's Thunar recipe read as Thunar's uca.xml.

    file_manager_actions_test.py SOURCE_DIR [--real]
"""

import configparser
import os
import re
import subprocess
import sys
import types
import xml.etree.ElementTree as ElementTree

source_dir = sys.argv[1]
real = "--real" in sys.argv
extension_path = os.path.join(source_dir, "packaging", "nautilus", "loftwell_move_to_drive.py")
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what)


def stand_in_modules():
    """gi, GObject and Nautilus as far as the extension uses them."""
    gi = types.ModuleType("gi")
    gi.require_version = lambda name, version: None
    repository = types.ModuleType("gi.repository")

    class GObjectBase:
        pass

    class MenuItem:
        def __init__(self, **properties):
            self.properties = properties
            self.handlers = []

        def get_property(self, name):
            return self.properties[name]

        def connect(self, signal, handler):
            self.handlers.append((signal, handler))

        def activate(self):
            for signal, handler in self.handlers:
                if signal == "activate":
                    handler(self)

    repository.GObject = types.SimpleNamespace(GObject=GObjectBase)
    repository.Nautilus = types.SimpleNamespace(MenuProvider=type("MenuProvider", (), {}), MenuItem=MenuItem)
    gi.repository = repository
    sys.modules["gi"] = gi
    sys.modules["gi.repository"] = repository


class Location:
    def __init__(self, path):
        self.path = path

    def get_path(self):
        return self.path


class FileInfo:
    """What Nautilus hands an extension for one selected item."""

    def __init__(self, scheme, path=None):
        self.scheme = scheme
        self.path = path

    def get_uri_scheme(self):
        return self.scheme

    def get_location(self):
        return Location(self.path)

    def is_directory(self):
        return False


if not real:
    stand_in_modules()
# Loaded as python3-nautilus loads it: the file run as a module of its own.
extension = types.ModuleType("loftwell_move_to_drive")
with open(extension_path, encoding="utf-8") as source:
    exec(compile(source.read(), extension_path, "exec"), extension.__dict__)
from gi.repository import Nautilus  # noqa: E402  (the real one, or the stand-in)

started = []


class Popen:
    def __init__(self, argv, **options):
        started.append((argv, options))


extension.subprocess = types.SimpleNamespace(Popen=Popen, DEVNULL=subprocess.DEVNULL)
provider = extension.MoveToExternalDrive()
if real:
    check(isinstance(provider, Nautilus.MenuProvider), "the extension is a Nautilus menu provider")

home = "/home/sam"
os.environ["HOME"] = home
os.environ.pop("XDG_DATA_HOME", None)
odd = os.fsdecode(b"/home/sam/Downloads/bad-\xff\xfe.iso")  # as PyGObject gives a name that is not UTF-8
selection = [FileInfo("file", "/home/sam/Videos/Holiday 2025.mkv"), FileInfo("file", "/home/sam/Downloads/a b"),
             FileInfo("file", "/home/sam/Projects"), FileInfo("file", odd)]
for language, label in (("C", "Move to External Drive…"), ("zh_CN.UTF-8", "移到外部驱动器…")):
    for name in ("LANGUAGE", "LC_ALL", "LC_MESSAGES"):
        os.environ.pop(name, None)
    os.environ["LANG"] = language
    items = provider.get_file_items(selection)
    check(len(items) == 1, f"one menu item for local files and folders ({language})")
    if not items:
        continue
    check(items[0].get_property("label") == label, f"the label in {language}: {items[0].get_property('label')}")
    tip = items[0].get_property("tip")
    check(("external drive" if language == "C" else "外部驱动器") in tip, f"a one-line description in {language}: {tip}")
    started.clear()
    items[0].activate()
    check(len(started) == 1, "activating it starts one program")
    if started:
        argv, options = started[0]
        check(argv == [b"loftwell", b"/home/sam/Videos/Holiday 2025.mkv", b"/home/sam/Downloads/a b",
                       b"/home/sam/Projects", b"/home/sam/Downloads/bad-\xff\xfe.iso"],
              f"loftwell with each path's exact bytes, no shell: {argv}")
        check(options.get("start_new_session") is True, "loftwell outlives the file manager's menu")
# Nautilus before 43 gives the window first.
check(len(provider.get_file_items(None, selection[:1])) == 1, "the older call with a window first")

# Not for what Loftwell cannot take: the Trash, remote places, Recent and
# Starred, or a selection that mixes them with local items.
for files, what in (([FileInfo("trash", None)], "an item in the Trash"),
                    ([FileInfo("file", home + "/.local/share/Trash/files")], "the Trash's own folder"),
                    # gvfs gives a remote item a local path through FUSE: the scheme tells.
                    ([FileInfo("sftp", "/run/user/1000/gvfs/sftp:host=nas/share/a.iso")], "a remote place"),
                    ([FileInfo("recent", None)], "Recent"),
                    ([FileInfo("file", home + "/a.iso"),
                      FileInfo("smb", "/run/user/1000/gvfs/smb-share:server=nas,share=x/b.iso")],
                     "a local and a remote item"),
                    ([], "nothing selected")):
    check(provider.get_file_items(files) == [], f"no menu item for {what}")
check(provider.get_background_items(None) == [], "nothing on the folder's background")

if not real:
    # The Nemo action, read as a key file (Nemo reads it with GKeyFile).
    action = configparser.ConfigParser(interpolation=None, strict=True)
    action.optionxform = str
    action.read(os.path.join(source_dir, "packaging", "loftwell-move-to-drive.nemo_action"), encoding="utf-8")
    group = action["Nemo Action"] if action.has_section("Nemo Action") else {}
    check(group.get("Name") == "Move to External Drive…", "the Nemo action's name")
    check(group.get("Name[zh_CN]") == "移到外部驱动器…", "the Nemo action's Chinese name")
    check(bool(group.get("Comment")) and bool(group.get("Comment[zh_CN]")), "its descriptions in both languages")
    check(group.get("Exec") == "loftwell %F", f"its command: {group.get('Exec')}")
    check(group.get("Selection") == "notnone" and group.get("Extensions") == "any;",
          "for any files and folders selected")
    check(group.get("Dependencies") == "loftwell;", "shown only where loftwell is installed")

    # The README's Thunar recipe: an <action> as Thunar keeps it in uca.xml.
    readme = open(os.path.join(source_dir, "README.md"), encoding="utf-8").read()
    found = re.search(r"```xml\n(<action>.*?</action>)\n```", readme, re.S)
    check(found is not None, "the README gives a Thunar action for uca.xml")
    if found:
        thunar = ElementTree.fromstring(found.group(1))
        check(thunar.findtext("command") == "loftwell %F", "Thunar runs loftwell %F")
        check(thunar.findtext("name") == "Move to External Drive…", "Thunar's action has the window's words")
        check(thunar.findtext("patterns") == "*", "for every name")
        for kind in ("directories", "audio-files", "image-files", "other-files", "text-files", "video-files"):
            check(thunar.find(kind) is not None, f"Thunar's action applies to {kind}")

    # The same against the real modules, where python3-nautilus is installed.
    probe = subprocess.run(["/usr/bin/python3", "-c", "import gi; gi.require_version('Nautilus', '4.0')"],
                           capture_output=True)
    if probe.returncode == 0:
        again = subprocess.run(["/usr/bin/python3", __file__, source_dir, "--real"])
        check(again.returncode == 0, "the extension against the real Nautilus module")
    else:
        print("python3-nautilus is not installed: the real module not tried")

if failures:
    sys.exit(1)
print("real Nautilus module" if real else "stand-in modules", "passed")

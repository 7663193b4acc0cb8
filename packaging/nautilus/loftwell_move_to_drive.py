# GNOME Files (Nautilus): "Move to External Drive…" in the context menu of
# local files and folders, opening Loftwell with them as its list.
# Installed to /usr/share/nautilus-python/extensions/; loaded by
# python3-nautilus, and without it nothing happens.

import os
import subprocess

import gi

try:
    gi.require_version("Nautilus", "4.0")
except ValueError:
    gi.require_version("Nautilus", "3.0")
from gi.repository import GObject, Nautilus  # noqa: E402

# The window's own words, in both of its languages.
TEXTS = {
    "english": ("Move to External Drive…", "Open the selected items in Loftwell to move them to an external drive"),
    "chinese": ("移到外部驱动器…", "在 Loftwell 中打开所选项目，把它们移到外部驱动器"),
}


def language(environment=os.environ):
    """Chinese exactly when the first preferred language is, as the window decides."""
    for name in ("LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"):
        value = environment.get(name, "")
        first = value.split(":")[0]
        if first:
            return "chinese" if first.startswith("zh") else "english"
    return "english"


def trash_folder(environment=os.environ):
    data_home = environment.get("XDG_DATA_HOME", "")
    if not data_home.startswith("/"):
        data_home = os.path.join(os.path.expanduser("~"), ".local", "share")
    return os.fsencode(os.path.join(data_home, "Trash"))


def local_paths(files):
    """The selection's paths as bytes, or None where any item is not a
    local file or folder Loftwell can move (the Trash, a remote place,
    Recent, Starred, Other Locations)."""
    paths = []
    trash = trash_folder()
    for item in files:
        if item.get_uri_scheme() != "file":
            return None
        location = item.get_location()
        path = location.get_path() if location is not None else None
        if not path:
            return None
        # A name that is not UTF-8 arrives with its bytes escaped; fsencode
        # gives them back exactly.
        raw = os.fsencode(path)
        if raw == trash or raw.startswith(trash + b"/"):
            return None
        paths.append(raw)
    return paths or None


def command(paths):
    return [b"loftwell"] + list(paths)


def start(paths):
    # Loftwell outlives the menu: its own session, nothing inherited.
    subprocess.Popen(command(paths), stdin=subprocess.DEVNULL, close_fds=True, start_new_session=True)


class MoveToExternalDrive(GObject.GObject, Nautilus.MenuProvider):
    def get_file_items(self, *arguments):
        # Nautilus 43 passes the files alone; older ones a window first.
        files = arguments[-1]
        paths = local_paths(files)
        if paths is None:
            return []
        label, tip = TEXTS[language()]
        item = Nautilus.MenuItem(name="Loftwell::MoveToExternalDrive", label=label, tip=tip, icon="loftwell")
        item.connect("activate", lambda *_: start(paths))
        return [item]

    def get_background_items(self, *arguments):
        return []

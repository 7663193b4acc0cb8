'''The desktop's disk service, UDisks2, for tests: one block device holding
one file system, on one drive, whose Mount and Unmount really mount and
unmount it (the tests run as root), as udisksd would.

Parameters: "device" (/dev/loopN), "driver" (the command that mounts it,
with {device} and {point} in its arguments), "uuid", "label", "mounted_at" (where it
is mounted now), "mount_again_at" (where Mount puts it: the mount point may
change), "busy" (Unmount fails as a busy drive does), "refuse_mount"
(Mount fails, as for a drive that no longer mounts). Mount takes the
option "ro", as udisksd does.'''

import dbus
from dbusmock.mockobject import objects

BUS_NAME = 'org.freedesktop.UDisks2'
MAIN_OBJ = '/org/freedesktop/UDisks2'
MAIN_IFACE = 'org.freedesktop.UDisks2.Manager'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

BLOCK = 'org.freedesktop.UDisks2.Block'
FILESYSTEM = 'org.freedesktop.UDisks2.Filesystem'
DRIVE = 'org.freedesktop.UDisks2.Drive'
DRIVE_OBJ = '/org/freedesktop/UDisks2/drives/Fake_Stick'


def points(paths):
    return dbus.Array([dbus.ByteArray(p.encode() + b'\0') for p in paths], signature='ay')


def load(mock, parameters):
    device = parameters['device']
    block = '/org/freedesktop/UDisks2/block_devices/' + device.rsplit('/', 1)[-1]
    mock.AddObject(block, BLOCK, {
        'Device': dbus.ByteArray(device.encode() + b'\0'),
        'IdUUID': parameters.get('uuid', ''),
        'IdLabel': parameters.get('label', ''),
        'IdType': parameters.get('type', 'exfat'),
        'Drive': dbus.ObjectPath(DRIVE_OBJ),
    }, [])
    mock.AddObject(DRIVE_OBJ, DRIVE, {
        'Removable': True,
        'CanPowerOff': True,
    }, [('PowerOff', 'a{sv}', '', '')])
    driver = parameters['driver']
    unmount = f'''
import subprocess
mounted = [bytes(p).rstrip(b"\\0").decode() for p in self.Get({FILESYSTEM!r}, "MountPoints")]
if not mounted:
    raise dbus.exceptions.DBusException("Not mounted", name="org.freedesktop.UDisks2.Error.NotMounted")
if {bool(parameters.get('busy'))!r} or subprocess.run(["umount", mounted[0]]).returncode != 0:
    raise dbus.exceptions.DBusException("target is busy", name="org.freedesktop.UDisks2.Error.DeviceBusy")
self.Set({FILESYSTEM!r}, "MountPoints", dbus.Array([], signature="ay"))
'''
    mount = f'''
import os, subprocess
point = {parameters['mount_again_at']!r}
os.makedirs(point, exist_ok=True)
command = []
for part in {driver!r}:
    command.append(part.replace("{{point}}", point))
if "ro" in str(args[0].get("options", "")).split(","):
    command += ["-o", "ro"]
if {bool(parameters.get('refuse_mount'))!r} or subprocess.run(command, stdout=subprocess.DEVNULL,
                                                               stderr=subprocess.DEVNULL).returncode != 0:
    raise dbus.exceptions.DBusException("Error mounting: wrong fs type", name="org.freedesktop.UDisks2.Error.Failed")
self.Set({FILESYSTEM!r}, "MountPoints", dbus.Array([dbus.ByteArray(point.encode() + b"\\0")], signature="ay"))
ret = point
'''
    objects[block].AddProperties(FILESYSTEM, {'MountPoints': points([parameters['mounted_at']])})
    objects[block].AddMethods(FILESYSTEM, [('Unmount', 'a{sv}', '', unmount), ('Mount', 'a{sv}', 's', mount)])

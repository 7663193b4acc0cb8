'''The desktop portal with only Inhibit, for tests: each Inhibit returns the
same request, whose Close is recorded like any call.'''

import dbus

BUS_NAME = 'org.freedesktop.portal.Desktop'
MAIN_OBJ = '/org/freedesktop/portal/desktop'
MAIN_IFACE = 'org.freedesktop.portal.Inhibit'
SYSTEM_BUS = False

REQUEST = '/org/freedesktop/portal/desktop/request/1/loftwell'


def load(mock, parameters):
    mock.AddMethod(MAIN_IFACE, 'Inhibit', 'sua{sv}', 'o', f'ret = dbus.ObjectPath("{REQUEST}")')
    mock.AddObject(REQUEST, 'org.freedesktop.portal.Request', dbus.Dictionary({}, signature='sv'),
                   [('Close', '', '', '')])

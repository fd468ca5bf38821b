'''systemd-logind as far as the clock uses it: scheduled shutdown, wall
message, and the caller's session. Parameters: refuse_shutdown and refuse_wall
make those calls fail as an unauthorised caller's would; no_session makes
GetSessionByPID fail, so the caller must fall back to XDG_SESSION_ID.'''

import dbus

BUS_NAME = 'org.freedesktop.login1'
MAIN_OBJ = '/org/freedesktop/login1'
MAIN_IFACE = 'org.freedesktop.login1.Manager'
SYSTEM_BUS = True

SESSION = '/org/freedesktop/login1/session/_37'
DENIED = ('raise dbus.exceptions.DBusException("Access denied", '
          'name="org.freedesktop.DBus.Error.AccessDenied")')


def load(mock, parameters):
    mock.AddMethods(MAIN_IFACE, [
        ('SetWallMessage', 'sb', '', DENIED if parameters.get('refuse_wall') else ''),
        ('ScheduleShutdown', 'st', '', DENIED if parameters.get('refuse_shutdown') else ''),
        ('CancelScheduledShutdown', '', 'b', 'ret = True'),
        ('GetSessionByPID', 'u', 'o',
         'raise dbus.exceptions.DBusException("no session", '
         'name="org.freedesktop.login1.NoSessionForPID")' if parameters.get('no_session')
         else f'ret = dbus.ObjectPath("{SESSION}")'),
        ('GetSession', 's', 'o', f'ret = dbus.ObjectPath("{SESSION}")'),
    ])
    mock.AddObject(SESSION, 'org.freedesktop.login1.Session', {}, [('Terminate', '', '', '')])

'''The freedesktop screen saver's inhibitors, on the session bus, as desktops
other than GNOME offer them. Each Inhibit answers a new cookie: 1, 2, 3…'''

BUS_NAME = 'org.freedesktop.ScreenSaver'
MAIN_OBJ = '/org/freedesktop/ScreenSaver'
MAIN_IFACE = 'org.freedesktop.ScreenSaver'
SYSTEM_BUS = False


def load(mock, _parameters):
    mock.AddMethods(MAIN_IFACE, [
        ('Inhibit', 'ss', 'u', 'self.cookies = getattr(self, "cookies", 0) + 1; ret = self.cookies'),
        ('UnInhibit', 'u', '', ''),
    ])

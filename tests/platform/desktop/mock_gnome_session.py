'''The GNOME session manager's log-out and inhibitors, on the session bus.
Each Inhibit answers a new cookie: 1, 2, 3…'''

BUS_NAME = 'org.gnome.SessionManager'
MAIN_OBJ = '/org/gnome/SessionManager'
MAIN_IFACE = 'org.gnome.SessionManager'
SYSTEM_BUS = False


def load(mock, _parameters):
    mock.AddMethods(MAIN_IFACE, [
        ('Logout', 'u', '', ''),
        ('Inhibit', 'susu', 'u', 'self.cookies = getattr(self, "cookies", 0) + 1; ret = self.cookies'),
        ('Uninhibit', 'u', '', ''),
    ])

#include "support/fakes.h"
#include "trayicon/clocktrayicon.h"
#include "trayicon/systemtrayarea.h"

#include <QMenu>
#include <QPixmap>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

using namespace zentari;
using namespace Qt::Literals::StringLiterals;

namespace {

QIcon filled(Qt::GlobalColor colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

// The clock window, its menu and the tray icon over them, with a tray that the
// test says is there.
struct ClockWithTray
{
    ClockWithTray()
    {
        tray.notificationArea().trayAvailable = [] { return true; };
        icon().OnMinimize = [this](TTrayIcon&) { ++minimized; };
        icon().OnRestore = [this](TTrayIcon&) { ++restored; };
    }
    TTrayIcon& icon() { return tray.trayIcon(); }
    const QSystemTrayIcon& qtIcon() { return tray.notificationArea().trayIcon(); }

    QWidget clock;
    QMenu* menu = new QMenu(&clock);
    test::FakeWindowSystem windows;
    ClockTrayIcon tray{&clock, menu, &windows};
    int minimized = 0;
    int restored = 0;
};

} // namespace

TEST(SystemTrayArea, ActivationsBecomeTheButtonMessagesOfTheCallback)
{
    IconTable icons;
    SystemTrayArea area(icons);
    area.trayAvailable = [] { return true; };
    QList<qintptr> received;
    const quintptr window = area.allocateWindow([&](TMessage& m) {
        EXPECT_EQ(m.Msg, msg::TrayCallback);
        EXPECT_EQ(m.WParam, 42u);
        received.append(m.LParam);
    });
    NotifyIconData data;
    data.hWnd = window;
    data.uID = 42;
    data.uFlags = NifMessage | NifIcon;
    data.uCallbackMessage = msg::TrayCallback;
    ASSERT_TRUE(area.add(data));

    const auto messagesFor = [&](QSystemTrayIcon::ActivationReason reason) {
        received.clear();
        area.onActivated(reason);
        return received;
    };
    EXPECT_EQ(messagesFor(QSystemTrayIcon::Trigger), QList<qintptr>({0x201, 0x202}));
    EXPECT_EQ(messagesFor(QSystemTrayIcon::DoubleClick), QList<qintptr>({0x203}));
    EXPECT_EQ(messagesFor(QSystemTrayIcon::Context), QList<qintptr>({0x204, 0x205}));
    EXPECT_EQ(messagesFor(QSystemTrayIcon::MiddleClick), QList<qintptr>({0x207, 0x208}));
    EXPECT_TRUE(messagesFor(QSystemTrayIcon::Unknown).isEmpty());

    area.deallocateWindow(window);
    EXPECT_TRUE(messagesFor(QSystemTrayIcon::Trigger).isEmpty());
}

TEST(SystemTrayArea, WithoutANotificationAreaTheAddFailsCleanly)
{
    ClockWithTray c;
    c.tray.notificationArea().trayAvailable = [] { return false; };
    try {
        c.icon().SetVisible(true);
        FAIL() << "no exception";
    } catch (const EOutOfResources& e) {
        EXPECT_EQ(e.message(), u"Cannot Create System Shell Notification Icon"_s);
    }
    EXPECT_FALSE(c.qtIcon().isVisible());
    c.clock.show();
    c.clock.setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(c.minimized, 0) << "no hook without an icon";
}

TEST(SystemTrayArea, ShownIconHasAPictureAndTheHintButNoMenuOfQtsOwn)
{
    ClockWithTray c;
    c.icon().SetHint(u"Время : 12:00:00 Дата : 08.12.2026"_s);
    c.icon().SetVisible(true);
    EXPECT_TRUE(c.qtIcon().isVisible());
    EXPECT_FALSE(c.qtIcon().icon().isNull())
        << "the application has no icon: a drawn one stands in";
    EXPECT_EQ(c.qtIcon().toolTip(), u"Время : 12:00:00 Дата : 08.12.2026"_s);
    EXPECT_EQ(c.qtIcon().contextMenu(), nullptr);

    c.icon().SetHint(QString());
    EXPECT_TRUE(c.qtIcon().toolTip().isEmpty());

    const QIcon red = filled(Qt::red);
    const QIcon green = filled(Qt::green);
    c.tray.setIcons({red, green});
    c.icon().SetIconIndex(1);
    EXPECT_EQ(c.qtIcon().icon().cacheKey(), green.cacheKey());
    c.tray.setIcons({});
    EXPECT_EQ(c.icon().Icons(), nullptr);

    c.icon().SetVisible(false);
    EXPECT_FALSE(c.qtIcon().isVisible());
    EXPECT_THROW(c.icon().SetVisible(false), EOutOfResources) << "nothing left to remove";
}

TEST(SystemTrayArea, MinimisingTheClockWindowSendsItToTheTrayAndRestoreBringsItBack)
{
    ClockWithTray c;
    c.clock.show();
    const quint64 window = c.clock.winId();
    c.icon().SetVisible(true);

    c.clock.setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(c.minimized, 1);
    EXPECT_FALSE(c.clock.isVisible());
    EXPECT_TRUE(c.windows.skipTaskbar.value(window));

    c.icon().Restore();
    EXPECT_EQ(c.restored, 1) << "our own restore is not a second restore command";
    EXPECT_TRUE(c.clock.isVisible());
    EXPECT_FALSE(c.clock.isMinimized());
    EXPECT_FALSE(c.windows.skipTaskbar.value(window, true));

    c.icon().Minimize();
    EXPECT_EQ(c.minimized, 2);
    EXPECT_FALSE(c.clock.isVisible());

    c.icon().SetVisible(false);
    c.icon().Restore();
    c.clock.setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(c.minimized, 2) << "the hook is gone with the icon";
}

TEST(SystemTrayArea, ADestroyedMenuIsDropped)
{
    ClockWithTray c;
    EXPECT_NE(c.icon().PopupMenu(), nullptr);
    delete c.menu;
    EXPECT_EQ(c.icon().PopupMenu(), nullptr);
    c.icon().ShowMenu();
}

#include "app/clockdesktop.h"
#include "core/error.h"
#include "scheduler/shutdowntemplates.h"
#include "support/fakes.h"
#include "support/programdir.h"
#include "trayicon/trayfakes.h"
#include "trayicon/trayicon.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QWidget>
#include <gtest/gtest.h>

using namespace zentari;
using zentari::test::FakeNotificationArea;
using zentari::test::ProgramDir;

namespace {

// The desktop object over a bare window and a fake tray; every request it
// makes is written down by name, in order.
class ClockDesktopTest : public ::testing::Test
{
protected:
    ProgramDir dir;
    QStringList traySteps;
    FakeNotificationArea area{traySteps};
    zentari::test::FakeWindowSystem windows;
    QWidget window;
    std::unique_ptr<ClockDesktop> desktop;
    QStringList asked;

    ClockDesktopTest()
    {
        const QString from = QStringLiteral(ZENTARI_SOURCE_DATA_DIR);
        for (const char* name : {"min.bmp", "res.bmp"})
            QFile::copy(from + u'/' + QLatin1String(name),
                        dir.file(QStringLiteral("data/") + QLatin1String(name)));
        desktop = std::make_unique<ClockDesktop>(&window, dir.path(), &windows, &area);
        const std::vector<std::pair<void (ClockDesktop::*)(), const char*>> requests = {
            {&ClockDesktop::sendToTrayRequested, "to tray"},
            {&ClockDesktop::settingsRequested, "settings"},
            {&ClockDesktop::clockSettingsRequested, "conf"},
            {&ClockDesktop::stopSoundRequested, "stop sound"},
            {&ClockDesktop::abortShutdownRequested, "abort shutdown"},
            {&ClockDesktop::updateCheckRequested, "update"},
            {&ClockDesktop::exitRequested, "exit"},
            {&ClockDesktop::menuAboutToShow, "menu"},
            {&ClockDesktop::trayMinimized, "minimized"},
            {&ClockDesktop::trayRestored, "restored"},
            {&ClockDesktop::trayClicked, "clicked"}};
        for (const auto& [signal, name] : requests)
            QObject::connect(desktop.get(), signal, desktop.get(),
                             [this, name] { asked.append(QLatin1String(name)); });
        QObject::connect(
            desktop.get(), &ClockDesktop::templateChosen, desktop.get(),
            [this](const QString& item) { asked.append(QStringLiteral("template ") + item); });
    }

    bool shows(const QAction* item, const char* picture) const
    {
        const QImage expected = QImage(dir.file(QStringLiteral("data/") + QLatin1String(picture)))
                                    .convertToFormat(QImage::Format_ARGB32);
        return item->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32) ==
               expected;
    }
};

} // namespace

TEST_F(ClockDesktopTest, EachMenuItemAsksForItsOwnCommandOnly)
{
    desktop->N1->setEnabled(true); // both start disabled until there is something to stop
    desktop->N3->setEnabled(true);
    const std::vector<std::pair<QAction*, const char*>> items = {{desktop->SendToTray1, "to tray"},
                                                                 {desktop->Configure, "settings"},
                                                                 {desktop->N6, "conf"},
                                                                 {desktop->N1, "stop sound"},
                                                                 {desktop->N3, "abort shutdown"},
                                                                 {desktop->N7, "update"},
                                                                 {desktop->N5, "exit"}};
    for (const auto& [item, request] : items) {
        asked.clear();
        item->trigger();
        EXPECT_EQ(asked, QStringList{QLatin1String(request)}) << item->text().toStdString();
    }
    // Every item sits in the one popup menu the tray icon also shows.
    for (const auto& [item, request] : items)
        EXPECT_TRUE(desktop->PopupMenu1->actions().contains(item)) << request;
}

TEST_F(ClockDesktopTest, EachTemplateItemAsksForItsOwnTemplate)
{
    ASSERT_EQ(desktop->templateItems().size(), qsizetype(kShutdownTemplates.size()));
    QStringList seen;
    for (QAction* item : desktop->N8->actions()) {
        if (item->isSeparator())
            continue;
        const QString name = desktop->templateItems().value(item);
        ASSERT_FALSE(name.isEmpty()) << item->text().toStdString();
        EXPECT_EQ(item->objectName(), name);
        asked.clear();
        item->trigger();
        EXPECT_EQ(asked, QStringList{QStringLiteral("template ") + name});
        seen.append(name);
    }
    // In menu order, each template once, under the caption that names it.
    QStringList expected;
    for (const ShutdownTemplate& t : kShutdownTemplates) {
        expected.append(t.itemName.toString());
        EXPECT_EQ(desktop->N8->findChild<QAction*>(t.itemName.toString())->text(), t.caption);
    }
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(desktop->N11->actions().contains(desktop->N8->menuAction()));
}

TEST_F(ClockDesktopTest, ATemplatesCaptionIsWhatItsItemReadsWithoutAcceleratorMarks)
{
    EXPECT_EQ(desktop->templateCaption(u"N13"), u"Через 1 минуту");
    // A toolkit or a theme may give the item an accelerator.
    desktop->N8->findChild<QAction*>(QStringLiteral("N51"))
        ->setText(QStringLiteral("Через &5 минут"));
    EXPECT_EQ(desktop->templateCaption(u"N51"), u"Через 5 минут");
    EXPECT_TRUE(desktop->templateCaption(u"N99").isNull());
}

TEST_F(ClockDesktopTest, TheTrayIconsGesturesAskForMinimiseRestoreAndClick)
{
    window.show();
    desktop->sendToTray();
    EXPECT_EQ(asked, QStringList{QStringLiteral("minimized")});
    EXPECT_TRUE(desktop->TrayIcon1->Visible());
    EXPECT_EQ(traySteps.count(QStringLiteral("add")), 1);

    // A double click restores; a single click is the menu's first item's business.
    asked.clear();
    area.mouse(msg::LButtonDblClk);
    EXPECT_EQ(asked, QStringList{QStringLiteral("restored")});
    asked.clear();
    area.mouse(msg::LButtonUp);
    EXPECT_EQ(asked, QStringList{QStringLiteral("clicked")});

    asked.clear();
    desktop->restoreFromTray();
    EXPECT_EQ(asked, QStringList{QStringLiteral("restored")});
    EXPECT_FALSE(desktop->TrayIcon1->Visible());
    EXPECT_EQ(traySteps.count(QStringLiteral("remove")), 1);
}

TEST_F(ClockDesktopTest, TheFirstItemNamesAndPicturesTheWayBack)
{
    desktop->showMinimized();
    EXPECT_TRUE(desktop->TrayIcon1->Visible()); // an icon even when minimised from elsewhere
    EXPECT_TRUE(shows(desktop->SendToTray1, "res.bmp"));
    desktop->showSendToTrayCaption(true);
    EXPECT_EQ(desktop->SendToTray1->text(), u"Восстановить из трея");

    desktop->showRestored();
    EXPECT_FALSE(desktop->TrayIcon1->Visible());
    EXPECT_TRUE(shows(desktop->SendToTray1, "min.bmp"));
    desktop->showSendToTrayCaption(false);
    EXPECT_EQ(desktop->SendToTray1->text(), u"Свернуть в трей");

    // The picture is required: without it the handler ends with an error.
    QFile::remove(dir.file(QStringLiteral("data/res.bmp")));
    EXPECT_THROW(desktop->showMinimized(), Error);
}

TEST_F(ClockDesktopTest, WithoutANotificationAreaSendingToTheTraySaysSoAndStays)
{
    area.refuseAdd = true;
    try {
        desktop->sendToTray();
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().startsWith(
            QStringLiteral("На этом рабочем столе нет области уведомлений (системного трея)")));
    }
    EXPECT_TRUE(asked.isEmpty()); // never minimised: the clock stays where it is
    EXPECT_FALSE(desktop->trayAvailable());
}

TEST_F(ClockDesktopTest, AClockMinimisedOnTheDesktopGoesToTheTrayOrKeepsAButton)
{
    bool inTray = false;
    desktop->inTray = [&inTray] { return inTray; };
    window.show();
    const quint64 id = window.winId();
    EXPECT_FALSE(windows.skipTaskbar.contains(id)); // a button until the start-up step
    desktop->leaveTaskbar();
    EXPECT_TRUE(windows.skipTaskbar.value(id));

    window.setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    EXPECT_EQ(asked, QStringList{QStringLiteral("to tray")});

    // Already in the tray, a minimise is the icon's own doing: nothing more asked.
    asked.clear();
    window.setWindowState(Qt::WindowNoState);
    inTray = true;
    window.setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    EXPECT_TRUE(asked.isEmpty());

    // No tray: a taskbar button while minimised, none again once it is back.
    inTray = false;
    window.setWindowState(Qt::WindowNoState);
    area.refuseAdd = true;
    window.setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    EXPECT_FALSE(windows.skipTaskbar.value(id, true));
    EXPECT_TRUE(asked.isEmpty());
    window.setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(windows.skipTaskbar.value(id, false));
}

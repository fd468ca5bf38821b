#include "platform/desktopservices.h"
#include "platform/notifications_freedesktop.h"
#include "platform/notifications_recording.h"
#include "platform/power_logind.h"
#include "platform/shell_linux.h"
#include "platform/windowsystem_x11.h"
#include "soundfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zentari;

namespace {

class DryRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("ZENTARI_DRY_RUN", logPath().toUtf8());
    }
    void TearDown() override { qunsetenv("ZENTARI_DRY_RUN"); }

    QString logPath() const { return m_dir.filePath(QStringLiteral("actions.log")); }
    QStringList logged() const
    {
        QFile file(logPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(DryRunTest, SystemActionsGoToTheFileInsteadOfTheSystem)
{
    DesktopServices desktop;
    ASSERT_TRUE(desktop.dryRun());
    const Services s = desktop.services();
    s.shell->open(QStringLiteral("/usr/bin/conf"), QStringLiteral("-x"), QStringLiteral("/tmp"));
    s.shell->restart(QStringLiteral("/opt/zentari/Zentari"));
    EXPECT_TRUE(
        s.power->scheduleShutdown(PowerAction::PowerOff, 50, QStringLiteral("выключение ")));
    EXPECT_TRUE(
        s.power->scheduleShutdown(PowerAction::Reboot, 50, QStringLiteral("перезагрузка ")));
    s.power->logOff();
    s.power->cancelShutdown();
    EXPECT_EQ(logged(), QStringList({
                            QStringLiteral("open\t/usr/bin/conf\t-x"),
                            QStringLiteral("restart\t/opt/zentari/Zentari"),
                            QStringLiteral("poweroff\t50\tвыключение "),
                            QStringLiteral("reboot\t50\tперезагрузка "),
                            QStringLiteral("logoff"),
                            QStringLiteral("cancel-shutdown"),
                        }));
}

TEST_F(DryRunTest, SoundsAreLoggedAndStillPlay)
{
    DesktopServices desktop;
    const Services s = desktop.services();
    const QString wav = m_dir.filePath(QStringLiteral("music.wav"));
    test::writeToneWav(wav, 2000);
    s.player->open(wav);
    s.player->play();
    EXPECT_EQ(s.player->mode(), MediaPlayer::Mode::Playing);
    s.beeper->beep(1000, 100);
    EXPECT_EQ(logged(),
              QStringList({QStringLiteral("play\t") + wav, QStringLiteral("beep\t1000\t100")}));
}

TEST_F(DryRunTest, NotificationsAreLoggedUnlessTheRealOnesAreAskedFor)
{
    {
        DesktopServices desktop;
        auto* notes = dynamic_cast<RecordingNotifications*>(desktop.services().notifications);
        ASSERT_NE(notes, nullptr);
        Notification note;
        note.summary = QStringLiteral("Пропущенные события");
        note.body = QStringLiteral("Не выполнено: 1. Откройте список.");
        notes->notify(note, nullptr, {});
        EXPECT_EQ(logged(), QStringList{QStringLiteral(
                                "notify\tПропущенные события\tНе выполнено: 1. Откройте список.")});
    }
    // The dry run of the test against a stand-in notification server.
    qputenv("ZENTARI_REAL_NOTIFICATIONS", "1");
    DesktopServices desktop;
    qunsetenv("ZENTARI_REAL_NOTIFICATIONS");
    EXPECT_NE(dynamic_cast<FreedesktopNotifications*>(desktop.services().notifications), nullptr);
}

TEST(DesktopServices, RealServicesWithoutDryRun)
{
    qunsetenv("ZENTARI_DRY_RUN");
    DesktopServices desktop;
    EXPECT_FALSE(desktop.dryRun());
    const Services s = desktop.services();
    ASSERT_TRUE(s.clock && s.shell && s.messages && s.power && s.beeper && s.player && s.windows &&
                s.machine);
    EXPECT_NE(dynamic_cast<DesktopShell*>(s.shell), nullptr);
    EXPECT_NE(dynamic_cast<LogindPower*>(s.power), nullptr);
    EXPECT_NE(dynamic_cast<FreedesktopNotifications*>(s.notifications), nullptr);
    // The tests run on the offscreen platform, which has no X11 windows.
    EXPECT_NE(dynamic_cast<NullWindowSystem*>(s.windows), nullptr);
    EXPECT_LE(qAbs(s.clock->now().secsTo(QDateTime::currentDateTime())), 2);
    EXPECT_EQ(s.machine->readString(QStringLiteral("USE")), QString());
    EXPECT_EQ(s.player->mode(), MediaPlayer::Mode::NotOpen);
}

TEST(NullWindowSystem, KnowsNothingAndDoesNothing)
{
    NullWindowSystem windows;
    EXPECT_EQ(windows.foregroundWindow(), 0u);
    EXPECT_EQ(windows.windowTitle(42), QString());
    windows.setWindowTitle(42, QStringLiteral("x"));
    windows.keepAbove(42);
    windows.setSkipTaskbar(42, true);
    EXPECT_NE(dynamic_cast<NullWindowSystem*>(createWindowSystem().get()), nullptr);
}

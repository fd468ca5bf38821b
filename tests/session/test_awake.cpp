// Staying awake for a pending power action and waking the machine for the
// next alarm, seen through the session: the recording sleep service logs
// "inhibit"/"uninhibit", the recording wake alarms "wake"/"wake-stop".
#include "core/options.h"
#include "platform/sleeprecording.h"
#include "scheduler/actiondispatcher.h"
#include "session/clocksession.h"
#include "support/fakes.h"
#include "support/programdir.h"

#include <gtest/gtest.h>

using namespace zentari;
using zentari::test::FakeSystem;
using zentari::test::ProgramDir;

namespace {

class QuietHost : public SessionHost
{
public:
    void showTime(const QDateTime&) override {}
    void stopSoundAvailable(bool) override {}
    void cancelShutdownAvailable() override {}
    void shutdownScheduled(int, const QString&) override {}
    void showReminder(const QString& title, const QString&, const QString&) override
    {
        reminders.append(title);
    }
    void reminderClosed() override {}
    QStringList reminders;
};

const QDate kTuesday(2026, 12, 8);

class Awake : public ::testing::Test
{
protected:
    ProgramDir dir;
    FakeSystem sys;
    RecordingSleepService sleep{sys.log};
    RecordingWakeAlarms wake{sys.log};
    ErrorReport report{sys.messages};
    QuietHost host;
    std::unique_ptr<ClockSession> session;

    ClockSession& start(const QString& conf, const QByteArray& ids = {})
    {
        dir.writeConf(conf);
        if (!ids.isEmpty()) {
            dir.write(QStringLiteral("data/1Ids.zdt"), ids);
            dir.write(QStringLiteral("data/1Paths.zdt"), ids);
        }
        Services services = sys.services();
        services.sleep = &sleep;
        services.wake = &wake;
        session = std::make_unique<ClockSession>(dir.path(), services, report);
        session->setHost(&host);
        session->openConfigStore();
        session->reloadActionLists();
        session->loadAtStart();
        return *session;
    }
    void tickAt(QTime time, QDate day = kTuesday)
    {
        sys.clock.set(QDateTime(day, time));
        session->tick();
    }
    // Ticks every second from one time to another, as the clock does.
    void runFrom(QTime from, QTime to, QDate day = kTuesday)
    {
        for (QDateTime t(day, from); t <= QDateTime(day, to); t = t.addSecs(1)) {
            sys.clock.set(t);
            session->tick();
        }
    }
    // What the sleep service and wake alarms were told, and the power actions between.
    QStringList told()
    {
        QStringList out;
        for (const QString& line : sys.log.lines()) {
            if (line.startsWith(u"inhibit") || line == u"uninhibit" || line.startsWith(u"wake") ||
                line.startsWith(u"poweroff") || line.startsWith(u"reboot") || line == u"logoff")
                out.append(line);
        }
        sys.log.clear();
        return out;
    }
};

} // namespace

TEST_F(Awake, AScheduledShutdownHoldsTheMachineAwakeUntilDeletedOrPerformed)
{
    ClockSession& s = start(QString());
    sys.clock.set(QDateTime(kTuesday, QTime(12, 0, 0)));
    EXPECT_TRUE(told().isEmpty()) << "nothing pending, nothing held";

    // A template: held from the moment it is stored.
    const QString first =
        s.runTemplate(u"N12", QString(), QStringLiteral("08.12.2026"), QStringLiteral("12:00:00"));
    EXPECT_EQ(told(), QStringList{QStringLiteral("inhibit\tВыключение компьютера в 14:00:00")});

    // Deleted in the editor: the clock reads its lists again, and lets go.
    ASSERT_TRUE(s.actions().removeAt(0, first));
    s.reloadActionLists();
    EXPECT_EQ(told(), QStringList{QStringLiteral("uninhibit")});

    // Two templates: the lock names the earlier one, then the later, and goes
    // once the last is performed.
    s.runTemplate(u"N51", QString(), QStringLiteral("08.12.2026"), QStringLiteral("12:00:00"));
    s.runTemplate(u"N14", QString(), QStringLiteral("08.12.2026"), QStringLiteral("12:00:00"));
    EXPECT_EQ(told(), (QStringList{QStringLiteral("inhibit\tВыключение компьютера в 12:05:00"),
                                   QStringLiteral("inhibit\tВыключение компьютера в 12:02:00")}));
    runFrom(QTime(12, 0, 1), QTime(12, 2, 0));
    EXPECT_EQ(told(),
              (QStringList{QStringLiteral("poweroff\t50\t") + ActionDispatcher::kShutdownMessage,
                           QStringLiteral("inhibit\tВыключение компьютера в 12:05:00")}));
    // Stopping the performed shutdown leaves the one still to come held.
    s.shutdownAborted();
    EXPECT_TRUE(told().isEmpty());
    runFrom(QTime(12, 2, 1), QTime(12, 5, 0));
    EXPECT_EQ(told(),
              (QStringList{QStringLiteral("poweroff\t50\t") + ActionDispatcher::kShutdownMessage,
                           QStringLiteral("uninhibit")}));
    s.shutdownAborted();
    EXPECT_TRUE(told().isEmpty());
    EXPECT_TRUE(sleep.awakeReason().isEmpty());
}

TEST_F(Awake, ARepeatedPowerActionIsHeldOnlyInItsLastHalfHour)
{
    // A daily reboot at 8:00, a log-off on Tuesdays at 8:20, and a shutdown
    // whose "08:30:00" the clock never shows ("8:30:00"): never held.
    ClockSession& s = start(QStringLiteral("[Actionr]\nAction=2\nTime=8:00:00\nType_Per=2\n"
                                           "[Actionl]\nAction=3\nTime=8:20:00\nType_Per=3\nTue=1\n"
                                           "[Actionz]\nAction=4\nTime=08:30:00\nType_Per=2\n"),
                            "r\r\nl\r\nz\r\n");
    tickAt(QTime(7, 20, 0));
    EXPECT_TRUE(told().isEmpty());
    tickAt(QTime(7, 31, 0));
    EXPECT_EQ(told(), QStringList{QStringLiteral("inhibit\tПерезагрузка компьютера в 8:00:00")});
    runFrom(QTime(7, 59, 59), QTime(8, 0, 0));
    EXPECT_EQ(told(),
              (QStringList{QStringLiteral("reboot\t50\t") + ActionDispatcher::kRebootMessage,
                           QStringLiteral("inhibit\tВыход из системы в 8:20:00")}));
    runFrom(QTime(8, 19, 59), QTime(8, 20, 0));
    EXPECT_EQ(told(), (QStringList{QStringLiteral("logoff"), QStringLiteral("uninhibit")}));

    // Wednesday: the reboot again, the log-off not (not its day).
    tickAt(QTime(7, 30, 0), kTuesday.addDays(1));
    EXPECT_EQ(told(), QStringList{QStringLiteral("inhibit\tПерезагрузка компьютера в 8:00:00")});
    // With alarms off nothing will be performed: nothing is held.
    s.setAlarmEnabled(false);
    EXPECT_EQ(told(), QStringList{QStringLiteral("uninhibit")});
    s.setAlarmEnabled(true);
    EXPECT_EQ(told(), QStringList{QStringLiteral("inhibit\tПерезагрузка компьютера в 8:00:00")});
}

TEST_F(Awake, AOnceOnlyActionDaysAheadIsNamedWithItsDate)
{
    start(QStringLiteral("[Actiona]\nAction=3\nDate=11.12.2026\nTime=18:00:00\nType_Per=1\n"
                         "[Actionb]\nAction=4\nDate=01.12.2026\nTime=18:00:00\nType_Per=1\n"),
          "a\r\nb\r\n");
    tickAt(QTime(9, 0, 0));
    EXPECT_EQ(told(),
              QStringList{QStringLiteral("inhibit\tВыход из системы в 18:00:00 11.12.2026")});
}

TEST_F(Awake, WakeForAlarmsWakesAMinuteBeforeTheNextActionOrReminder)
{
    // Off by default: no wake time is ever given.
    start(QStringLiteral("[Actionx]\nAction=0\nTime=13:00:00\nType_Per=2\nPath=a.mp3\n"), "x\r\n");
    tickAt(QTime(12, 0, 0));
    EXPECT_TRUE(told().isEmpty());

    ClockSession& s = start(QStringLiteral("[Options big]\nWakeForAlarms=1\n"
                                           "[Actionx]\nAction=0\nTime=13:00:00\nType_Per=2\n"
                                           "Path=a.mp3\n"),
                            "x\r\n");
    tickAt(QTime(12, 0, 0));
    EXPECT_EQ(told(), QStringList{QStringLiteral("wake\t2026-12-08 12:59:00")});

    // An earlier reminder moves the wake time forward. In its last minute
    // the machine is woken at its very second; once it has been shown, the
    // action's wake time comes back.
    ASSERT_TRUE(s.reminders().addReminder(QStringLiteral("Чайник"), QStringLiteral("выключить"),
                                          kTuesday, QTime(12, 30, 0)));
    tickAt(QTime(12, 0, 1));
    EXPECT_EQ(told(), QStringList{QStringLiteral("wake\t2026-12-08 12:29:00")});
    runFrom(QTime(12, 29, 59), QTime(12, 30, 0));
    EXPECT_EQ(host.reminders, QStringList{QStringLiteral("Чайник")});
    EXPECT_EQ(told(), (QStringList{QStringLiteral("wake\t2026-12-08 12:30:00"),
                                   QStringLiteral("wake\t2026-12-08 12:59:00")}));

    // After the action, tomorrow's; just before sleep nothing needs changing.
    runFrom(QTime(12, 59, 59), QTime(13, 0, 0));
    EXPECT_EQ(told(), (QStringList{QStringLiteral("wake\t2026-12-08 13:00:00"),
                                   QStringLiteral("wake\t2026-12-09 12:59:00")}));
    s.prepareWakeForSleep();
    EXPECT_TRUE(told().isEmpty());

    // Switched off in conf.ini: the wake time goes.
    options::write(s.config(), options::WakeForAlarms, QStringLiteral("0"));
    tickAt(QTime(13, 0, 1));
    EXPECT_EQ(told(), QStringList{QStringLiteral("wake-stop")});
    EXPECT_TRUE(sys.messages.shown.isEmpty());
}

TEST_F(Awake, AMachineThatCannotBeWokenIsReportedOnceWithTheReason)
{
    wake.refusal = QStringLiteral("нет доступа к часам пробуждения");
    ClockSession& s = start(QStringLiteral("[Options big]\nWakeForAlarms=1\n"
                                           "[Actionx]\nAction=0\nTime=13:00:00\nType_Per=2\n"));
    for (int minute = 0; minute < 3; ++minute)
        tickAt(QTime(12, minute, 0));
    ASSERT_TRUE(s.reminders().addReminder(QStringLiteral("A"), QStringLiteral("a"), kTuesday,
                                          QTime(12, 30, 0)));
    tickAt(QTime(12, 3, 0));
    s.prepareWakeForSleep();
    // Switched off and on again, the back end refuses anew: not told again.
    options::write(s.config(), options::WakeForAlarms, QStringLiteral("0"));
    tickAt(QTime(12, 3, 1));
    options::write(s.config(), options::WakeForAlarms, QStringLiteral("1"));
    tickAt(QTime(12, 3, 2));
    ASSERT_EQ(sys.messages.shown.size(), 1);
    EXPECT_TRUE(sys.messages.shown[0].contains(QStringLiteral("нет доступа к часам пробуждения")))
        << sys.messages.shown[0].toStdString();
}

TEST_F(Awake, TheWakeTimeLooksAcrossTheWeekAndSkipsWhatNeverRings)
{
    // Mondays at 7:00; a "07:30:00" the clock never shows; a Tuesday-only
    // alarm already past today; alarms days ahead are all that is left.
    start(QStringLiteral("[Options big]\nWakeForAlarms=1\n"
                         "[Actionm]\nAction=0\nTime=7:00:00\nType_Per=3\nMon=1\n"
                         "[Actionz]\nAction=1\nTime=07:30:00\nType_Per=2\n"
                         "[Actiont]\nAction=0\nTime=9:00:00\nType_Per=3\nTue=1\n"),
          "m\r\nz\r\nt\r\n");
    tickAt(QTime(12, 0, 0));
    EXPECT_EQ(told(), QStringList{QStringLiteral("wake\t2026-12-14 06:59:00")});
    ASSERT_TRUE(session->reminders().addReminder(QStringLiteral("Отчёт"), QStringLiteral("сдать"),
                                                 QDate(2026, 12, 14), QTime(6, 0, 0)));
    tickAt(QTime(12, 0, 1));
    EXPECT_EQ(told(), QStringList{QStringLiteral("wake\t2026-12-14 05:59:00")});
}

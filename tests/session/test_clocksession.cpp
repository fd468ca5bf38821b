// The clock's session without a window: the tick over a fake clock, recording
// services and a host that writes down what the windows would be told.
#include "core/atomicfile.h"
#include "platform/sleeprecording.h"
#include "scheduler/actiondispatcher.h"
#include "session/clocksession.h"
#include "support/fakes.h"
#include "support/programdir.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace zentari;
using zentari::test::FakeSystem;
using zentari::test::ProgramDir;

namespace {

class RecordingHost : public SessionHost
{
public:
    void showTime(const QDateTime& now) override { shownTimes.append(now); }
    void stopSoundAvailable(bool available) override { stopSound.append(available); }
    void cancelShutdownAvailable() override { steps.append(QStringLiteral("cancel available")); }
    void shutdownScheduled(int seconds, const QString& message) override
    {
        steps.append(QStringLiteral("warning %1 ").arg(seconds) + message);
    }
    void showReminder(const QString& title, const QString& text, const QString&) override
    {
        steps.append(QStringLiteral("reminder ") + title + u' ' + text);
        if (duringReminder)
            duringReminder();
    }
    void reminderClosed() override { steps.append(QStringLiteral("closed")); }
    void missedEvents(const QList<MissedEvent>& events) override { missed.append(events); }

    QList<QList<MissedEvent>> missed; // one list per call
    QList<QDateTime> shownTimes;
    QList<bool> stopSound;
    QStringList steps;
    std::function<void()> duringReminder;
};

const QDate kToday(2026, 12, 8);

class Session : public ::testing::Test
{
protected:
    ProgramDir dir;
    FakeSystem sys;
    ErrorReport report{sys.messages};
    RecordingSleepService sleep{sys.log};
    RecordingHost host;
    std::unique_ptr<ClockSession> session;

    // The session as start-up makes it, over conf.ini and one action list line per id.
    ClockSession& start(const QString& conf, const QByteArray& ids = {})
    {
        dir.writeConf(conf);
        if (!ids.isEmpty()) {
            dir.write(QStringLiteral("data/1Ids.zdt"), ids);
            dir.write(QStringLiteral("data/1Paths.zdt"), ids);
        }
        session.reset(); // the earlier run ends first, as it saves its last second
        Services services = sys.services();
        services.sleep = &sleep;
        session = std::make_unique<ClockSession>(dir.path(), services, report);
        session->setHost(&host);
        session->openConfigStore();
        session->reloadActionLists();
        session->loadAtStart();
        return *session;
    }
    void tickAt(QTime time, QDate day = kToday)
    {
        sys.clock.set(QDateTime(day, time));
        session->tick();
    }
    QStringList played() const { return sys.logged(QStringLiteral("play")); }
};

const QString kAlarmAtNoonAndFive =
    QStringLiteral("[Actionx]\nAction=0\nTime=12:00:05\nType_Per=2\nPath=a.mp3\n");

} // namespace

// ---------------------------------------------------------------- actions

TEST_F(Session, ADueActionIsDispatchedOnceAndEverySecondIsShown)
{
    ClockSession& s = start(kAlarmAtNoonAndFive, "x\r\n");
    ASSERT_TRUE(s.alarmEnabled()); // conf.ini says nothing: alarms on
    tickAt(QTime(12, 0, 4));
    EXPECT_TRUE(played().isEmpty());
    tickAt(QTime(12, 0, 5));
    tickAt(QTime(12, 0, 5)); // a second tick in the same second does nothing more
    EXPECT_EQ(played(), QStringList{QStringLiteral("play\ta.mp3")});
    EXPECT_EQ(host.shownTimes.size(), 3);
    EXPECT_EQ(host.shownTimes.last(), QDateTime(kToday, QTime(12, 0, 5)));
}

TEST_F(Session, ASecondTheTickMissedIsDispatchedWithItsOwnTexts)
{
    start(QStringLiteral("[Actionx]\nAction=0\nTime=23:59:59\nDate=31.12.2026\nType_Per=1\n"
                         "Path=old-year.mp3\n"),
          "x\r\n");
    tickAt(QTime(23, 59, 58), QDate(2026, 12, 31));
    // A long beep blocked the thread across midnight.
    tickAt(QTime(0, 0, 1), QDate(2027, 1, 1));
    EXPECT_EQ(played(), QStringList{QStringLiteral("play\told-year.mp3")});
    EXPECT_EQ(host.shownTimes.last(), QDateTime(QDate(2027, 1, 1), QTime(0, 0, 1)));
}

TEST_F(Session, ActionsDueWhileABoxOfTheTickIsOpenRunOnce)
{
    ClockSession& s =
        start(QStringLiteral("[Options big]\nTimesPlay=often\n"
                             "[Actiona]\nAction=1\nTime=12:00:01\nType_Per=2\nPath=/tmp/one\n"
                             "[Actionb]\nAction=1\nTime=12:00:02\nType_Per=2\nPath=/tmp/two\n"),
              "a\r\nb\r\n");
    s.dispatcher().startSound(QStringLiteral("a.mp3"));
    sys.player.finish(); // the repeat step reports the bad "TimesPlay" in a box
    sys.clock.set(QDateTime(kToday, QTime(12, 0, 0)));
    // Under the box the clock goes on ticking, through both actions' seconds.
    sys.messages.onShow = [&] {
        sys.messages.onShow = nullptr;
        for (int i = 0; i < 2; ++i) {
            sys.clock.advanceSeconds(1);
            s.tick();
        }
    };
    s.tick();
    ASSERT_EQ(sys.messages.shown.size(), 1);
    for (int i = 0; i < 3; ++i) {
        sys.clock.advanceSeconds(1);
        s.tick();
    }
    EXPECT_EQ(
        sys.logged(QStringLiteral("open")),
        (QStringList{QStringLiteral("open\t/tmp/one\t"), QStringLiteral("open\t/tmp/two\t")}));
}

TEST_F(Session, TheAlarmSwitchOffSuppressesActionsAndOnDoesNotReplayThem)
{
    ClockSession& s =
        start(QStringLiteral("[Options small]\non=no\n") + kAlarmAtNoonAndFive, "x\r\n");
    EXPECT_FALSE(s.alarmEnabled()); // read from conf.ini at start
    tickAt(QTime(12, 0, 5));
    EXPECT_TRUE(played().isEmpty());
    EXPECT_EQ(host.shownTimes.size(), 1); // the clock goes on
    s.setAlarmEnabled(true);
    tickAt(QTime(12, 0, 6));
    EXPECT_TRUE(played().isEmpty());
    // The next day's second comes due as usual.
    tickAt(QTime(12, 0, 5), kToday.addDays(1));
    EXPECT_EQ(played(), QStringList{QStringLiteral("play\ta.mp3")});
}

TEST_F(Session, AnEditorsChangeReachesTheNextTickOnlyOnceReloaded)
{
    ClockSession& s = start(QString());
    dir.writeConf(kAlarmAtNoonAndFive);
    dir.write(QStringLiteral("data/1Ids.zdt"), "x\r\n");
    dir.write(QStringLiteral("data/1Paths.zdt"), "x\r\n");
    s.config().recheckNow();
    s.reloadActionLists();
    EXPECT_EQ(s.actionIds(), QStringList{QStringLiteral("x")});
    tickAt(QTime(12, 0, 5));
    EXPECT_EQ(played(), QStringList{QStringLiteral("play\ta.mp3")});
}

TEST_F(Session, AShutdownActionMakesTheAbortAvailableAndWarns)
{
    start(QStringLiteral("[Actionx]\nAction=4\nTime=12:00:05\nType_Per=2\n"), "x\r\n");
    tickAt(QTime(12, 0, 5));
    EXPECT_EQ(host.steps,
              (QStringList{QStringLiteral("warning 50 ") + ActionDispatcher::kShutdownMessage,
                           QStringLiteral("cancel available")}));
    EXPECT_EQ(sys.logged(QStringLiteral("poweroff")).size(), 1);
}

// ---------------------------------------------------------------- sound

TEST_F(Session, TheStopSoundItemFollowsTheSoundAndStoppingDisablesIt)
{
    ClockSession& s = start(QStringLiteral("[Options big]\nTimesPlay=0\n"));
    tickAt(QTime(12, 0, 0));
    EXPECT_FALSE(s.stopSoundEnabled());
    s.dispatcher().startSound(QStringLiteral("a.mp3"));
    tickAt(QTime(12, 0, 1));
    EXPECT_TRUE(s.stopSoundEnabled());
    s.stopSound();
    EXPECT_FALSE(s.stopSoundEnabled());
    EXPECT_EQ(host.stopSound, (QList<bool>{false, true, false}));
    tickAt(QTime(12, 0, 2));
    EXPECT_FALSE(s.stopSoundEnabled());
    EXPECT_EQ(played().size(), 1); // stopped means no repeat either
}

TEST_F(Session, AnEndedSoundRepeatsUntilHeardTimesPlayTimes)
{
    ClockSession& s = start(QStringLiteral("[Options big]\nTimesPlay=3\n"));
    s.dispatcher().startSound(QStringLiteral("a.mp3"));
    for (int second = 1; second <= 6; ++second) {
        sys.player.finish();
        tickAt(QTime(12, 0, second));
    }
    EXPECT_EQ(played().size(), 3);
}

TEST_F(Session, APutOffAlarmComesBackOnceAsTheEditorWouldStoreIt)
{
    // The late alarm's put-off second is already taken by another action.
    ClockSession& s = start(QStringLiteral("[Options big]\nSnoozeMinutes=10\n"
                                           "[Actionlate]\nAction=0\nTime=23:55:00\nType_Per=2\n"
                                           "Path=/music/wake.mp3\n"),
                            "late\r\n09.12.2026 0:05:01\r\n");
    tickAt(QTime(23, 54, 59));
    EXPECT_TRUE(s.snoozeSound().isNull()) << "nothing rings yet";
    tickAt(QTime(23, 55, 0));
    tickAt(QTime(23, 55, 1));
    ASSERT_TRUE(s.stopSoundEnabled());
    const QString id = s.snoozeSound();
    EXPECT_EQ(id, QStringLiteral("09.12.2026 0:05:01 #2"));
    EXPECT_FALSE(s.stopSoundEnabled());
    EXPECT_EQ(sys.player.mode(), MediaPlayer::Mode::NotOpen);

    // The appended line is each list's last (the lists the test wrote are short).
    const auto line = [&](const char* list) {
        const QStringList lines = dir.readList(QStringLiteral("data/") + QLatin1String(list));
        return lines.isEmpty() ? QString() : lines.last();
    };
    EXPECT_EQ(line("1Ids.zdt"), id);
    EXPECT_EQ(line("1Actions.zdt"), u"0");
    EXPECT_EQ(line("1Paths.zdt"), u"/music/wake.mp3");
    EXPECT_EQ(line("1Times.zdt"), u"0:05:01");
    EXPECT_EQ(line("1Dates.zdt"), u"09.12.2026");
    const QString section = ActionStore::sectionName(id);
    for (const auto& [key, value] :
         {std::pair(u"Action", u"0"), std::pair(u"Type_Per", u"1"), std::pair(u"Time", u"0:05:01"),
          std::pair(u"Date", u"09.12.2026"), std::pair(u"Path", u"/music/wake.mp3")})
        EXPECT_EQ(s.config().readString(section, key, QString()), QStringView(value))
            << QStringView(key).toString().toStdString();

    // The tick has the new action without a reload, and it rings once more.
    sys.log.clear();
    tickAt(QTime(0, 5, 0), QDate(2026, 12, 9));
    EXPECT_TRUE(played().isEmpty());
    tickAt(QTime(0, 5, 1), QDate(2026, 12, 9));
    EXPECT_EQ(played(), QStringList{QStringLiteral("play\t/music/wake.mp3")});

    // A reminder's sound file is not an alarm's: nothing to put off.
    s.stopSound();
    s.config().writeString(QStringLiteral("Options big"), u"soundtype", QStringLiteral("1"));
    s.dispatcher().alertSound();
    tickAt(QTime(0, 5, 2), QDate(2026, 12, 9));
    EXPECT_TRUE(s.stopSoundEnabled());
    EXPECT_TRUE(s.snoozeSound().isNull());
    EXPECT_EQ(s.actionIds().size(), 3);
}

TEST_F(Session, TheSnoozeMinutesOutOfRangeOrUnreadableAreKeptSane)
{
    for (const auto& [text, minutes] :
         {std::pair("5", 5), std::pair("0", 1), std::pair("100000", 1440), std::pair("ten", 10)}) {
        ClockSession& s =
            start(QStringLiteral("[Options big]\nSnoozeMinutes=") + QLatin1String(text) + u'\n');
        EXPECT_EQ(s.snoozeMinutes(), minutes) << text;
    }
}

// ---------------------------------------------------------------- reminders

TEST_F(Session, ADueReminderSignalsShowsAndClosesInListOrderAndOnlyWithAlarmsOn)
{
    ClockSession& s = start(QString());
    ASSERT_TRUE(s.reminders().addReminder(QStringLiteral("Чайник"), QStringLiteral("выключить"),
                                          kToday, QTime(12, 0, 5)));
    ASSERT_TRUE(s.reminders().addReminder(QStringLiteral("Врач"), QStringLiteral("в 12:00:07"),
                                          kToday, QTime(12, 0, 7)));
    s.setAlarmEnabled(false);
    tickAt(QTime(12, 0, 5));
    EXPECT_TRUE(host.steps.isEmpty());
    EXPECT_TRUE(sys.logged(QStringLiteral("beep")).isEmpty());

    s.setAlarmEnabled(true);
    tickAt(QTime(12, 0, 7));
    EXPECT_EQ(host.steps,
              (QStringList{QStringLiteral("reminder Врач в 12:00:07"), QStringLiteral("closed")}));
    EXPECT_EQ(sys.logged(QStringLiteral("beep")), QStringList{QStringLiteral("beep\t1000\t1000")});
}

TEST_F(Session, TicksUnderAnOpenReminderGoOnAndItsFollowerWaits)
{
    ClockSession& s = start(QString());
    ASSERT_TRUE(s.reminders().addReminder(QStringLiteral("A"), QStringLiteral("a"), kToday,
                                          QTime(12, 0, 5)));
    ASSERT_TRUE(s.reminders().addReminder(QStringLiteral("B"), QStringLiteral("b"), kToday,
                                          QTime(12, 0, 6)));
    int ticksUnder = 0;
    host.duringReminder = [&] {
        if (ticksUnder++ == 0)
            tickAt(QTime(12, 0, 6)); // the clock ticks while the first window is open
    };
    tickAt(QTime(12, 0, 5));
    EXPECT_EQ(host.steps, (QStringList{QStringLiteral("reminder A a"), QStringLiteral("closed"),
                                       QStringLiteral("reminder B b"), QStringLiteral("closed")}));
    EXPECT_EQ(host.shownTimes.size(), 2);
}

TEST_F(Session, RemindersAreReadAtStartAndAnUnreadableListIsKeptNotThrown)
{
    {
        ClockSession& s = start(QString());
        ASSERT_TRUE(s.reminders().addReminder(QStringLiteral("A"), QStringLiteral("a"), kToday,
                                              QTime(9, 0, 0)));
    }
    ClockSession& again = start(QString());
    EXPECT_TRUE(again.reminders().loadedAtStart());
    EXPECT_EQ(again.reminders().count(), 1);

    QFile::remove(dir.file(QStringLiteral("data/Titles.zdt")));
    ClockSession& broken = start(QString());
    EXPECT_FALSE(broken.reminders().loadedAtStart());
    EXPECT_TRUE(sys.messages.shown.isEmpty()); // a missing list is no message of its own
}

// ---------------------------------------------------------------- permission to close

TEST_F(Session, ThePermissionToCloseStartsForbiddenAndTheTickLeavesIt)
{
    ClockSession& s = start(kAlarmAtNoonAndFive, "x\r\n");
    EXPECT_EQ(s.exitAllowed(), 0);
    s.setExitAllowed(1);
    tickAt(QTime(12, 0, 5));
    EXPECT_EQ(s.exitAllowed(), 1);
}

// ---------------------------------------------------------------- shutdown templates

TEST_F(Session, ATemplatePastMidnightBeepsItsNextDayToneAndTheTickKeepsIt)
{
    ClockSession& s = start(QStringLiteral("[Options big]\nSchemeAck=1\n"));
    sys.clock.set(QDateTime(kToday, QTime(23, 59, 30)));
    // The menu's own text wins over the table's caption.
    EXPECT_EQ(s.runTemplate(u"N13", QStringLiteral("Через минуту"), QStringLiteral("08.12.2026"),
                            QStringLiteral("23:59:30")),
              QStringLiteral("09.12.2026 0:00:30"));
    EXPECT_EQ(sys.logged(QStringLiteral("beep")), QStringList{QStringLiteral("beep\t2500\t100")});
    EXPECT_EQ(s.actionIds(), QStringList{QStringLiteral("09.12.2026 0:00:30")});
    EXPECT_EQ(dir.readList(QStringLiteral("data/1Paths.zdt")),
              QStringList{QStringLiteral("Шаблон на выключениеЧерез минуту0:00:30")});
}

TEST_F(Session, ATemplateWithoutAMenuCaptionUsesTheTablesAndAnUnknownItemDoesNothing)
{
    ClockSession& s = start(QString());
    sys.clock.set(QDateTime(kToday, QTime(12, 0, 0)));
    EXPECT_TRUE(
        s.runTemplate(u"N99", QString(), QStringLiteral("08.12.2026"), QStringLiteral("12:00:00"))
            .isNull());
    EXPECT_TRUE(s.actionIds().isEmpty());
    EXPECT_FALSE(
        s.runTemplate(u"N12", QString(), QStringLiteral("08.12.2026"), QStringLiteral("12:00:00"))
            .isNull());
    EXPECT_TRUE(sys.logged(QStringLiteral("beep")).isEmpty()) << "no beep without SchemeAck";
    EXPECT_EQ(dir.readList(QStringLiteral("data/1Paths.zdt")),
              QStringList{QStringLiteral("Шаблон на выключениеЧерез 120 минут14:00:00")});
}

// ---------------------------------------------------------------- what was missed

namespace {

QDateTime on(QDate day, QTime time)
{
    return QDateTime(day, time);
}

// The actions of the sleep below: they fall due 40, 30, 15 and 5 minutes
// before the machine wakes at 13:00.
const QString kActionsAroundNoon =
    QStringLiteral("[Actionrun]\nAction=1\nTime=12:20:00\nType_Per=3\nTue=1\nPath=/tmp/weekly\n"
                   "[Actionoff]\nAction=4\nTime=12:30:00\nDate=08.12.2026\nType_Per=1\n"
                   "[Actionlong]\nAction=0\nTime=12:45:00\nType_Per=2\nPath=long.mp3\n"
                   "[Actionshort]\nAction=0\nTime=12:55:00\nType_Per=2\nPath=short.mp3\n");

} // namespace

TEST_F(Session, AfterSleepTheMissedAreShownPerformedOrListedOnceEach)
{
    ClockSession& s = start(kActionsAroundNoon, "run\r\noff\r\nlong\r\nshort\r\n");
    EXPECT_TRUE(sleep.started);
    ASSERT_TRUE(s.reminders().addReminder(QStringLiteral("Обед"), QStringLiteral("разогреть"),
                                          kToday, QTime(12, 10, 0)));
    int beforeSleepCalls = 0;
    s.beforeSleep = [&] {
        ++beforeSleepCalls;
        // The last second is on disk by then.
        EXPECT_TRUE(
            dir.read(QStringLiteral("data/lastsecond.txt")).startsWith("08.12.2026 12:00:01\t"));
    };
    tickAt(QTime(12, 0, 0));
    tickAt(QTime(12, 0, 1));
    sleep.simulateSleep();
    EXPECT_EQ(beforeSleepCalls, 1);
    EXPECT_FALSE(sleep.waitingForSleepWork());
    EXPECT_EQ(sys.logged(QStringLiteral("sleep-ready")).size(), 1);

    // An hour later the machine wakes; the clock does not wait for its timer.
    sys.clock.set(on(kToday, QTime(13, 0, 0)));
    sleep.simulateResume();
    EXPECT_EQ(host.shownTimes.last(), on(kToday, QTime(13, 0, 0)));
    // The reminder is shown with the second it was due; 5 minutes late the
    // sound still plays, 15 minutes late it does not.
    EXPECT_EQ(host.steps, (QStringList{QStringLiteral("reminder Обед Напоминание на 12:10:00 "
                                                      "08.12.2026\nразогреть"),
                                       QStringLiteral("closed")}));
    EXPECT_EQ(played(), QStringList{QStringLiteral("play\tshort.mp3")});
    EXPECT_TRUE(sys.logged(QStringLiteral("poweroff")).isEmpty());
    ASSERT_EQ(host.missed.size(), 1);
    EXPECT_EQ(
        host.missed[0],
        (QList<MissedEvent>{{on(kToday, QTime(12, 20, 0)), QStringLiteral("Открыть: /tmp/weekly"),
                             QStringLiteral("Опоздание больше 10 мин.")},
                            {on(kToday, QTime(12, 30, 0)), QStringLiteral("Выключение компьютера"),
                             QStringLiteral("Компьютер не выключают с опозданием.")},
                            {on(kToday, QTime(12, 45, 0)), QStringLiteral("Звук: long.mp3"),
                             QStringLiteral("Опоздание больше 10 мин.")}}));

    // The same wake told again, and the clock going on: nothing more.
    sleep.simulateResume();
    tickAt(QTime(13, 0, 1));
    EXPECT_EQ(played().size(), 1);
    EXPECT_EQ(host.steps.size(), 2);
    EXPECT_EQ(host.missed.size(), 1);
    EXPECT_TRUE(sys.logged(QStringLiteral("open")).isEmpty());
}

TEST_F(Session, AStartAfterDaysOffCatchesUpFromTheLastRunsSecond)
{
    const QDate friday(2026, 12, 4);
    const QString conf =
        QStringLiteral("[Options big]\nMissedGrace=30\n"
                       "[Actionmorning]\nAction=0\nTime=9:00:00\nType_Per=2\nPath=wake.mp3\n"
                       "[Actionsunday]\nAction=2\nTime=10:00:00\nType_Per=3\nSun=1\n"
                       "[Actionnews]\nAction=1\nTime=11:45:00\nType_Per=2\nPath=/tmp/news\n"
                       "[Actionlater]\nAction=0\nTime=12:30:00\nType_Per=2\nPath=later.mp3\n");
    const QByteArray ids = "morning\r\nsunday\r\nnews\r\nlater\r\n";
    {
        ClockSession& s = start(conf, ids);
        ASSERT_TRUE(s.reminders().addReminder(QStringLiteral("Б"), QStringLiteral("второе"),
                                              kToday.addDays(-1), QTime(8, 0, 0)));
        ASSERT_TRUE(s.reminders().addReminder(QStringLiteral("А"), QStringLiteral("первое"),
                                              kToday.addDays(-2), QTime(20, 0, 0)));
        tickAt(QTime(12, 0, 0), friday);
        session.reset(); // the clock ends: its last second is kept
    }
    const QByteArray mark = dir.read(QStringLiteral("data/lastsecond.txt"));
    EXPECT_EQ(mark, QByteArray("04.12.2026 12:00:00\t") +
                        QByteArray::number(on(friday, QTime(12, 0, 0)).toSecsSinceEpoch()) + '\n');

    // Four days later the machine is switched on.
    start(conf, ids);
    tickAt(QTime(12, 0, 0));
    EXPECT_EQ(host.steps,
              (QStringList{QStringLiteral("reminder А Напоминание на 20:00:00 06.12.2026\nпервое"),
                           QStringLiteral("closed"),
                           QStringLiteral("reminder Б Напоминание на 8:00:00 07.12.2026\nвторое"),
                           QStringLiteral("closed")}));
    // The daily ones missed on four days count once, on the last of them.
    EXPECT_EQ(sys.logged(QStringLiteral("open")), QStringList{QStringLiteral("open\t/tmp/news\t")});
    EXPECT_TRUE(played().isEmpty());
    EXPECT_TRUE(sys.logged(QStringLiteral("reboot")).isEmpty());
    ASSERT_EQ(host.missed.size(), 1);
    EXPECT_EQ(
        host.missed[0],
        (QList<MissedEvent>{
            {on(kToday.addDays(-2), QTime(10, 0, 0)), QStringLiteral("Перезагрузка компьютера"),
             QStringLiteral("Компьютер не перезагружают с опозданием.")},
            {on(kToday.addDays(-1), QTime(12, 30, 0)), QStringLiteral("Звук: later.mp3"),
             QStringLiteral("Опоздание больше 30 мин.")},
            {on(kToday, QTime(9, 0, 0)), QStringLiteral("Звук: wake.mp3"),
             QStringLiteral("Опоздание больше 30 мин.")}}));

    // A restart within the minute goes through the catch-up too: a sound 20 s
    // late is within the grace.
    tickAt(QTime(12, 29, 50));
    session.reset();
    host.missed.clear();
    start(conf, ids);
    tickAt(QTime(12, 30, 20));
    EXPECT_EQ(played(), QStringList{QStringLiteral("play\tlater.mp3")});
    EXPECT_TRUE(host.missed.isEmpty());
}

TEST_F(Session, TheLastSecondIsWrittenOnceAMinuteBeforeSleepAndAtExit)
{
    int writes = 0;
    setAtomicWriteHookForTesting([&](const QString& temp) {
        if (temp.contains(u"lastsecond.txt"))
            ++writes;
    });
    start(QString());
    for (int second = 0; second < 150; ++second)
        tickAt(QTime(12, 0, 0).addSecs(second));
    EXPECT_EQ(writes, 3); // 12:00:00, 12:01:00, 12:02:00
    sleep.simulateSleep();
    EXPECT_EQ(writes, 4);
    EXPECT_TRUE(
        dir.read(QStringLiteral("data/lastsecond.txt")).startsWith("08.12.2026 12:02:29\t"));
    sleep.simulateSleep(); // nothing new to keep
    EXPECT_EQ(writes, 4);
    // Alarms off: the seconds still pass, and are still kept.
    session->setAlarmEnabled(false);
    tickAt(QTime(12, 3, 29));
    EXPECT_EQ(writes, 5);
    tickAt(QTime(12, 3, 30));
    session.reset();
    EXPECT_EQ(writes, 6);
    EXPECT_TRUE(
        dir.read(QStringLiteral("data/lastsecond.txt")).startsWith("08.12.2026 12:03:30\t"));
    setAtomicWriteHookForTesting(nullptr);
}

TEST_F(Session, AClockSetBackAndForwardAgainReplaysNothing)
{
    ClockSession& s = start(QStringLiteral("[Actionx]\nAction=0\nTime=12:10:00\nType_Per=2\n"
                                           "Path=a.mp3\n"
                                           "[Actiony]\nAction=3\nTime=12:15:00\nType_Per=2\n"),
                            "x\r\ny\r\n");
    ASSERT_TRUE(s.reminders().addReminder(QStringLiteral("Р"), QStringLiteral("р"), kToday,
                                          QTime(12, 20, 0)));
    tickAt(QTime(12, 9, 59));
    tickAt(QTime(12, 10, 0));
    tickAt(QTime(12, 10, 1));
    // Set forward past the log-off: it is listed, not performed.
    sys.clock.set(on(kToday, QTime(12, 20, 0)));
    sleep.simulateClockSet();
    ASSERT_EQ(host.missed.size(), 1);
    EXPECT_EQ(host.missed[0][0].what, QStringLiteral("Выход из системы"));
    // Set back an hour, then forward past everything again.
    tickAt(QTime(11, 10, 0));
    sys.clock.set(on(kToday, QTime(12, 25, 0)));
    sleep.simulateClockSet();
    EXPECT_EQ(played(), QStringList{QStringLiteral("play\ta.mp3")});
    EXPECT_EQ(host.steps, (QStringList{QStringLiteral("reminder Р р"), QStringLiteral("closed")}));
    EXPECT_EQ(host.missed.size(), 1);
    EXPECT_TRUE(sys.logged(QStringLiteral("logoff")).isEmpty());
}

TEST_F(Session, AMarkThatCannotBeReadStartsAfreshWithoutAWord)
{
    const QString conf = QStringLiteral("[Actionx]\nAction=4\nTime=9:00:00\nType_Per=2\n");
    for (const QByteArray& mark : {QByteArray("08.12.2026 7:00:00"), QByteArray("\tsoon\n"),
                                   QByteArray("08.12.2026 7:00:00\t-5\n")}) {
        session.reset(); // its own last second would be written over the test's
        dir.write(QStringLiteral("data/lastsecond.txt"), mark);
        start(conf, "x\r\n");
        tickAt(QTime(12, 0, 0));
        EXPECT_TRUE(host.missed.isEmpty()) << mark.constData();
    }
    EXPECT_TRUE(sys.messages.shown.isEmpty());
}

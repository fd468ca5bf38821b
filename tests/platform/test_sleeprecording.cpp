#include "platform/sleeprecording.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace zentari;

// The stand-ins the clock's own tests and the dry-run mode use: what they
// write is what those tests read.
TEST(RecordingSleepServiceTest, LinesForTheLockAndTheAnswerToASleepNotice)
{
    ActionLog log;
    RecordingSleepService sleep(log);
    int notices = 0;
    QObject::connect(&sleep, &SleepService::aboutToSleep, [&] {
        ++notices;
        sleep.sleepWorkDone();
    });
    sleep.start();
    EXPECT_TRUE(sleep.started);
    sleep.holdAwake(QStringLiteral("Выключение компьютера в 23:30:00"));
    sleep.holdAwake(QStringLiteral("Выключение компьютера в 23:30:00"));
    sleep.holdAwake(QString());
    EXPECT_EQ(sleep.awakeReason(), QStringLiteral("Выключение компьютера в 23:30:00"));
    sleep.simulateSleep();
    EXPECT_FALSE(sleep.waitingForSleepWork());
    sleep.sleepWorkDone(); // unasked: no line
    sleep.releaseAwake();
    sleep.releaseAwake();
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(log.lines(),
              QStringList({QStringLiteral("inhibit\tВыключение компьютера в 23:30:00"),
                           QStringLiteral("sleep-ready"), QStringLiteral("uninhibit")}));

    sleep.blockers = {{QStringLiteral("apt"), QStringLiteral("Обновление")}};
    QList<ShutdownBlocker> answer;
    bool answered = false;
    sleep.listShutdownBlockers(&sleep, [&](const QList<ShutdownBlocker>& blockers) {
        answer = blockers;
        answered = true;
    });
    EXPECT_FALSE(answered);
    QCoreApplication::processEvents();
    EXPECT_TRUE(answered);
    EXPECT_EQ(answer, sleep.blockers);
}

TEST(RecordingWakeAlarmsTest, TheDryRunWritesTheTimesInsteadOfArmingThem)
{
    ActionLog log;
    RecordingWakeAlarms alarms(log);
    const QDateTime seven(QDate(2026, 12, 9), QTime(7, 29, 0));
    const QDateTime eight(QDate(2026, 12, 9), QTime(7, 59, 0));
    alarms.setWakeTimes({eight, seven});
    alarms.setWakeTimes({seven, eight}); // no change: no line
    alarms.setWakeTimes({});
    alarms.stop();
    EXPECT_EQ(log.lines(),
              QStringList({QStringLiteral("wake\t2026-12-09 07:29:00\t2026-12-09 07:59:00"),
                           QStringLiteral("wake"), QStringLiteral("wake-stop")}));

    QStringList refusals;
    QObject::connect(&alarms, &WakeAlarms::refused,
                     [&](const QString& reason) { refusals.append(reason); });
    alarms.refusal = QStringLiteral("нет");
    alarms.setWakeTimes({seven});
    alarms.setWakeTimes({seven});
    EXPECT_EQ(refusals, QStringList({QStringLiteral("нет")}));
    EXPECT_EQ(log.lines().size(), 3);
}

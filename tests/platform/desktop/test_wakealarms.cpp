#include "platform/wakealarms_helper.h"

#include "dbusmocks.h"

#include <QDateTime>

using namespace zentari;
using namespace zentari::test;

// The client against the real helper, with CLOCK_REALTIME standing in for the
// wake clock, and against stand-ins that answer as a machine without the
// capability or without the clock would.
namespace {

struct Seen
{
    explicit Seen(HelperWakeAlarms& alarms)
    {
        QObject::connect(&alarms, &WakeAlarms::refused,
                         [this](const QString& reason) { refusals.append(reason); });
        QObject::connect(&alarms, &HelperWakeAlarms::fired,
                         [this](const QDateTime& time) { fired.append(time); });
    }
    QStringList refusals;
    QList<QDateTime> fired;
};

QDateTime inSeconds(int seconds)
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    return QDateTime::fromSecsSinceEpoch(now + seconds);
}

// A helper that answers every line with the same error, as zentari-wake does
// on such a machine.
HelperWakeAlarms answering(const char* answer)
{
    return HelperWakeAlarms(
        QStringLiteral("sh"),
        {QStringLiteral("-c"),
         QStringLiteral("while read l; do echo '%1'; done").arg(QString::fromLatin1(answer))});
}

} // namespace

TEST(HelperWakeAlarmsTest, TheHelperWakesAtTheTimesToldAndOnlyAtThose)
{
    HelperWakeAlarms alarms(QStringLiteral(ZENTARI_WAKE_HELPER),
                            {QStringLiteral("--clock=realtime")});
    Seen seen(alarms);
    const QDateTime first = inSeconds(1);
    const QDateTime dropped = inSeconds(2);
    const QDateTime last = inSeconds(3);
    alarms.setWakeTimes({last, first, dropped, first, inSeconds(-60), QDateTime()});
    EXPECT_EQ(alarms.armedTimes(), QList<QDateTime>({first, dropped, last}));
    alarms.setWakeTimes({last, first}); // one taken back, the others stay armed
    EXPECT_EQ(alarms.armedTimes(), QList<QDateTime>({first, last}));

    ASSERT_TRUE(waitUntil([&] { return seen.fired.size() == 2; }, 6000))
        << seen.refusals.join(u'\n').toStdString();
    EXPECT_EQ(seen.fired, QList<QDateTime>({first, last}));
    EXPECT_TRUE(alarms.armedTimes().isEmpty());
    EXPECT_TRUE(seen.refusals.isEmpty()) << seen.refusals.join(u'\n').toStdString();

    alarms.stop();
    alarms.setWakeTimes({inSeconds(3600)}); // a new helper after stop()
    EXPECT_EQ(alarms.armedTimes().size(), 1);
    waitUntil([] { return false; }, 300);
    EXPECT_TRUE(seen.refusals.isEmpty()) << seen.refusals.join(u'\n').toStdString();
}

TEST(HelperWakeAlarmsTest, AMissingCapabilityIsRefusedOnceWithTheCommandThatGivesIt)
{
    HelperWakeAlarms alarms = answering("error eperm no permission to wake the machine");
    Seen seen(alarms);
    alarms.setWakeTimes({inSeconds(3600)});
    ASSERT_TRUE(waitUntil([&] { return !seen.refusals.isEmpty(); }));
    EXPECT_EQ(seen.refusals.size(), 1);
    EXPECT_TRUE(seen.refusals[0].startsWith(
        QStringLiteral("Пробуждение компьютера для будильников недоступно: у программы sh нет "
                       "права будить компьютер (cap_wake_alarm).")))
        << seen.refusals[0].toStdString();
    EXPECT_TRUE(seen.refusals[0].endsWith(QStringLiteral("sudo setcap cap_wake_alarm+ep sh")));
    EXPECT_TRUE(alarms.armedTimes().isEmpty());

    alarms.setWakeTimes({inSeconds(7200)}); // told once: nothing more
    waitUntil([] { return false; }, 300);
    EXPECT_EQ(seen.refusals.size(), 1);

    alarms.stop(); // the option switched off and on again: asked, and told, again
    alarms.setWakeTimes({inSeconds(7200)});
    ASSERT_TRUE(waitUntil([&] { return seen.refusals.size() == 2; }));
}

TEST(HelperWakeAlarmsTest, AKernelWithoutTheWakeClockIsRefusedInItsOwnWords)
{
    HelperWakeAlarms alarms = answering("error nodev the kernel has no wake-capable clock");
    Seen seen(alarms);
    alarms.setWakeTimes({});
    ASSERT_TRUE(waitUntil([&] { return !seen.refusals.isEmpty(); }));
    EXPECT_EQ(seen.refusals,
              QStringList({QStringLiteral(
                  "Пробуждение компьютера для будильников недоступно: ядро системы не умеет "
                  "будить компьютер по времени (нет часов CLOCK_REALTIME_ALARM).")}));
}

TEST(HelperWakeAlarmsTest, AMissingSilentOrEndedHelperIsRefused)
{
    {
        HelperWakeAlarms alarms(QStringLiteral("/nonexistent/zentari-wake"), {});
        Seen seen(alarms);
        alarms.setWakeTimes({inSeconds(3600)});
        ASSERT_TRUE(waitUntil([&] { return !seen.refusals.isEmpty(); }));
        EXPECT_EQ(seen.refusals, QStringList({QStringLiteral(
                                     "Пробуждение компьютера для будильников недоступно: нет "
                                     "программы /nonexistent/zentari-wake.")}));
    }
    {
        HelperWakeAlarms alarms(QStringLiteral("sh"),
                                {QStringLiteral("-c"), QStringLiteral("exec cat >/dev/null")});
        alarms.setAnswerTimeout(300);
        Seen seen(alarms);
        alarms.setWakeTimes({inSeconds(3600)});
        ASSERT_TRUE(waitUntil([&] { return !seen.refusals.isEmpty(); }));
        EXPECT_EQ(seen.refusals,
                  QStringList({QStringLiteral("Пробуждение компьютера для будильников недоступно: "
                                              "программа sh не отвечает.")}));
    }
    {
        HelperWakeAlarms alarms(QStringLiteral("sh"),
                                {QStringLiteral("-c"), QStringLiteral("read l; echo ok")});
        Seen seen(alarms);
        alarms.setWakeTimes({inSeconds(3600)});
        ASSERT_TRUE(waitUntil([&] { return !seen.refusals.isEmpty(); }));
        EXPECT_EQ(seen.refusals,
                  QStringList({QStringLiteral("Пробуждение компьютера для будильников недоступно: "
                                              "программа sh неожиданно завершилась.")}));
    }
}

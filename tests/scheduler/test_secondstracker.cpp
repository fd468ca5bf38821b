#include "scheduler/secondstracker.h"

#include <QTimeZone>
#include <gtest/gtest.h>

using namespace zentari;

namespace {
QList<qint64> epochs(const QList<QDateTime>& seconds)
{
    QList<qint64> out;
    for (const QDateTime& s : seconds)
        out.append(s.toSecsSinceEpoch());
    return out;
}
QDateTime at(qint64 second)
{
    return QDateTime::fromSecsSinceEpoch(second, Qt::UTC);
}
} // namespace

TEST(SecondsTracker, EachSecondOnceSkippedSecondsCaughtUpLongJumpsNot)
{
    SecondsTracker tracker;
    const qint64 t = 1'796'731'200; // any second
    EXPECT_EQ(epochs(tracker.take(at(t))), QList<qint64>{t});
    EXPECT_TRUE(tracker.take(at(t)).isEmpty()); // two ticks in one second
    EXPECT_EQ(epochs(tracker.take(at(t + 1))), QList<qint64>{t + 1});
    // A three-second beep blocked the thread.
    EXPECT_EQ(epochs(tracker.take(at(t + 4))), (QList<qint64>{t + 2, t + 3, t + 4}));
    // Exactly a minute is still caught up; two minutes (a suspend) are not.
    EXPECT_EQ(tracker.take(at(t + 64)).size(), 60);
    EXPECT_EQ(tracker.jumpedFrom(), std::nullopt);
    EXPECT_EQ(epochs(tracker.take(at(t + 184))), QList<qint64>{t + 184});
    // The jump is told once, with the last second dispatched before it.
    EXPECT_EQ(tracker.jumpedFrom(), t + 64);
    EXPECT_EQ(epochs(tracker.take(at(t + 185))), QList<qint64>{t + 185});
    EXPECT_EQ(tracker.jumpedFrom(), std::nullopt);
}

TEST(SecondsTracker, AnEarlierRunsLastSecondIsContinuedFrom)
{
    const qint64 t = 1'796'731'200;
    SecondsTracker quickRestart;
    EXPECT_EQ(quickRestart.lastTaken(), std::nullopt);
    quickRestart.continueFrom(at(t));
    EXPECT_EQ(quickRestart.lastTaken(), t);
    // Even a quick restart is a gap for the catch-up: a shutdown due while
    // the clock was away must not be performed now.
    EXPECT_EQ(epochs(quickRestart.take(at(t + 3))), QList<qint64>{t + 3});
    EXPECT_EQ(quickRestart.jumpedFrom(), t);
    // ... once: the clock then runs as ever.
    EXPECT_EQ(epochs(quickRestart.take(at(t + 6))), (QList<qint64>{t + 4, t + 5, t + 6}));
    EXPECT_EQ(quickRestart.jumpedFrom(), std::nullopt);

    SecondsTracker afterPowerOff;
    afterPowerOff.continueFrom(at(t));
    EXPECT_EQ(epochs(afterPowerOff.take(at(t + 7200))), QList<qint64>{t + 7200});
    EXPECT_EQ(afterPowerOff.jumpedFrom(), t);

    // A mark ahead of the clock (set back while the clock was off) is no jump.
    SecondsTracker setBack;
    setBack.continueFrom(at(t));
    EXPECT_EQ(epochs(setBack.take(at(t - 7200))), QList<qint64>{t - 7200});
    EXPECT_EQ(setBack.jumpedFrom(), std::nullopt);
}

TEST(SecondsTracker, AStepBackWithinAMinuteRepeatsNothingALargerOneStartsAfresh)
{
    SecondsTracker tracker;
    const qint64 t = 1'796'731'200;
    tracker.take(at(t));
    tracker.take(at(t + 5)); // nested ticks under a box took these
    // The outer tick's older reading, or a small correction of the clock.
    EXPECT_TRUE(tracker.take(at(t + 1)).isEmpty());
    EXPECT_TRUE(tracker.take(at(t + 5)).isEmpty());
    EXPECT_EQ(epochs(tracker.take(at(t + 6))), QList<qint64>{t + 6});
    // Really set back an hour: the new time is dispatched, and so are the next.
    EXPECT_EQ(epochs(tracker.take(at(t - 3600))), QList<qint64>{t - 3600});
    EXPECT_EQ(epochs(tracker.take(at(t - 3598))), (QList<qint64>{t - 3599, t - 3598}));
}

TEST(SecondsTracker, TheHourRepeatedAtTheEndOfSummerTimeIsNotDispatchedAgain)
{
    const QTimeZone berlin("Europe/Berlin");
    ASSERT_TRUE(berlin.isValid());
    // 25 October 2026: at 03:00 summer time the clocks go back to 02:00.
    QDateTime now(QDate(2026, 10, 25), QTime(1, 30, 0), berlin);
    ASSERT_TRUE(berlin.isDaylightTime(now));
    SecondsTracker tracker;
    int half_past_two = 0;
    int seconds = 0;
    for (int i = 0; i < 3 * 3600;
         i += 2, now = now.addSecs(2)) { // a tick missed every other second
        for (const QDateTime& s : tracker.take(now)) {
            ++seconds;
            if (s.time() == QTime(2, 30))
                ++half_past_two;
        }
    }
    EXPECT_EQ(half_past_two, 1);
    // Every local second from 01:30:00 to 03:29:58 once, the repeated hour not again.
    EXPECT_EQ(seconds, 2 * 3600 - 1);
}

TEST(SecondsTracker, TheFirstGapAfterASleepIsAJumpHoweverShort)
{
    const qint64 t = 1'796'731'200;
    SecondsTracker tracker;
    tracker.take(at(t));
    tracker.sleeping();
    // Ticks between the notice and the sleep itself change nothing.
    EXPECT_EQ(epochs(tracker.take(at(t + 1))), QList<qint64>{t + 1});
    EXPECT_EQ(tracker.jumpedFrom(), std::nullopt);
    // Thirty seconds asleep: the catch-up's, not the tick's.
    EXPECT_EQ(epochs(tracker.take(at(t + 31))), QList<qint64>{t + 31});
    EXPECT_EQ(tracker.jumpedFrom(), t + 1);
    // Afterwards a busy second is late again, not missed.
    EXPECT_EQ(epochs(tracker.take(at(t + 33))), (QList<qint64>{t + 32, t + 33}));
    EXPECT_EQ(tracker.jumpedFrom(), std::nullopt);
}

#include "scheduler/secondstracker.h"

#include <gtest/gtest.h>

using namespace zentari;

TEST(SecondsTracker, EachSecondOnceSkippedSecondsCaughtUpLongJumpsNot)
{
    SecondsTracker tracker;
    const qint64 t = 1'796'731'200; // any second
    EXPECT_EQ(tracker.take(t), QList<qint64>{t});
    EXPECT_TRUE(tracker.take(t).isEmpty()); // two ticks in one second
    EXPECT_EQ(tracker.take(t + 1), QList<qint64>{t + 1});
    // A three-second beep blocked the thread.
    EXPECT_EQ(tracker.take(t + 4), (QList<qint64>{t + 2, t + 3, t + 4}));
    // Exactly a minute is still caught up; two minutes (a suspend) are not.
    EXPECT_EQ(tracker.take(t + 64).size(), 60);
    EXPECT_EQ(tracker.take(t + 184), QList<qint64>{t + 184});
    // The clock set back: the new second is dispatched, nothing more.
    EXPECT_EQ(tracker.take(t - 3600), QList<qint64>{t - 3600});
}

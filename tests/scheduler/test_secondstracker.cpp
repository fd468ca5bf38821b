#include "scheduler/secondstracker.h"

#include <gtest/gtest.h>

using namespace zentari;

namespace {
QDateTime at(int h, int m, int s, int ms = 0)
{
    return QDateTime(QDate(2026, 12, 8), QTime(h, m, s, ms));
}
} // namespace

TEST(SecondsTracker, EachSecondOnceSkippedSecondsCaughtUpLongJumpsNot)
{
    SecondsTracker tracker;
    EXPECT_EQ(tracker.take(at(12, 0, 0, 5)), QList<QDateTime>{at(12, 0, 0)});
    EXPECT_TRUE(tracker.take(at(12, 0, 0, 990)).isEmpty()); // two ticks in one second
    EXPECT_EQ(tracker.take(at(12, 0, 1, 3)), QList<QDateTime>{at(12, 0, 1)});
    // A three-second beep blocked the thread.
    EXPECT_EQ(tracker.take(at(12, 0, 4, 2)),
              (QList<QDateTime>{at(12, 0, 2), at(12, 0, 3), at(12, 0, 4)}));
    // Exactly a minute is still caught up; two minutes (a suspend) are not.
    EXPECT_EQ(tracker.take(at(12, 1, 4)).size(), 60);
    EXPECT_EQ(tracker.take(at(12, 3, 4)), QList<QDateTime>{at(12, 3, 4)});
    // The clock set back: the new second is dispatched, nothing more.
    EXPECT_EQ(tracker.take(at(11, 0, 0)), QList<QDateTime>{at(11, 0, 0)});
}

TEST(SecondsTracker, MidnightIsCaughtUpAcrossTheDateChange)
{
    SecondsTracker tracker;
    tracker.take(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)));
    const auto owed = tracker.take(QDateTime(QDate(2027, 1, 1), QTime(0, 0, 1)));
    ASSERT_EQ(owed.size(), 2);
    EXPECT_EQ(owed[0], QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0)));
}

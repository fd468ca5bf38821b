// The clock's one-second timer against the real clock: where it lands in the
// second, and that it is armed again before the tick runs.
#include "app/secondtimer.h"

#include <QDateTime>
#include <QEventLoop>
#include <gtest/gtest.h>

using zentari::SecondTimer;

TEST(SecondTimer, ArmsForJustAfterTheNextWallClockSecondBegins)
{
    SecondTimer timer(nullptr, [] {});
    for (int i = 0; i < 3; ++i) {
        timer.arm();
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        const int remaining = timer.remainingTime();
        EXPECT_GT(remaining, 0);
        EXPECT_LE(remaining, 1005);
        // A few milliseconds into the next second, not at its very edge.
        const qint64 into = (now + remaining) % 1000;
        EXPECT_GE(into, 2);
        EXPECT_LE(into, 30);
    }
}

TEST(SecondTimer, IsArmedAgainBeforeEachTickSoATickThatBlocksDoesNotStopIt)
{
    QEventLoop loop;
    QList<bool> armedDuringTick;
    SecondTimer* timer = nullptr;
    SecondTimer t(nullptr, [&] {
        armedDuringTick.append(timer->isActive());
        if (armedDuringTick.size() == 2)
            loop.quit();
    });
    timer = &t;
    EXPECT_TRUE(t.isSingleShot());
    EXPECT_EQ(t.timerType(), Qt::PreciseTimer);
    t.arm();
    QTimer::singleShot(3500, &loop, &QEventLoop::quit); // a guard: two ticks take at most 2 s
    loop.exec();
    EXPECT_EQ(armedDuringTick, (QList<bool>{true, true}));
}

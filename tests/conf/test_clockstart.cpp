#include "conf/clockstart.h"
#include "standinclock.h"
#include "support/fakes.h"
#include "support/programdir.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zentari;
using namespace std::chrono_literals;
using conf::ClockAfterConf;
using zentari::test::FakeSystem;
using zentari::test::ProgramDir;
using zentari::test::StandInClock;

namespace {

class ClockStartTest : public ::testing::Test
{
protected:
    ClockAfterConf leaveConf(std::chrono::milliseconds wait = conf::kHandOverWait)
    {
        return conf::startOrReloadClock(dir.path(), fakes.shell,
                                        conf::handOverTo(dir.path(), wait, runtime.path()));
    }
    QStringList starts() const { return fakes.logged(QStringLiteral("open")); }

    ProgramDir dir;
    QTemporaryDir runtime;
    FakeSystem fakes;
};

} // namespace

TEST_F(ClockStartTest, ARunningClockIsToldToReloadAndNoSecondOneStarts)
{
    StandInClock clock(dir.path(), runtime.path());
    ASSERT_TRUE(clock.claimed());
    EXPECT_EQ(leaveConf(), ClockAfterConf::Reloaded);
    EXPECT_EQ(clock.requests(), QStringList{QStringLiteral("--reload-options")});
    EXPECT_TRUE(starts().isEmpty()) << starts().join(u'\n').toStdString();
    // Once more, as after a second visit to the window.
    EXPECT_EQ(leaveConf(), ClockAfterConf::Reloaded);
    EXPECT_EQ(clock.requests().size(), 2);
    EXPECT_TRUE(starts().isEmpty());
}

TEST_F(ClockStartTest, WithoutAClockOfThisFolderTheClockIsStartedByNameFromIt)
{
    // Another folder's clock is not this one's.
    ProgramDir elsewhere;
    StandInClock other(elsewhere.path(), runtime.path());
    ASSERT_TRUE(other.claimed());
    EXPECT_EQ(leaveConf(), ClockAfterConf::Started);
    EXPECT_EQ(starts(), QStringList{QStringLiteral("open\t%1Zentari\t").arg(dir.path())});
    EXPECT_TRUE(other.requests().isEmpty());
}

TEST_F(ClockStartTest, AClockThatTakesTheRequestButNeverAnswersIsLeftAloneWithinTheWait)
{
    StandInClock clock(dir.path(), runtime.path(), /*silent=*/true);
    ASSERT_TRUE(clock.claimed());
    QElapsedTimer took;
    took.start();
    EXPECT_EQ(leaveConf(300ms), ClockAfterConf::NoAnswer);
    EXPECT_LT(took.elapsed(), 2000);
    EXPECT_EQ(clock.requests(), QStringList{QStringLiteral("--reload-options")});
    EXPECT_TRUE(starts().isEmpty()); // it would only have waited on the same clock
}

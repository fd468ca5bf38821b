#include "core/cp1251.h"
#include "scheduler/actionstore.h"
#include "scheduler/shutdowntemplates.h"
#include "support/fakes.h"
#include "support/programdir.h"

#include <gtest/gtest.h>

using namespace zentari;
using zentari::test::ProgramDir;

namespace {

const ShutdownTemplate& byItem(QStringView item)
{
    for (const auto& t : kShutdownTemplates) {
        if (t.itemName == item)
            return t;
    }
    throw std::logic_error("no such template");
}

struct TemplateFixture : ::testing::Test
{
    ProgramDir dir;
    test::FakeSystem sys;
    ActionStore store{dir.path()};

    void SetUp() override { store.openStore(); }

    void conf(const QString& text)
    {
        dir.writeConf(text);
        store.config().recheckNow();
    }

    void click(QStringView item, QDateTime now)
    {
        const auto& t = byItem(item);
        runShutdownTemplate(
            t, t.caption.toString(), now.time(), now.date().toString(QStringLiteral("dd.MM.yyyy")),
            now.time().toString(QStringLiteral("H:mm:ss")), store.config(), store, sys.beeper);
    }
};

} // namespace

TEST(ShutdownTemplates, TheTableFollowsItsFrequencyRule)
{
    ASSERT_EQ(kShutdownTemplates.size(), 11u);
    for (size_t i = 0; i < kShutdownTemplates.size(); ++i) {
        EXPECT_EQ(kShutdownTemplates[i].sameDayHz, 2000 + 100 * int(i));
        EXPECT_EQ(kShutdownTemplates[i].nextDayHz, kShutdownTemplates[i].sameDayHz - 500);
    }
    EXPECT_EQ(kShutdownTemplates.back().caption, u"Через 1 минуту");
}

TEST_F(TemplateFixture, OneMinuteAtNoonBeepsAndStoresATodayShutdown)
{
    conf(QStringLiteral("[Options big]\nSchemeAck=1\n"));
    click(u"N13", QDateTime(QDate(2026, 12, 8), QTime(12, 0, 0)));
    EXPECT_EQ(sys.logged(QStringLiteral("beep")), QStringList{QStringLiteral("beep\t3000\t100")});
    EXPECT_EQ(dir.read(QStringLiteral("data/1Actions.zdt")), QByteArray("4\r\n"));
    EXPECT_EQ(dir.read(QStringLiteral("data/1Ids.zdt")), QByteArray("08.12.2026 12:01:00\r\n"));
    EXPECT_EQ(dir.read(QStringLiteral("data/1Times.zdt")), QByteArray("12:01:00\r\n"));
    EXPECT_EQ(dir.read(QStringLiteral("data/1Dates.zdt")), QByteArray("08.12.2026\r\n"));
    EXPECT_EQ(dir.read(QStringLiteral("data/1Paths.zdt")),
              cp1251::encode(u"Шаблон на выключениеЧерез 1 минуту12:01:00") + "\r\n");
    EXPECT_TRUE(
        dir.read(QStringLiteral("conf.ini"))
            .endsWith(QByteArray("[Action08.12.2026 12:01:00]\r\nAction=4\r\nDate=08.12.2026\r\n"
                                 "Time=12:01:00\r\nPath=" +
                                 cp1251::encode(u"Шаблон выключенияЧерез 1 минуту12:01:00") +
                                 "\r\nType_Per=1\r\n")));
    // The clock's own copy sees the action at once, without a reload.
    EXPECT_EQ(store.lists().ids, QStringList{QStringLiteral("08.12.2026 12:01:00")});
}

TEST_F(TemplateFixture, ADelayAcrossMidnightIsForTomorrowWithTheLowerBeep)
{
    conf(QStringLiteral("[Options big]\nSchemeAck=1\n"));
    click(u"N451", QDateTime(QDate(2026, 12, 8), QTime(23, 30, 0)));
    EXPECT_EQ(sys.logged(QStringLiteral("beep")), QStringList{QStringLiteral("beep\t1800\t100")});
    EXPECT_EQ(dir.readList(QStringLiteral("data/1Ids.zdt")),
              QStringList{QStringLiteral("09.12.2026 0:15:00")});
}

TEST_F(TemplateFixture, MonthAndYearEndsRollOverAndMidnightKeepsTheSpaceInTheId)
{
    click(u"N13", QDateTime(QDate(2026, 12, 31), QTime(23, 59, 30)));
    click(u"N12", QDateTime(QDate(2027, 2, 28), QTime(22, 0, 0)));
    EXPECT_EQ(
        dir.readList(QStringLiteral("data/1Ids.zdt")),
        (QStringList{QStringLiteral("01.01.2027 0:00:30"), QStringLiteral("01.03.2027 0:00:00")}));
    EXPECT_TRUE(sys.logged(QStringLiteral("beep")).isEmpty()); // "SchemeAck" missing: silent
}

TEST_F(TemplateFixture, OnlySchemeAckOneBeeps)
{
    conf(QStringLiteral("[Options big]\nSchemeAck=yes\n"));
    click(u"N51", QDateTime(QDate(2026, 12, 8), QTime(8, 0, 0)));
    EXPECT_TRUE(sys.logged(QStringLiteral("beep")).isEmpty());
}

TEST_F(TemplateFixture, TwoClicksInOneSecondScheduleTwoSeparateActions)
{
    const QDateTime now(QDate(2026, 12, 8), QTime(9, 0, 0));
    click(u"N13", now);
    click(u"N13", now);
    EXPECT_EQ(dir.readList(QStringLiteral("data/1Ids.zdt")),
              (QStringList{QStringLiteral("08.12.2026 9:01:00"),
                           QStringLiteral("08.12.2026 9:01:00 #2")}));
    EXPECT_TRUE(store.config().sectionExists(u"Action08.12.2026 9:01:00 #2"));
}

// What a catch-up finds due between two seconds, straight from the stored
// texts: the clock's own rules for which local second an action or reminder
// falls due in, where the days are not 24 hours long or the texts are not the
// clock's.
#include "core/inifile.h"
#include "reminders/reminderstore.h"
#include "session/catchup.h"
#include "support/programdir.h"

#include <QTimeZone>
#include <gtest/gtest.h>

using namespace zentari;
using zentari::test::ProgramDir;

namespace {

const auto kNothingDone = [](const QString&) { return false; };

QStringList whenAndWhat(const CatchUpPlan& plan)
{
    QStringList out;
    for (const CatchUpPlan::Action& a : plan.perform)
        out.append(QStringLiteral("perform %1 %2").arg(a.id, a.due.toString(Qt::ISODate)));
    for (const MissedEvent& e : plan.missed)
        out.append(
            QStringLiteral("missed %1 %2 %3").arg(e.what, e.due.toString(Qt::ISODate), e.why));
    return out;
}

} // namespace

TEST(CatchUp, SummerTimeSkipsAnHourAndTheDaysAroundItKeepTheirLocalTimes)
{
    const QTimeZone berlin("Europe/Berlin");
    ASSERT_TRUE(berlin.isValid());
    ProgramDir dir;
    // 29 March 2026: at 02:00 the clocks go to 03:00, so 2:30:00 is no second of that day.
    dir.writeConf(QStringLiteral("[Actiongap]\nAction=0\nTime=2:30:00\nType_Per=2\nPath=g.mp3\n"
                                 "[Actionafter]\nAction=0\nTime=3:30:00\nType_Per=2\nPath=a.mp3\n"
                                 "[Actionpadded]\nAction=0\nTime=03:40:00\nType_Per=2\n"));
    const IniFile config(dir.confPath());
    ReminderStore reminders(dir.path());
    reminders.loadReminders();
    ASSERT_TRUE(reminders.addReminder(QStringLiteral("Р"), QStringLiteral("р"), QDate(2026, 3, 29),
                                      QTime(2, 30, 0)));
    ASSERT_TRUE(reminders.addReminder(QStringLiteral("Т"), QStringLiteral("т"), QDate(2026, 3, 29),
                                      QTime(3, 5, 0)));
    const QDateTime after(QDate(2026, 3, 28), QTime(23, 0, 0), berlin);
    const QDateTime now(QDate(2026, 3, 29), QTime(3, 35, 0), berlin);
    const CatchUpPlan plan =
        CatchUp::plan(config, dir.path(),
                      {QStringLiteral("gap"), QStringLiteral("after"), QStringLiteral("padded")},
                      reminders, after, now, now, 10, kNothingDone);
    // Five minutes late, and three hours of the wall clock after 23:00 but two real ones.
    EXPECT_EQ(whenAndWhat(plan),
              QStringList{QStringLiteral("perform after 2026-03-29T03:30:00+02:00")});
    ASSERT_EQ(plan.reminders.size(), 1); // 2:30 never came; 3:05 did
    EXPECT_EQ(plan.reminders[0].due, QDateTime(QDate(2026, 3, 29), QTime(3, 5, 0), berlin));
}

TEST(CatchUp, AGraceOfNoneListsEverySoundAndFileAndAlreadyDoneCountsNot)
{
    ProgramDir dir;
    dir.writeConf(QStringLiteral("[Actions]\nAction=0\nTime=11:59:00\nType_Per=2\nPath=s.mp3\n"
                                 "[Actiono]\nAction=1\nTime=11:58:00\nType_Per=2\n"
                                 "[Actionodd]\nAction=7\nTime=11:57:00\nType_Per=2\n"
                                 "[Actionwritten]\nAction=0\nTime=11:56:00\nType_Per=2\n"));
    const IniFile config(dir.confPath());
    ReminderStore reminders(dir.path());
    const QDateTime now(QDate(2026, 12, 8), QTime(12, 0, 0));
    const QStringList ids{QStringLiteral("s"), QStringLiteral("o"), QStringLiteral("odd"),
                          QStringLiteral("written")};
    const auto writtenDone = [&](const QString& key) {
        return key == CatchUp::actionKey(QStringLiteral("written"),
                                         QDateTime(now.date(), QTime(11, 56, 0)));
    };
    const CatchUpPlan plan = CatchUp::plan(config, dir.path(), ids, reminders, now.addSecs(-3600),
                                           now, now, 0, writtenDone);
    const QString none = QStringLiteral("Пропущенные звуки и файлы не выполняются с опозданием.");
    // The file without a path names the one the clock would have used; an
    // unknown action type does nothing on time and is no loss late.
    EXPECT_EQ(whenAndWhat(plan),
              (QStringList{QStringLiteral("missed Открыть: %1 2026-12-08T11:58:00 %2")
                               .arg(dir.path() + QStringLiteral("data/music.mp3"), none),
                           QStringLiteral("missed Звук: s.mp3 2026-12-08T11:59:00 ") + none}));
    EXPECT_EQ(CatchUp::reminderHeading(now.addSecs(-4 * 3600)),
              QStringLiteral("Напоминание на 8:00:00 08.12.2026"));
}

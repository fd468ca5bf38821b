// What is put off and yet to come: the ledger's file, and the session that
// keeps it in step with the stores.
#include "core/error.h"
#include "session/clocksession.h"
#include "session/snoozeledger.h"
#include "support/fakes.h"
#include "support/programdir.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace zentari;
using zentari::test::FakeSystem;
using zentari::test::ProgramDir;

namespace {

const QDate kDay(2026, 12, 8);

PendingSnooze reminder(const QString& id, const QString& name, QDateTime due)
{
    return {.kind = PendingSnooze::Kind::Reminder, .id = id, .name = name, .due = due};
}

PendingSnooze sound(const QString& id, const QString& name, QDateTime due)
{
    return {.kind = PendingSnooze::Kind::AlarmSound, .id = id, .name = name, .due = due};
}

} // namespace

TEST(SnoozeLedger, OutlivesARestartSoonestFirstAndASecondSnoozeReplacesTheFirst)
{
    ProgramDir dir;
    const QDateTime noon(kDay, QTime(12, 0));
    {
        SnoozeLedger ledger(dir.path());
        EXPECT_TRUE(ledger.entries().isEmpty());
        ledger.recordSound(QStringLiteral("08.12.2026 12:10:00"),
                           QStringLiteral("C:\\music\\wake.mp3"), noon.addSecs(600));
        // Kept to the second; a title may hold what the file's separators are.
        ledger.recordReminder(QString(), QStringLiteral("Врач\\\t08.12.2026"),
                              QStringLiteral("Врач\\\t"), noon.addMSecs(300'500));
        ledger.recordReminder(QStringLiteral("Кот08.12.2026"), QStringLiteral("Кот09.12.2026"),
                              QStringLiteral("Кот"), noon.addDays(1));
        // The cat put off again, past another midnight: one entry, the last.
        ledger.recordReminder(QStringLiteral("Кот09.12.2026"), QStringLiteral("Кот10.12.2026"),
                              QStringLiteral("Кот"), noon.addDays(2));
    }
    const SnoozeLedger again(dir.path());
    EXPECT_EQ(again.entries(),
              (QList<PendingSnooze>{
                  reminder(QStringLiteral("Врач\\\t08.12.2026"), QStringLiteral("Врач\\\t"),
                           noon.addSecs(300)),
                  sound(QStringLiteral("08.12.2026 12:10:00"),
                        QStringLiteral("Будильник (wake.mp3)"), noon.addSecs(600)),
                  reminder(QStringLiteral("Кот10.12.2026"), QStringLiteral("Кот"), noon.addDays(2)),
              }));
    EXPECT_EQ(SnoozeLedger::soundName(QStringLiteral("/home/u/Музыка/утро.ogg")),
              u"Будильник (утро.ogg)");
}

TEST(SnoozeLedger, AFileItCannotReadIsNoSnoozesAndForeignLinesAreSkipped)
{
    ProgramDir dir;
    dir.write(QStringLiteral("data/snoozed.txt"),
              "sound\t2026-12-08T12:10:00\tx\tБудильник (a.mp3)\r\n"
              "later\t2026-12-08T12:10:00\ty\tЧто-то\n"
              "reminder\tвчера\tz\tКот\n"
              "reminder\t2026-12-08T12:10:00\tтолько три поля\n"
              "\xff\xfegarbage\n");
    const SnoozeLedger ledger(dir.path());
    EXPECT_EQ(ledger.entries(),
              QList<PendingSnooze>{sound(QStringLiteral("x"), QStringLiteral("Будильник (a.mp3)"),
                                         QDateTime(kDay, QTime(12, 10)))});

    // A folder where the file should be: nothing to read, and a record says why.
    ProgramDir other;
    ASSERT_TRUE(QDir(other.file(QStringLiteral("data"))).mkdir(QStringLiteral("snoozed.txt")));
    SnoozeLedger broken(other.path());
    EXPECT_TRUE(broken.entries().isEmpty());
    EXPECT_THROW(broken.recordSound(QStringLiteral("x"), QStringLiteral("a.mp3"),
                                    QDateTime(kDay, QTime(12, 10))),
                 Error);
}

namespace {

class Snoozes : public ::testing::Test
{
protected:
    ProgramDir dir;
    FakeSystem sys;
    ErrorReport report{sys.messages};
    std::unique_ptr<ClockSession> session;

    ClockSession& start()
    {
        session.reset();
        session = std::make_unique<ClockSession>(dir.path(), sys.services(), report);
        session->openConfigStore();
        session->reloadActionLists();
        session->loadAtStart();
        return *session;
    }
    void tickAt(QTime time, QDate day = kDay)
    {
        sys.clock.set(QDateTime(day, time));
        session->tick();
    }
    QStringList names()
    {
        QStringList out;
        for (const PendingSnooze& s : session->pendingSnoozes())
            out.append(s.name);
        return out;
    }
};

} // namespace

TEST_F(Snoozes, TheListFollowsTheStoresTheClockAndTheUsersCancels)
{
    dir.writeConf(QStringLiteral("[Options big]\nSnoozeMinutes=10\n"
                                 "[Actionx]\nAction=0\nTime=12:00:05\nType_Per=2\n"
                                 "Path=/music/wake.mp3\n"));
    dir.write(QStringLiteral("data/1Ids.zdt"), "x\r\n");
    dir.write(QStringLiteral("data/1Paths.zdt"), "/music/wake.mp3\r\n");
    // Whole records, as the editor leaves them: a change finds its action only in those.
    dir.write(QStringLiteral("data/1Actions.zdt"), "0\r\n");
    dir.write(QStringLiteral("data/1Times.zdt"), "12:00:05\r\n");
    dir.write(QStringLiteral("data/1Dates.zdt"), "08.12.2026\r\n");
    ClockSession& s = start();
    // Three reminders put off as their window does it: moved, then recorded.
    ReminderStore& store = s.reminders();
    for (const char16_t* title : {u"Врач", u"Кот", u"Сон"}) {
        const QString name = QString::fromUtf16(title);
        ASSERT_TRUE(store.addReminder(name, QStringLiteral("текст"), kDay, QTime(11, 0)));
        const QDateTime due(kDay, QTime(12, 30));
        ASSERT_EQ(store.moveTo(name + u"08.12.2026", due), ReminderStore::Moved::Done);
        s.reminderSnoozed(name + u"08.12.2026", name + u"08.12.2026", name, due);
    }
    tickAt(QTime(12, 0, 5));
    tickAt(QTime(12, 0, 6));
    const QString soundId = s.snoozeSound();
    ASSERT_EQ(soundId, QStringLiteral("08.12.2026 12:10:06"));
    EXPECT_EQ(names(), (QStringList{QStringLiteral("Будильник (wake.mp3)"), QStringLiteral("Врач"),
                                    QStringLiteral("Кот"), QStringLiteral("Сон")}));

    // The cat's time changed in the editor (its id stays), the dream deleted.
    ASSERT_TRUE(store.replaceAt(1, QStringLiteral("Кот08.12.2026"), QStringLiteral("Кот"),
                                QStringLiteral("текст"), kDay, QTime(13, 0)));
    ASSERT_TRUE(store.removeReminderAt(2, QStringLiteral("Сон08.12.2026")));
    EXPECT_EQ(names(),
              (QStringList{QStringLiteral("Будильник (wake.mp3)"), QStringLiteral("Врач")}));

    // A restart still has them.
    ClockSession& again = start();
    EXPECT_EQ(names(),
              (QStringList{QStringLiteral("Будильник (wake.mp3)"), QStringLiteral("Врач")}));

    // The sound taken back: its action is gone from the lists and the tick.
    const PendingSnooze put = again.pendingSnoozes().first();
    EXPECT_TRUE(again.cancelSnooze(put));
    EXPECT_EQ(again.actionIds(), QStringList{QStringLiteral("x")});
    EXPECT_EQ(dir.readList(QStringLiteral("data/1Ids.zdt")), QStringList{QStringLiteral("x")});
    EXPECT_EQ(names(), QStringList{QStringLiteral("Врач")});
    sys.log.clear();
    tickAt(QTime(12, 10, 6));
    EXPECT_TRUE(sys.logged(QStringLiteral("play")).isEmpty());
    // Taken back twice (another menu, an old copy): found gone, nothing else changes.
    EXPECT_FALSE(again.cancelSnooze(put));
    EXPECT_EQ(again.reminders().count(), 2);

    // The doctor's second comes: it leaves the list.
    tickAt(QTime(12, 29, 59));
    EXPECT_EQ(names(), QStringList{QStringLiteral("Врач")});
    tickAt(QTime(12, 30, 0));
    EXPECT_TRUE(names().isEmpty());
    EXPECT_EQ(SnoozeLedger(dir.path()).entries(), QList<PendingSnooze>{});
}

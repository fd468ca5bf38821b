#include "core/cp1251.h"
#include "platform/errorreport.h"
#include "reminders/reminderfiring.h"
#include "reminders/reminderstore.h"
#include "support/fakes.h"
#include "support/programdir.h"

#include <QFile>
#include <functional>
#include <gtest/gtest.h>

using namespace zentari;
using zentari::test::FakeSystem;
using zentari::test::ProgramDir;

namespace {

const QDate kDay(2005, 1, 25);

// Records what the firing did, in order; `whileShown` plays the ticks that
// run while a window is open.
struct RecordingHost : ReminderHost
{
    QStringList events;
    std::function<void()> whileShown;
    void alertSound() override { events.append(QStringLiteral("signal")); }
    QStringList ids;
    void showReminder(const QString& title, const QString& text, const QString& id) override
    {
        ids.append(id);
        events.append(QStringLiteral("show %1: %2").arg(title, text));
        if (auto nested = std::exchange(whileShown, nullptr))
            nested();
    }
    void reminderClosed() override { events.append(QStringLiteral("closed")); }
};

struct Firing : ::testing::Test
{
    ProgramDir dir;
    FakeSystem sys;
    ErrorReport report{sys.messages};
    ReminderStore store{dir.path()};
    ReminderFiring firing{report};
    RecordingHost host;

    Firing() { store.loadReminders(); }
    void add(const char16_t* title, QTime time, QDate day = kDay)
    {
        ASSERT_TRUE(store.addReminder(QString::fromUtf16(title),
                                      QStringLiteral("текст ") + QString::fromUtf16(title), day,
                                      time));
    }
    void tick(QTime time, QDate day = kDay) { firing.step(store, host, {QDateTime(day, time)}); }
};

} // namespace

TEST_F(Firing, DueAtItsSecondOnDayOnlyWithItsSignalBeforeItsWindow)
{
    add(u"Врач", QTime(10, 30));
    tick(QTime(10, 29, 59));
    tick(QTime(10, 30), kDay.addDays(1));
    EXPECT_TRUE(host.events.isEmpty());
    tick(QTime(10, 30));
    EXPECT_EQ(host.events,
              (QStringList{QStringLiteral("signal"), QStringLiteral("show Врач: текст Врач"),
                           QStringLiteral("closed")}));
    tick(QTime(10, 30, 1));
    EXPECT_EQ(host.events.size(), 3);
}

TEST_F(Firing, EveryDueReminderIsShownOnceInListOrderThoseDueUnderAWindowAfterIt)
{
    add(u"первое", QTime(10, 30));
    add(u"второе", QTime(10, 30));
    add(u"позже", QTime(10, 30, 5));
    // While the first window is open, the clock moves on through 10:30:05.
    host.whileShown = [this] {
        for (int s = 1; s <= 5; ++s)
            tick(QTime(10, 30, s));
    };
    tick(QTime(10, 30));
    EXPECT_EQ(host.events,
              (QStringList{QStringLiteral("signal"), QStringLiteral("show первое: текст первое"),
                           QStringLiteral("closed"), QStringLiteral("signal"),
                           QStringLiteral("show второе: текст второе"), QStringLiteral("closed"),
                           QStringLiteral("signal"), QStringLiteral("show позже: текст позже"),
                           QStringLiteral("closed")}));
    EXPECT_EQ(firing.queued(), 0);
    // Seconds handed over together (caught up by the tick) are each looked at.
    host.events.clear();
    firing.step(store, host,
                {QDateTime(kDay.addDays(1), QTime(10, 29, 59)), QDateTime(kDay, QTime(10, 30, 5))});
    EXPECT_EQ(host.events.count(QStringLiteral("signal")), 1);
}

TEST_F(Firing, AMissingTextOrABrokenTimeLineDoesNotSilenceTheOthers)
{
    add(u"пропал", QTime(10, 30));
    add(u"цел", QTime(10, 30));
    QFile::remove(store.textFileOf(0));
    // A time line that is no time, written by hand.
    dir.write(QStringLiteral("data/Times.zdt"), "half past ten\r\n10:30:00\r\n");
    store.loadReminders();
    dir.write(QStringLiteral("data/Times.zdt"), "10:30:00\r\n10:30:00\r\n");
    ReminderStore fixed(dir.path());
    fixed.loadReminders();

    tick(QTime(10, 30)); // the broken line: skipped and said once
    EXPECT_EQ(host.events,
              (QStringList{QStringLiteral("signal"), QStringLiteral("show цел: текст цел"),
                           QStringLiteral("closed")}));
    EXPECT_EQ(sys.messages.shown.size(), 1);

    host.events.clear();
    firing.step(fixed, host, {QDateTime(kDay, QTime(10, 30))});
    ASSERT_EQ(host.events.size(), 6);
    EXPECT_EQ(host.events[0], u"signal");
    EXPECT_TRUE(
        host.events[1].startsWith(QStringLiteral("show пропал: Текст напоминания не найден")));
    EXPECT_EQ(host.events[4], u"show цел: текст цел");
    EXPECT_EQ(sys.messages.shown.size(), 2); // the missing file, once
}

TEST_F(Firing, AMovedProgramFolderStillFindsTheTextByItsId)
{
    add(u"Врач", QTime(10, 30));
    dir.write(
        QStringLiteral("data/Messes.zdt"),
        cp1251::encode(u"C:\\Program Files\\Zentari\\data\\Messages\\Врач25.01.2005.zdt\r\n"));
    ReminderStore moved(dir.path());
    moved.loadReminders();
    firing.step(moved, host, {QDateTime(kDay, QTime(10, 30))});
    ASSERT_EQ(host.events.size(), 3);
    EXPECT_EQ(host.events[1], u"show Врач: текст Врач");
}

// The report of a broken time line opens a box; the ticks that run under it
// must find every other reminder.
TEST_F(Firing, AReminderDueUnderTheBrokenTimeBoxIsShown)
{
    add(u"сломан", QTime(10, 30));
    add(u"следом", QTime(10, 30, 2));
    dir.write(QStringLiteral("data/Times.zdt"), "half past ten\r\n10:30:02\r\n");
    store.loadReminders();
    sys.messages.onShow = [this] {
        sys.messages.onShow = nullptr;
        for (int s = 1; s <= 3; ++s)
            tick(QTime(10, 30, s));
    };
    tick(QTime(10, 30));
    EXPECT_EQ(sys.messages.shown.size(), 1);
    EXPECT_EQ(host.events,
              (QStringList{QStringLiteral("signal"), QStringLiteral("show следом: текст следом"),
                           QStringLiteral("closed")}));
}

TEST_F(Firing, ASnoozeUnderItsWindowIsShownAgainAtItsNewSecondWithItsStoredText)
{
    add(u"Врач", QTime(23, 59, 30));
    add(u"Кот", QTime(10, 0));
    // Shown late, under a heading: the snooze keeps the stored text.
    firing.queueLate(store, 0, QStringLiteral("Напоминание на 23:59:30"));
    host.whileShown = [this] {
        ASSERT_EQ(host.ids, QStringList{QStringLiteral("Врач25.01.2005")});
        ASSERT_EQ(store.moveTo(host.ids.constLast(), QDateTime(kDay.addDays(1), QTime(0, 0, 30))),
                  ReminderStore::Moved::Done);
        tick(QTime(0, 0, 29), kDay.addDays(1));
    };
    tick(QTime(23, 59, 31));
    EXPECT_EQ(host.events, (QStringList{QStringLiteral("signal"),
                                        QStringLiteral("show Врач: Напоминание на 23:59:30\n"
                                                       "текст Врач"),
                                        QStringLiteral("closed")}));
    host.events.clear();
    tick(QTime(23, 59, 30)); // its old second is gone from the index
    tick(QTime(0, 0, 30), kDay.addDays(1));
    EXPECT_EQ(host.events,
              (QStringList{QStringLiteral("signal"), QStringLiteral("show Врач: текст Врач"),
                           QStringLiteral("closed")}));
    EXPECT_EQ(host.ids.constLast(), u"Врач26.01.2005");
}

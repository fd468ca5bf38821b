// A snooze moves one reminder to a later second in its place: its time line,
// and past midnight its date, id and text file's name, as one change.

#include "reminders/reminderstore.h"
#include "reminderstorefiles.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace zentari;
using namespace zentari::test;

namespace {

QString textFile(const ProgramDir& dir, const QString& id)
{
    return dir.file(QStringLiteral("data/messages/%1.zdt").arg(id));
}

} // namespace

TEST(Snooze, MovesTheReminderInItsPlaceAcrossMidnightUnderANewIdKeepingItsText)
{
    ProgramDir dir;
    ReminderStore store(dir.path());
    store.loadReminders();
    for (const char16_t* title : {u"Врач", u"Кот", u"Сон"})
        ASSERT_TRUE(store.addReminder(QString::fromUtf16(title),
                                      QStringLiteral("покормить\nдважды"), kDay, QTime(23, 50)));
    const QByteArray text = dir.read(QStringLiteral("data/messages/Кот25.01.2005.zdt"));
    const QStringList titles = dir.readList(QStringLiteral("data/Titles.zdt"));
    const quint64 before = store.revision();

    // The same day: only the time line changes.
    EXPECT_EQ(store.moveTo(QStringLiteral("Кот25.01.2005"), QDateTime(kDay, QTime(23, 55, 7))),
              ReminderStore::Moved::Done);
    EXPECT_NE(store.revision(), before);
    EXPECT_EQ(dir.read(QStringLiteral("data/Times.zdt")),
              QByteArray("23:50:00\r\n23:55:07\r\n23:50:00\r\n"));
    EXPECT_EQ(dir.read(QStringLiteral("data/messages/Кот25.01.2005.zdt")), text);

    // Past midnight: a new date, so a new id and text file; the old file goes.
    EXPECT_EQ(
        store.moveTo(QStringLiteral("Кот25.01.2005"), QDateTime(kDay.addDays(1), QTime(0, 5))),
        ReminderStore::Moved::Done);
    EXPECT_EQ(dir.readList(QStringLiteral("data/Titles.zdt")), titles);
    EXPECT_EQ(dir.read(QStringLiteral("data/Times.zdt")),
              QByteArray("23:50:00\r\n0:05:00\r\n23:50:00\r\n"));
    EXPECT_EQ(dir.read(QStringLiteral("data/Dates.zdt")),
              QByteArray("25.01.2005\r\n26.01.2005\r\n25.01.2005\r\n"));
    EXPECT_EQ(dir.readList(QStringLiteral("data/IDs.zdt")),
              (QStringList{QStringLiteral("Врач25.01.2005"), QStringLiteral("Кот26.01.2005"),
                           QStringLiteral("Сон25.01.2005")}));
    EXPECT_EQ(dir.readList(QStringLiteral("data/Messes.zdt")),
              (QStringList{textFile(dir, QStringLiteral("Врач25.01.2005")),
                           textFile(dir, QStringLiteral("Кот26.01.2005")),
                           textFile(dir, QStringLiteral("Сон25.01.2005"))}));
    EXPECT_FALSE(QFile::exists(textFile(dir, QStringLiteral("Кот25.01.2005"))));
    EXPECT_EQ(dir.read(QStringLiteral("data/messages/Кот26.01.2005.zdt")), text);
    for (const char16_t* other : {u"Врач25.01.2005", u"Сон25.01.2005"})
        EXPECT_EQ(dir.read(QStringLiteral("data/messages/%1.zdt").arg(QString::fromUtf16(other))),
                  text);

    // Another start reads the moved reminder with its text.
    ReminderStore again(dir.path());
    again.loadReminders();
    EXPECT_EQ(ReminderStore::readText(again.textFileOf(1)), u"покормить\nдважды");
}

TEST(Snooze, AReminderDeletedMeanwhileOrOneWhoseNewDayIsTakenIsLeftAsItIs)
{
    ProgramDir dir;
    ReminderStore store(dir.path());
    store.loadReminders();
    ASSERT_TRUE(store.addReminder(QStringLiteral("Врач"), QStringLiteral("a"), kDay, kTime));
    ASSERT_TRUE(
        store.addReminder(QStringLiteral("Врач"), QStringLiteral("b"), kDay.addDays(1), kTime));
    ASSERT_TRUE(store.addReminder(QStringLiteral("Кот"), QStringLiteral("c"), kDay, kTime));

    // The editor of another program deletes the cat while its window is open.
    ReminderStore other(dir.path());
    other.loadReminders();
    ASSERT_TRUE(other.removeReminderAt(2, QStringLiteral("Кот25.01.2005")));
    const QByteArray files = storeFiles(dir);
    EXPECT_EQ(store.moveTo(QStringLiteral("Кот25.01.2005"), QDateTime(kDay, QTime(11, 0))),
              ReminderStore::Moved::Gone);
    // The same title on the next day holds that day's id and text file.
    EXPECT_EQ(
        store.moveTo(QStringLiteral("Врач25.01.2005"), QDateTime(kDay.addDays(1), QTime(0, 1))),
        ReminderStore::Moved::Taken);
    EXPECT_EQ(storeFiles(dir), files);
    EXPECT_EQ(store.count(), 2);
}

#include "platform/atomicfile.h"
#include "platform/cp1251.h"
#include "platform/error.h"
#include "reminders/reminderstore.h"
#include "support/programdir.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zentari;
using zentari::test::ProgramDir;

namespace {
const QDate kDay(2005, 1, 25);
const QTime kTime(10, 30);
QByteArray crlf(const QString& line)
{
    return cp1251::encode(line) + "\r\n";
}
} // namespace

TEST(ReminderStore, AddWritesTheFiveListsAndTheTextFileRefusesTheSameTitleOnTheSameDay)
{
    ProgramDir dir;
    ReminderStore store(dir.path());
    store.loadReminders();
    ASSERT_TRUE(store.addReminder(QStringLiteral("Врач"), QStringLiteral("Взять карту\nи полис"),
                                  kDay, kTime));
    const QString textFile = dir.path() + QStringLiteral("data/messages/Врач25.01.2005.zdt");
    EXPECT_EQ(dir.read(QStringLiteral("data/Titles.zdt")), crlf(QStringLiteral("Врач")));
    EXPECT_EQ(dir.read(QStringLiteral("data/IDs.zdt")), crlf(QStringLiteral("Врач25.01.2005")));
    EXPECT_EQ(dir.read(QStringLiteral("data/Dates.zdt")), QByteArray("25.01.2005\r\n"));
    EXPECT_EQ(dir.read(QStringLiteral("data/Times.zdt")), QByteArray("10:30:00\r\n"));
    EXPECT_EQ(dir.read(QStringLiteral("data/Messes.zdt")), crlf(textFile));
    EXPECT_EQ(dir.read(QStringLiteral("data/messages/Врач25.01.2005.zdt")),
              crlf(QStringLiteral("Взять карту")) + crlf(QStringLiteral("и полис")));

    // The same title on the same day shares the text file: refused, nothing written.
    EXPECT_FALSE(
        store.addReminder(QStringLiteral("Врач"), QStringLiteral("x"), kDay, QTime(11, 0)));
    EXPECT_EQ(store.count(), 1);
    EXPECT_TRUE(
        store.addReminder(QStringLiteral("Врач"), QStringLiteral("x"), kDay.addDays(1), kTime));
    // An empty title: the text file is named after the date alone.
    EXPECT_TRUE(store.addReminder(QString(), QStringLiteral("y"), kDay, kTime));
    EXPECT_TRUE(QFile::exists(dir.file(QStringLiteral("data/messages/25.01.2005.zdt"))));

    // Another start reads what was written.
    ReminderStore again(dir.path());
    again.loadReminders();
    EXPECT_EQ(again.lists().titles,
              (QStringList{QStringLiteral("Врач"), QStringLiteral("Врач"), QString()}));
    EXPECT_EQ(ReminderStore::readText(again.textFileOf(0)), u"Взять карту\nи полис");

    // Delete: the line from every list and the text file.
    EXPECT_TRUE(again.removeReminderAt(0));
    EXPECT_FALSE(QFile::exists(textFile));
    EXPECT_EQ(dir.readList(QStringLiteral("data/IDs.zdt")),
              (QStringList{QStringLiteral("Врач26.01.2005"), QStringLiteral("25.01.2005")}));
    for (const char* list : {"Titles", "Messes", "Times", "Dates"})
        EXPECT_EQ(dir.readList(QStringLiteral("data/%1.zdt").arg(QLatin1String(list))).size(), 2)
            << list;
    EXPECT_FALSE(again.removeReminderAt(-1));
    EXPECT_FALSE(again.removeReminderAt(2));
}

TEST(ReminderStore, TitlesThatWouldLeaveTheFolderOrCannotBeStoredAreRefused)
{
    ProgramDir dir;
    ReminderStore store(dir.path());
    store.loadReminders();
    // Each refusal names what is wrong.
    const std::pair<const char16_t*, const char16_t*> refused[] = {
        {u"../x", u"В названии нельзя использовать «/»"},
        {u"a/b", u"В названии нельзя использовать «/»"},
        {u"a\\b", u"В названии нельзя использовать «\\»"},
        {u"two\nlines", u"Значение не может содержать перевод строки."},
        {u"/etc/passwd", u"В названии нельзя использовать «/»"}};
    for (const auto& [title, message] : refused) {
        try {
            store.addReminder(QString::fromUtf16(title), QStringLiteral("t"), kDay, kTime);
            ADD_FAILURE() << "accepted " << QString::fromUtf16(title).toStdString();
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), QString::fromUtf16(message));
        }
    }
    EXPECT_THROW(store.addReminder(QStringLiteral("Träume"), QStringLiteral("t"), kDay, kTime),
                 Error);
    EXPECT_THROW(store.addReminder(QStringLiteral("ok"), QStringLiteral("😀"), kDay, kTime), Error);
    EXPECT_EQ(store.count(), 0);
    EXPECT_TRUE(dir.read(QStringLiteral("data/IDs.zdt")).isEmpty());
    EXPECT_EQ(QDir(dir.file(QStringLiteral("data/messages"))).entryList(QDir::Files).size(), 0);
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("x25.01.2005.zdt"))));
    // Dots alone are plain titles: the date follows them, the file stays inside the folder.
    EXPECT_TRUE(store.addReminder(QStringLiteral("."), QStringLiteral("t"), kDay, kTime));
    EXPECT_TRUE(QFile::exists(dir.file(QStringLiteral("data/messages/.25.01.2005.zdt"))));
}

TEST(ReminderStore, AKillInTheMiddleOfAChangeLeavesTheListsEven)
{
    ProgramDir dir;
    for (int dieAt = 1; dieAt <= 16; ++dieAt) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            static int writes = 0;
            setAtomicWriteHookForTesting([dieAt](const QString&) {
                if (++writes == dieAt)
                    ::_exit(0);
            });
            ReminderStore store(dir.path());
            store.loadReminders();
            for (int n = 0;; ++n) {
                store.addReminder(QStringLiteral("r%1-%2").arg(dieAt).arg(n), QStringLiteral("t"),
                                  kDay, kTime);
                if (n % 2)
                    store.removeReminderAt(0);
            }
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ReminderStore store(dir.path());
        ASSERT_NO_THROW(store.loadReminders());
        const ReminderStore::Lists& l = store.lists();
        for (const QStringList* list : {&l.times, &l.messes, &l.dates, &l.titles})
            ASSERT_EQ(list->size(), l.ids.size()) << "killed at write " << dieAt;
        for (int i = 0; i < store.count(); ++i)
            ASSERT_TRUE(QFile::exists(store.textFileOf(i))) << "killed at write " << dieAt;
    }
}

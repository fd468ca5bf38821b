// The store's lists and texts: what an add and a delete write, which titles
// it refuses, two writers at once, and texts read within bounds. The cases of
// killed, failed and damaged writes are in test_reminderstoredamage.cpp.

#include "core/error.h"
#include "reminders/reminderstore.h"
#include "reminderstorefiles.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zentari;
using namespace zentari::test;

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

TEST(FailedWriteNextStart, TitlesTooLongForAFileNameAreRefusedAndAMissingFolderIsMade)
{
    ProgramDir dir;
    ReminderStore store(dir.path());
    store.loadReminders();
    // "<title>25.01.2005.zdt", and its temporary name six letters longer, in 255 bytes.
    const QString cyrillic = QString(117, u'я');
    const QString ascii = QString(234, u'a');
    const std::pair<QString, int> cases[] = {{cyrillic + u'я', 117},
                                             {QString(125, u'ж'), 117},
                                             {ascii + u'a', 234},
                                             {QString(120, u'ж') + ascii, 117}};
    for (const auto& [title, fits] : cases) {
        const QString expected =
            QStringLiteral("Название слишком длинное: не больше %1 букв").arg(fits);
        EXPECT_EQ(ReminderStore::titleProblem(title), expected);
        try {
            store.addReminder(title, QStringLiteral("t"), kDay, kTime);
            ADD_FAILURE() << "accepted " << title.size() << " letters";
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), expected);
        }
    }
    EXPECT_TRUE(dir.read(QStringLiteral("data/IDs.zdt")).isEmpty());
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("data/reminders.pending"))));

    // What fits is stored, in a folder made when it is missing.
    ASSERT_TRUE(QDir(dir.file(QStringLiteral("data/messages"))).removeRecursively());
    EXPECT_TRUE(store.addReminder(cyrillic, QStringLiteral("t"), kDay, kTime));
    EXPECT_TRUE(store.addReminder(ascii, QStringLiteral("t"), kDay, kTime));
    EXPECT_EQ(QDir(dir.file(QStringLiteral("data/messages"))).entryList(QDir::Files).size(), 2);
}

// ------------------------------------------------------------ the same title on the same day

TEST(SameTitleSameDay, IsFoundByTheIdsListWhenTheTextFileIsGone)
{
    ProgramDir dir;
    ReminderStore store(dir.path());
    store.loadReminders();
    ASSERT_TRUE(store.addReminder(QStringLiteral("Врач"), QStringLiteral("1"), kDay, kTime));
    QFile::remove(dir.file(QStringLiteral("data/messages/Врач25.01.2005.zdt")));
    EXPECT_TRUE(store.exists(QStringLiteral("Врач"), kDay));
    EXPECT_FALSE(
        store.addReminder(QStringLiteral("Врач"), QStringLiteral("2"), kDay, QTime(11, 0)));
    EXPECT_EQ(dir.readList(QStringLiteral("data/IDs.zdt")),
              QStringList{QStringLiteral("Врач25.01.2005")});
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("data/messages/Врач25.01.2005.zdt"))));
}

// ------------------------------------------------------------ one lock for every writer

TEST(OneLockForEveryWriter, TwoProcessesAdding300RemindersEachLoseNothing)
{
    ProgramDir dir;
    constexpr int kEach = 300;
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    pid_t children[2];
    for (int p = 0; p < 2; ++p) {
        children[p] = ::fork();
        ASSERT_GE(children[p], 0);
        if (children[p] == 0) {
            try {
                // Each with the copy it loaded at its start, as two clocks have.
                ReminderStore store(dir.path());
                store.loadReminders();
                char c = 0;
                if (::read(go[0], &c, 1) != 1)
                    ::_exit(2);
                for (int i = 0; i < kEach; ++i) {
                    if (!store.addReminder(QStringLiteral("p%1-%2").arg(p).arg(i),
                                           QStringLiteral("t"), kDay, kTime))
                        ::_exit(3);
                }
            } catch (...) {
                ::_exit(4);
            }
            ::_exit(0);
        }
    }
    ASSERT_EQ(::write(go[1], "xx", 2), 2); // both start at once
    for (pid_t child : children) {
        int status = -1;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
    ::close(go[0]);
    ::close(go[1]);

    ReminderStore store(dir.path());
    store.loadReminders();
    const ReminderStore::Lists& l = store.lists();
    ASSERT_EQ(l.ids.size(), 2 * kEach) << "acknowledged adds were lost";
    for (const QStringList* list : {&l.times, &l.messes, &l.dates, &l.titles})
        EXPECT_EQ(list->size(), l.ids.size());
    for (int p = 0; p < 2; ++p) {
        for (int i = 0; i < kEach; ++i)
            EXPECT_TRUE(l.titles.contains(QStringLiteral("p%1-%2").arg(p).arg(i))) << p << '-' << i;
    }
    QStringList files = QDir(dir.file(QStringLiteral("data/messages"))).entryList(QDir::Files);
    EXPECT_EQ(files.size(), 2 * kEach) << "text files without a reminder";
    for (int i = 0; i < store.count(); ++i)
        EXPECT_TRUE(QFile::exists(store.textFileOf(i))) << l.ids[i].toStdString();
}

// ------------------------------------------------------------ bounded reads

TEST(BoundedReads, TextsAreReadOnlyFromRegularFilesAndOnlyTheirFirstMegabyte)
{
    ProgramDir dir;
    const QString fifo = dir.file(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Lines of Messes.zdt that name what never ends, or never answers.
    for (const QString& path :
         {QStringLiteral("/dev/zero"), QStringLiteral("/dev/urandom"), fifo}) {
        writeStore(dir, {QStringLiteral("один")});
        dir.write(QStringLiteral("data/Messes.zdt"), crlf(path));
        QFile::remove(dir.file(QStringLiteral("data/messages/один25.01.2005.zdt")));
        const int status = inChild(
            [&dir] {
                ReminderStore store(dir.path());
                store.loadReminders();
                try {
                    ReminderStore::readText(store.textFileOf(0));
                } catch (const Error&) {
                    return 0;
                }
                return 1;
            },
            10);
        EXPECT_EQ(status, 0) << path.toStdString() << ": -1 is still reading after 10 s";
    }

    // A larger text: its first megabyte, and a last line that says so.
    const QByteArray line = QByteArray(99, 'x') + "\r\n";
    dir.write(QStringLiteral("big.zdt"), line.repeated(15'000)); // 1.5 MB
    const QString text = ReminderStore::readText(dir.file(QStringLiteral("big.zdt")));
    // One letter a byte, less the CR of each line.
    EXPECT_LE(text.size(), ReminderStore::maxTextSize);
    EXPECT_GE(text.size(), ReminderStore::maxTextSize * 99 / 100);
    EXPECT_TRUE(text.endsWith(QStringLiteral("занимает 1.4 МБ.]")))
        << text.right(100).toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Показан только первый 1 МБ текста")));
    // And none larger is stored.
    EXPECT_FALSE(ReminderStore::textProblem(QString(ReminderStore::maxTextSize, u'x')).isEmpty());
}

#include "core/atomicfile.h"
#include "core/cp1251.h"
#include "core/error.h"
#include "reminders/reminderstore.h"
#include "support/failingwrites.h"
#include "support/programdir.h"
#include "support/testseed.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zentari;
using zentari::test::failEachWriteUntilDone;
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

// ------------------------------------------------------------ shared helpers

namespace {

// Every file of the store, byte for byte, and whether an intent record is left.
QByteArray storeFiles(const ProgramDir& dir)
{
    QByteArray all;
    for (const char* list : {"Titles", "Messes", "Times", "Dates", "IDs"}) {
        const QString name = QStringLiteral("data/%1.zdt").arg(QLatin1String(list));
        all += name.toUtf8() + ':' + dir.read(name) + '\n';
    }
    const QDir messages(dir.file(QStringLiteral("data/messages")));
    for (const QString& name : messages.entryList(QDir::Files | QDir::Hidden, QDir::Name))
        all += name.toUtf8() + ':' + dir.read(QStringLiteral("data/messages/") + name) + '\n';
    if (QFile::exists(dir.file(QStringLiteral("data/reminders.pending"))))
        all += "an intent record is left\n";
    return all;
}

// Runs `body` in a child process; its exit status (12 when it ran out of
// memory, 13 for any other exception), or -1 when it had not ended by the
// deadline (it is killed then).
int inChild(const std::function<int()>& body, int seconds)
{
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            ::_exit(body());
        } catch (const std::bad_alloc&) {
            ::_exit(12);
        } catch (...) {
            ::_exit(13);
        }
    }
    for (int waited = 0; waited < seconds * 100; ++waited) {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        ::usleep(10'000);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return -1;
}

// VmPeak: the most address space this process has taken, in bytes.
qint64 peakAddressSpace()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmPeak:"))
            return line.mid(7).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return 0;
}

// The lists of one reminder each, as a user's store holds them.
void writeStore(const ProgramDir& dir, const QStringList& titles)
{
    QByteArray t, m, times, d, ids;
    for (const QString& title : titles) {
        const QString id = title + QStringLiteral("25.01.2005");
        t += crlf(title);
        m += crlf(dir.file(QStringLiteral("data/messages/") + id + QStringLiteral(".zdt")));
        times += "10:30:00\r\n";
        d += "25.01.2005\r\n";
        ids += crlf(id);
        dir.write(QStringLiteral("data/messages/") + id + QStringLiteral(".zdt"),
                  crlf(QStringLiteral("текст ") + title));
    }
    dir.write(QStringLiteral("data/Titles.zdt"), t);
    dir.write(QStringLiteral("data/Messes.zdt"), m);
    dir.write(QStringLiteral("data/Times.zdt"), times);
    dir.write(QStringLiteral("data/Dates.zdt"), d);
    dir.write(QStringLiteral("data/IDs.zdt"), ids);
}

} // namespace

// ------------------------------------------------------------ a failed write and the next start

TEST(FailedWriteNextStart, AWriteFailingAtAnyStepChangesNothingAndLeavesNoRecord)
{
    ProgramDir dir;
    writeStore(dir, {QStringLiteral("один"), QStringLiteral("два")});
    ReminderStore store(dir.path());
    store.loadReminders();
    const QByteArray before = storeFiles(dir);
    const ReminderStore::Lists lists = store.lists();
    int failAt = 1;
    for (;; ++failAt) {
        int writes = 0;
        setAtomicWriteHookForTesting([&writes, failAt](const QString&) {
            if (++writes == failAt)
                throw Error(QStringLiteral("Нет места на устройстве"));
        });
        bool added = false;
        try {
            added = store.addReminder(QStringLiteral("три"), QStringLiteral("3"), kDay, kTime);
        } catch (const Error&) {
        }
        setAtomicWriteHookForTesting(nullptr);
        if (added)
            break;
        ASSERT_EQ(storeFiles(dir), before) << "failed at write " << failAt;
        ASSERT_EQ(store.lists().ids, lists.ids) << "failed at write " << failAt;
        ASSERT_EQ(store.lists().titles, lists.titles) << "failed at write " << failAt;
        // The next start reads the store the user was left with.
        ReminderStore next(dir.path());
        ASSERT_NO_THROW(next.loadReminders());
        ASSERT_EQ(next.lists().titles, lists.titles) << "failed at write " << failAt;
    }
    EXPECT_GT(failAt, 3) << "the add writes its record, its text and the lists";
    ReminderStore next(dir.path());
    next.loadReminders();
    EXPECT_EQ(next.lists().titles,
              (QStringList{QStringLiteral("один"), QStringLiteral("два"), QStringLiteral("три")}));
}

TEST(FailedWriteNextStart, ARecordThatCannotBeCompletedIsSetAsideAndToldOnce)
{
    ProgramDir dir;
    writeStore(dir, {QStringLiteral("один"), QStringLiteral("два")});
    const QByteArray before = storeFiles(dir);
    // A crash after the record was written leaves it behind...
    const int crashed = inChild(
        [&dir] {
            int writes = 0;
            setAtomicWriteHookForTesting([&writes](const QString&) {
                if (++writes == 2)
                    ::_exit(0);
            });
            ReminderStore store(dir.path());
            store.loadReminders();
            store.addReminder(QStringLiteral("три"), QStringLiteral("3"), kDay, kTime);
            return 1;
        },
        20);
    ASSERT_EQ(crashed, 0);
    ASSERT_TRUE(QFile::exists(dir.file(QStringLiteral("data/reminders.pending"))));
    // ...and something now stands where its text file goes.
    ASSERT_TRUE(QDir().mkpath(dir.file(QStringLiteral("data/messages/три25.01.2005.zdt"))));

    ReminderStore store(dir.path());
    ASSERT_NO_THROW(store.loadReminders());
    EXPECT_EQ(store.lists().titles, (QStringList{QStringLiteral("один"), QStringLiteral("два")}))
        << "the lists are read as they stand";
    const QString notice = store.takeNotice();
    EXPECT_TRUE(notice.startsWith(QStringLiteral("Прерванное изменение напоминаний не удалось "
                                                 "завершить")))
        << notice.toStdString();
    EXPECT_TRUE(store.takeNotice().isEmpty()) << "told once";
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("data/reminders.pending"))));
    const QStringList aside = QDir(dir.file(QStringLiteral("data")))
                                  .entryList({QStringLiteral("reminders.pending-unfinished-*")});
    ASSERT_EQ(aside.size(), 1) << "kept for the user";
    EXPECT_TRUE(notice.contains(aside.first())) << notice.toStdString();
    QDir(dir.file(QStringLiteral("data/messages/три25.01.2005.zdt"))).removeRecursively();
    EXPECT_EQ(storeFiles(dir), before);

    // The next start has nothing to tell, and the store writes again.
    ReminderStore next(dir.path());
    next.loadReminders();
    EXPECT_TRUE(next.takeNotice().isEmpty());
    EXPECT_TRUE(next.addReminder(QStringLiteral("четыре"), QStringLiteral("4"), kDay, kTime));
    EXPECT_EQ(dir.readList(QStringLiteral("data/Titles.zdt")).size(), 3);
}

TEST(FailedWriteNextStart, AfterALoadThatFailedTheStoreRefusesToWriteAndSaysWhy)
{
    ProgramDir dir;
    writeStore(dir, {QStringLiteral("один"), QStringLiteral("два")});
    const QByteArray dates = dir.read(QStringLiteral("data/Dates.zdt"));
    QFile::remove(dir.file(QStringLiteral("data/Dates.zdt")));
    const QByteArray before = storeFiles(dir);

    ReminderStore store(dir.path());
    EXPECT_THROW(store.loadReminders(), Error);
    for (const auto& change : std::initializer_list<std::function<void()>>{
             [&store] {
                 store.addReminder(QStringLiteral("три"), QStringLiteral("3"), kDay, kTime);
             },
             [&store] { store.removeReminderAt(0); },
         }) {
        try {
            change();
            ADD_FAILURE() << "written from a partial copy";
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("Dates.zdt")))
                << e.message().toStdString();
        }
    }
    EXPECT_EQ(storeFiles(dir), before);

    // Once the list is back, the store reads it again before it writes.
    dir.write(QStringLiteral("data/Dates.zdt"), dates);
    EXPECT_TRUE(store.addReminder(QStringLiteral("три"), QStringLiteral("3"), kDay, kTime));
    for (const char* list : {"Titles", "Messes", "Times", "Dates", "IDs"})
        EXPECT_EQ(dir.readList(QStringLiteral("data/%1.zdt").arg(QLatin1String(list))).size(), 3)
            << list;
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

TEST(BoundedReads, ADamagedRecordNeverAsksForMoreMemoryThanItHolds)
{
    ProgramDir dir;
    writeStore(dir, {QStringLiteral("один")});
    // A record as a crash leaves it (the process ends as its text is written).
    ASSERT_EQ(inChild(
                  [&dir] {
                      int writes = 0;
                      setAtomicWriteHookForTesting([&writes](const QString&) {
                          if (++writes == 2)
                              ::_exit(0);
                      });
                      ReminderStore store(dir.path());
                      store.loadReminders();
                      store.addReminder(QStringLiteral("два"), QStringLiteral("2"), kDay, kTime);
                      return 1;
                  },
                  20),
              0);
    const QString recordPath = dir.file(QStringLiteral("data/reminders.pending"));
    const QByteArray record = dir.read(QStringLiteral("data/reminders.pending"));
    ASSERT_GT(record.size(), 100);
    QFile::remove(recordPath);

    // Under 100 bytes that claim a list of sixteen million lines, or of four
    // thousand million.
    QList<QByteArray> damaged;
    for (const char* lines : {"01000000", "F0000000"}) {
        QByteArray claim = record.left(4 + 4 + 1); // magic, the steps, the first one's kind
        claim += QByteArray::fromHex("00000002") + QByteArray::fromHex("0061"); // its file "a"
        claim += QByteArray::fromHex(lines);
        claim += QByteArray(40, '\0');
        damaged.append(claim);
    }
    for (qsizetype cut = 0; cut < record.size(); cut += 7)
        damaged.append(record.left(cut));
    QRandomGenerator random(zentari::test::testSeed("ReminderStore damaged records", 14));
    for (int n = 0; n < 300; ++n) {
        QByteArray b = record;
        for (int flips = 1 + int(random.bounded(4)); flips > 0; --flips)
            b[random.bounded(b.size())] = char(random.bounded(256));
        damaged.append(b);
    }
    for (int n = 0; n < 50; ++n) {
        QByteArray b(qsizetype(random.bounded(1, 200)), Qt::Uninitialized);
        for (char& c : b)
            c = char(random.bounded(256));
        damaged.append(record.left(4) + b);
    }

    // In a process of its own: a damaged record is set aside or completed,
    // and the loader never reserves room the record does not hold (its peak of
    // address space stays where it was).
    const int status = inChild(
        [&] {
            const rlimit limit{4ull << 30, 4ull << 30};
            if (::setrlimit(RLIMIT_AS, &limit) != 0)
                return 10;
            const qint64 peak = peakAddressSpace();
            for (qsizetype i = 0; i < damaged.size(); ++i) {
                writeStore(dir, {QStringLiteral("один")});
                QFile::remove(dir.file(QStringLiteral("data/messages/два25.01.2005.zdt")));
                dir.write(QStringLiteral("data/reminders.pending"), damaged[i]);
                ReminderStore s(dir.path());
                try {
                    s.loadReminders();
                } catch (const Error&) {
                }
                if (QFile::exists(recordPath))
                    return 11;
                for (const QString& aside : QDir(dir.file(QStringLiteral("data")))
                                                .entryList({QStringLiteral("*-unfinished-*")}))
                    QFile::remove(dir.file(QStringLiteral("data/") + aside));
            }
            return peakAddressSpace() - peak > 64 * 1024 * 1024 ? 12 : 0;
        },
        120);
    EXPECT_EQ(status, 0) << "10 no limit, 11 record left, 12 asked for more than it holds";
}

// ------------------------------------------------------------ one rollback for every change

TEST(OneRollback, AReminderChangeOrDeleteFailingAtAnyWriteChangesNothing)
{
    ProgramDir dir;
    writeStore(dir, {QStringLiteral("один"), QStringLiteral("два")});
    ReminderStore store(dir.path());
    store.loadReminders();
    // After a change that failed: the files and the store's records as they
    // were, and the tick's index still good.
    const auto unchanged = [&] {
        return [&, files = storeFiles(dir), lists = store.lists(),
                revision = store.revision()](int failedAt) {
            EXPECT_EQ(storeFiles(dir), files) << "failed at write " << failedAt;
            const ReminderStore::Lists now = store.lists();
            for (auto list : {&ReminderStore::Lists::titles, &ReminderStore::Lists::messes,
                              &ReminderStore::Lists::times, &ReminderStore::Lists::dates,
                              &ReminderStore::Lists::ids})
                EXPECT_EQ(now.*list, lists.*list) << "failed at write " << failedAt;
            EXPECT_EQ(store.revision(), revision) << "failed at write " << failedAt;
        };
    };

    EXPECT_GT(failEachWriteUntilDone(
                  [&] {
                      store.replaceAt(0, QStringLiteral("один25.01.2005"), QStringLiteral("три"),
                                      QStringLiteral("3"), kDay, kTime);
                  },
                  unchanged()),
              6);
    EXPECT_EQ(store.lists().titles, (QStringList{QStringLiteral("два"), QStringLiteral("три")}));
    EXPECT_GT(failEachWriteUntilDone(
                  [&] { store.removeReminderAt(0, QStringLiteral("два25.01.2005")); }, unchanged()),
              5);
    EXPECT_EQ(store.lists().titles, QStringList{QStringLiteral("три")});
    ReminderStore next(dir.path());
    next.loadReminders();
    EXPECT_EQ(next.lists().titles, QStringList{QStringLiteral("три")});
    EXPECT_EQ(next.readText(next.textFileOf(0)), u"3");
}

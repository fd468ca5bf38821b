// The store when a change is cut short: a kill at any write, a write that
// fails at any step, a load that failed, a damaged intent record, and the one
// rollback every change shares.

#include "core/atomicfile.h"
#include "core/error.h"
#include "reminders/reminderstore.h"
#include "reminderstorefiles.h"
#include "support/failingwrites.h"
#include "support/testseed.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zentari;
using namespace zentari::test;

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

// ------------------------------------------------------------ a damaged intent record

namespace {

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

} // namespace

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

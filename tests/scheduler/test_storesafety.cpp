// What a store change leaves behind when the process dies in the middle of it,
// when a file cannot be read, and when a value cannot be stored.
#include "core/atomicfile.h"
#include "core/error.h"
#include "core/inifile.h"
#include "scheduler/actionstore.h"
#include "support/failingwrites.h"
#include "support/programdir.h"
#include "support/testseed.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zentari;
using zentari::test::failEachWriteUntilDone;
using zentari::test::ProgramDir;

namespace {

ScheduledAction templateAt(int n)
{
    ScheduledAction a;
    a.typeCode = int(ActionType::Shutdown);
    a.timeText = QStringLiteral("10:%1:00").arg(n % 60, 2, 10, QLatin1Char('0'));
    a.dateText = QStringLiteral("08.12.2026");
    a.pathText = QStringLiteral("Шаблон на выключение");
    a.actionId = ActionStore::makeTemplateId(a.dateText, a.timeText);
    return a;
}

// Appends and deletes without end, as fast as it can, until it is killed.
[[noreturn]] void churn(const QString& programDir)
{
    ActionStore store(programDir);
    store.openStore();
    for (int n = 0;; ++n) {
        store.appendTemplateAction(templateAt(n), QStringLiteral("x"));
        if (n % 3 == 2)
            store.removeAt(0);
    }
}

// The store as the next start sees it: the five lists of one length, and one
// section for every listed id.
void expectConsistent(const ProgramDir& dir, int round)
{
    ActionStore store(dir.path());
    store.openStore();
    ASSERT_NO_THROW(store.loadAll()) << "round " << round;
    const ActionStore::Lists& l = store.lists();
    ASSERT_EQ(l.actions.size(), l.ids.size()) << "round " << round;
    ASSERT_EQ(l.paths.size(), l.ids.size()) << "round " << round;
    ASSERT_EQ(l.times.size(), l.ids.size()) << "round " << round;
    ASSERT_EQ(l.dates.size(), l.ids.size()) << "round " << round;
    for (const QString& id : l.ids)
        ASSERT_TRUE(store.config().sectionExists(ActionStore::sectionName(id)))
            << "round " << round << ": no section for " << id.toStdString();
    const QByteArray conf = dir.read(QStringLiteral("conf.ini"));
    ASSERT_EQ(conf.count("[Action"), l.ids.size()) << "round " << round;
}

pid_t forkOrDie()
{
    const pid_t pid = ::fork();
    if (pid < 0)
        std::abort();
    return pid;
}

} // namespace

TEST(StoreSafety, AKillAtAnyMomentOfAChangeLeavesTheOldOrTheNewStore)
{
    ProgramDir dir;
    QRandomGenerator random(zentari::test::testSeed("StoreSafety"));
    // First at every file write in turn (just before its rename), then at
    // random moments.
    for (int round = 0; round < 240; ++round) {
        const pid_t child = forkOrDie();
        if (child == 0) {
            if (round < 40) {
                static int writes = 0;
                const int dieAt = round + 1;
                setAtomicWriteHookForTesting([dieAt](const QString&) {
                    if (++writes == dieAt)
                        ::_exit(0);
                });
            }
            churn(dir.path());
        }
        if (round >= 40)
            ::usleep(random.bounded(1, 40'000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        expectConsistent(dir, round);
        if (HasFatalFailure())
            return;
    }
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("data/actions.pending"))));
}

TEST(StoreSafety, TemporaryFilesOfInterruptedWritesAreRemovedAtStart)
{
    ProgramDir dir;
    const QStringList leftovers = {QStringLiteral("conf.ini.a1B2c3"),
                                   QStringLiteral("data/1Ids.zdt.Xy7Zq0")};
    const QStringList kept = {QStringLiteral("data/notes.txt.abcdef"),
                              QStringLiteral("data/1Ids.zdt")};
    for (const QString& name : leftovers + kept) {
        dir.write(name, "x");
        QFile file(dir.file(name));
        file.open(QIODevice::ReadWrite);
        file.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                         QFileDevice::FileModificationTime);
    }
    dir.write(QStringLiteral("data/1Paths.zdt.fresh1"), "x"); // another instance writing now

    ActionStore::removeInterruptedWrites(dir.path());
    for (const QString& name : leftovers)
        EXPECT_FALSE(QFile::exists(dir.file(name))) << name.toStdString();
    for (const QString& name : kept + QStringList{QStringLiteral("data/1Paths.zdt.fresh1")})
        EXPECT_TRUE(QFile::exists(dir.file(name))) << name.toStdString();
}

// Root reads any file whatever its mode: the reader runs as nobody then.
TEST(StoreSafety, AFileThatCannotBeReadIsNeverOverwritten)
{
    ProgramDir dir;
    const QByteArray conf =
        "[Options big]\r\nColor=255\r\n[Actionx]\r\nAction=0\r\nTime=10:00:00\r\n";
    dir.write(QStringLiteral("conf.ini"), conf);
    dir.write(QStringLiteral("data/1Ids.zdt"), "x\r\n");
    const uid_t nobody = 65534;
    for (const char* name : {"", "conf.ini", "data", "data/1Ids.zdt"}) {
        const QByteArray path = QFile::encodeName(dir.file(QLatin1String(name)));
        if (::getuid() == 0) {
            ASSERT_EQ(::chown(path.constData(), nobody, nobody), 0);
        }
    }
    // Writable, not readable, as a careless chmod leaves it.
    QFile::setPermissions(dir.file(QStringLiteral("conf.ini")), QFile::WriteOwner);
    QFile::setPermissions(dir.file(QStringLiteral("data/1Ids.zdt")), QFile::WriteOwner);

    const pid_t child = forkOrDie();
    if (child == 0) {
        if (::getuid() == 0 && (::setgid(nobody) != 0 || ::setuid(nobody) != 0))
            ::_exit(10);
        IniFile ini(dir.confPath());
        if (ini.readString(u"Options big", u"Color", QStringLiteral("default")) != u"default")
            ::_exit(11);
        if (!ini.readProblem().contains(QStringLiteral("не изменит этот файл")))
            ::_exit(12);
        try {
            ini.writeString(u"Options big", u"Left", u"5");
            ::_exit(13);
        } catch (const Error&) {
        }
        ActionStore store(dir.path());
        store.openStore();
        try {
            store.appendTemplateAction(templateAt(1), QStringLiteral("x"));
            ::_exit(14);
        } catch (const Error&) {
        }
        ::_exit(0);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10 no nobody, 11 read, 12 no report, 13 conf.ini "
                                         "written, 14 lists written";
    QFile::setPermissions(dir.file(QStringLiteral("conf.ini")),
                          QFile::ReadOwner | QFile::WriteOwner);
    QFile::setPermissions(dir.file(QStringLiteral("data/1Ids.zdt")),
                          QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")), conf);
    EXPECT_EQ(dir.read(QStringLiteral("data/1Ids.zdt")), QByteArray("x\r\n"));
}

TEST(StoreSafety, ValuesNoListLineCanHoldAreRefusedAndNothingIsWritten)
{
    ProgramDir dir;
    ActionStore store(dir.path());
    store.openStore();
    const QByteArray before = dir.read(QStringLiteral("conf.ini"));
    const std::pair<const char16_t*, const char*> cases[] = {
        {u"/музыка/two\nlines.mp3", "перевод строки"},
        {u"/музыка/Träume.mp3", "«ä» (U+00E4)"},
        {u"/музыка/😀.mp3", "«😀» (U+1F600)"},
    };
    for (const auto& [path, named] : cases) {
        ScheduledAction a = templateAt(1);
        a.pathText = QString::fromUtf16(path);
        try {
            store.appendAction(a, true);
            ADD_FAILURE() << "accepted " << a.pathText.toStdString();
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(named)))
                << e.message().toStdString();
        }
    }
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")), before);
    EXPECT_TRUE(dir.readList(QStringLiteral("data/1Ids.zdt")).isEmpty());
    // What the code page holds goes through.
    ScheduledAction fine = templateAt(2);
    fine.pathText = QStringLiteral("/музыка/№ 5 «Ёлка».mp3");
    EXPECT_NO_THROW(store.appendAction(fine, true));
}

namespace {

// Everything the action store writes, byte for byte, and whether an intent record is left.
QByteArray storeFiles(const ProgramDir& dir)
{
    QByteArray all;
    for (const char* f : {"conf.ini", "data/1Actions.zdt", "data/1Paths.zdt", "data/1Times.zdt",
                          "data/1Dates.zdt", "data/1Ids.zdt"})
        all += QByteArray(f) + ':' + dir.read(QString::fromLatin1(f)) + '\n';
    if (QFile::exists(dir.file(QStringLiteral("data/actions.pending"))))
        all += "an intent record is left\n";
    return all;
}

ScheduledAction editorAction(int n)
{
    ScheduledAction a = templateAt(n);
    a.typeCode = int(ActionType::Reboot);
    a.pathText = QStringLiteral("Перезагрузка");
    a.timeText = QStringLiteral("%1:%2:00").arg(n / 60 % 24).arg(n % 60, 2, 10, QLatin1Char('0'));
    a.actionId = a.dateText + u' ' + a.timeText;
    return a;
}

} // namespace

TEST(FailedWriteNextStart, AnActionWriteFailingAtAnyStepChangesNothingAndLeavesNoRecord)
{
    ProgramDir dir;
    dir.writeConf(QStringLiteral("[Options big]\nColor=255\n"));
    ActionStore store(dir.path());
    store.openStore();
    store.appendAction(editorAction(1), true);
    const QByteArray before = storeFiles(dir);
    const ActionStore::Lists lists = store.lists();
    int failAt = 1;
    for (;; ++failAt) {
        int writes = 0;
        setAtomicWriteHookForTesting([&writes, failAt](const QString&) {
            if (++writes == failAt)
                throw Error(QStringLiteral("Нет места на устройстве"));
        });
        bool done = false;
        try {
            store.appendAction(editorAction(2), true);
            done = true;
        } catch (const Error&) {
        }
        setAtomicWriteHookForTesting(nullptr);
        if (done)
            break;
        ASSERT_EQ(storeFiles(dir), before) << "failed at write " << failAt;
        ASSERT_EQ(store.lists().ids, lists.ids) << "failed at write " << failAt;
    }
    EXPECT_GT(failAt, 6) << "the append writes its record, five lists and conf.ini";
    expectConsistent(dir, 0);
}

TEST(OneLockForEveryWriter, TwoProcessesAdding300ActionsEachKeepListsAndSectionsInStep)
{
    ProgramDir dir;
    constexpr int kEach = 300;
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    pid_t children[2];
    for (int p = 0; p < 2; ++p) {
        children[p] = forkOrDie();
        if (children[p] == 0) {
            try {
                ActionStore store(dir.path());
                store.openStore();
                store.loadAll();
                char c = 0;
                if (::read(go[0], &c, 1) != 1)
                    ::_exit(2);
                for (int i = 0; i < kEach; ++i)
                    store.appendAction(editorAction(p * kEach + i), true);
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

    expectConsistent(dir, 0);
    ActionStore store(dir.path());
    store.openStore();
    store.loadAll();
    EXPECT_EQ(store.lists().ids.size(), 2 * kEach) << "acknowledged appends were lost";
    EXPECT_EQ(QStringList(store.lists().ids).removeDuplicates(), 0);
}

// ------------------------------------------------------------ one rollback for every change

namespace {

// After a change that failed: the files and the store's records as they were.
std::function<void(int)> unchanged(const ProgramDir& dir, const ActionStore& store)
{
    return [&dir, &store, files = storeFiles(dir), lists = store.lists()](int failedAt) {
        EXPECT_EQ(storeFiles(dir), files) << "failed at write " << failedAt;
        const ActionStore::Lists now = store.lists();
        for (auto list :
             {&ActionStore::Lists::actions, &ActionStore::Lists::paths, &ActionStore::Lists::times,
              &ActionStore::Lists::dates, &ActionStore::Lists::ids})
            EXPECT_EQ(now.*list, lists.*list) << "failed at write " << failedAt;
    };
}

} // namespace

TEST(OneRollback, AnActionChangeOrDeleteFailingAtAnyWriteChangesNothing)
{
    ProgramDir dir;
    ActionStore store(dir.path());
    store.openStore();
    const QString first = store.appendAction(editorAction(1), true);
    const QString second = store.appendAction(editorAction(2), true);

    EXPECT_GT(failEachWriteUntilDone([&] { store.replaceAt(0, first, editorAction(3), true); },
                                     unchanged(dir, store)),
              6);
    EXPECT_EQ(store.lists().ids, (QStringList{second, editorAction(3).actionId}));
    EXPECT_GT(failEachWriteUntilDone([&] { store.removeAt(0, second); }, unchanged(dir, store)), 6);
    EXPECT_EQ(store.lists().ids, QStringList{editorAction(3).actionId});
    expectConsistent(dir, 0);
}

TEST(OneRollback, ListsOutOfStepAreWrittenBackAsTheyWereReadWithTheNewLines)
{
    ProgramDir dir;
    // Hand-edited lists: one line too few in the times, one too many in the paths.
    for (const auto& [file, lines] :
         {std::pair("1Actions", "2\r\n2\r\n"), std::pair("1Paths", "a\r\nb\r\nc\r\n"),
          std::pair("1Times", "7:00:00\r\n"), std::pair("1Dates", "08.12.2026\r\n08.12.2026\r\n"),
          std::pair("1Ids", "x\r\ny\r\n")})
        dir.write(QStringLiteral("data/%1.zdt").arg(QLatin1String(file)), lines);
    ActionStore store(dir.path());
    store.openStore();
    ScheduledAction added = editorAction(4);
    added.pathText = QStringLiteral("d");
    store.appendAction(added, true);
    EXPECT_EQ(dir.read(QStringLiteral("data/1Actions.zdt")), QByteArray("2\r\n2\r\n2\r\n"));
    EXPECT_EQ(dir.read(QStringLiteral("data/1Paths.zdt")), QByteArray("a\r\nb\r\nc\r\nd\r\n"));
    EXPECT_EQ(dir.read(QStringLiteral("data/1Times.zdt")),
              "7:00:00\r\n" + added.timeText.toLatin1() + "\r\n");
    // Record i is line i of each list, as the lists were read; a line a list
    // does not have is not there to read, as on the list itself.
    EXPECT_EQ(store.records().whole(), 2);
    EXPECT_EQ(store.records().line(1, &ActionRecord::time), added.timeText);
    EXPECT_THROW(store.records().line(2, &ActionRecord::time), Error);
}

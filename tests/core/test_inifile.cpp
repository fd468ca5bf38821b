#include "core/atomicfile.h"
#include "core/cp1251.h"
#include "core/error.h"
#include "core/filelock.h"
#include "core/inifile.h"
#include "support/programdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace zentari;
using zentari::test::ProgramDir;

namespace {

// Outside writers (the configuration tool, a text editor) are seen once the
// handle looks at the file again.
void waitForRecheck()
{
    std::this_thread::sleep_for(IniFile::recheckInterval + std::chrono::milliseconds(20));
}

QByteArray crlf(const char* utf8)
{
    QString text = QString::fromUtf8(utf8);
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return cp1251::encode(text);
}

} // namespace

TEST(IniFile, NamesMatchWithoutRegardToCaseAndValuesAreExact)
{
    ProgramDir dir;
    dir.write(QStringLiteral("conf.ini"), crlf("[OPTIONS BIG]\ntimesplay=3\nColor=Yes\n"));
    IniFile ini(dir.confPath());
    EXPECT_EQ(ini.readString(u"Options Big", u"TimesPlay", QStringLiteral("1")), u"3");
    EXPECT_EQ(ini.readString(u"options big", u"COLOR", QString()), u"Yes");
    EXPECT_EQ(ini.readString(u"Options small", u"on", QStringLiteral("yes")), u"yes");
    EXPECT_EQ(ini.readString(u"Options big", u"missing", QStringLiteral("dflt")), u"dflt");
}

TEST(IniFile, OneSectionHeaderServesBothSpellings)
{
    ProgramDir dir;
    dir.write(QStringLiteral("conf.ini"), crlf("[Options Big]\nWithBoard=1\nTimesPlay=2\n"));
    IniFile ini(dir.confPath());
    EXPECT_EQ(ini.readString(u"Options big", u"WithBoard", QStringLiteral("0")), u"1");
    EXPECT_EQ(ini.readString(u"Options Big", u"TimesPlay", QStringLiteral("1")), u"2");
}

TEST(IniFile, MissingOrEmptyFileGivesDefaultsAndNothingIsCreatedByReading)
{
    ProgramDir dir;
    IniFile missing(dir.file(QStringLiteral("none.ini")));
    EXPECT_EQ(missing.readString(u"a", u"b", QStringLiteral("d")), u"d");
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("none.ini"))));
    IniFile unopened;
    EXPECT_EQ(unopened.readString(u"a", u"b", QStringLiteral("d")), u"d");
    EXPECT_THROW(unopened.writeString(u"a", u"b", u"c"), Error);
}

TEST(IniFile, ReplacingAKeyKeepsTheRestOfTheFileByteForByte)
{
    ProgramDir dir;
    // Mixed line ends, a comment, blanks around "=", an unknown line and no
    // final line end: all of it must survive a write elsewhere.
    const QByteArray before = "; made by hand\r\n[Options big]\r\nLeft = 10\r\n"
                              "junk line\n[Action1]\rTime=1:00:00\r\nPath=x";
    dir.write(QStringLiteral("conf.ini"), before);
    IniFile ini(dir.confPath());
    ini.writeString(u"options BIG", u"left", u"897");
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")),
              QByteArray("; made by hand\r\n[Options big]\r\nLeft =897\r\n"
                         "junk line\n[Action1]\rTime=1:00:00\r\nPath=x"));
}

TEST(IniFile, NewKeysGoToTheEndOfTheirSectionAndNewSectionsToTheEndOfTheFile)
{
    ProgramDir dir;
    dir.write(QStringLiteral("conf.ini"), "[A]\r\nx=1\r\n\r\n[B]\r\ny=2");
    IniFile ini(dir.confPath());
    ini.writeString(u"a", u"z", u"3");
    ini.writeString(u"B", u"w", u"4");
    ini.writeString(u"Options big", u"Top", u"691");
    EXPECT_EQ(
        dir.read(QStringLiteral("conf.ini")),
        QByteArray("[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\nw=4\r\n[Options big]\r\nTop=691\r\n"));
}

TEST(IniFile, CyrillicValuesRoundTripInWindows1251)
{
    ProgramDir dir;
    IniFile ini(dir.confPath());
    const QString label = QStringLiteral("Шаблон выключенияЧерез 1 минуту12:01:00");
    ini.writeString(u"Action08.12.2026 12:01:00", u"Path", label);
    EXPECT_TRUE(dir.read(QStringLiteral("conf.ini")).contains(cp1251::encode(label)));
    IniFile other(dir.confPath());
    EXPECT_EQ(other.readString(u"ACTION08.12.2026 12:01:00", u"path", QString()), label);
}

TEST(IniFile, HandlesOnOneFileSeeEachOthersWritesAtOnce)
{
    ProgramDir dir;
    IniFile a(dir.confPath());
    IniFile b(dir.confPath() + QStringLiteral("/../conf.ini")); // another spelling of the path
    EXPECT_EQ(b.readString(u"s", u"k", QStringLiteral("none")), u"none");
    a.writeString(u"s", u"k", u"v");
    EXPECT_EQ(b.readString(u"s", u"k", QStringLiteral("none")), u"v");
}

TEST(IniFile, OutsideChangesAreSeenOnceTheFileChanged)
{
    ProgramDir dir;
    dir.writeConf(QStringLiteral("[Options big]\nColor=255\n"));
    IniFile ini(dir.confPath());
    EXPECT_EQ(ini.readString(u"Options big", u"Color", QString()), u"255");
    // Same size, written in the same instant: only the content differs.
    dir.writeConf(QStringLiteral("[Options big]\nColor=256\n"));
    waitForRecheck();
    EXPECT_EQ(ini.readString(u"Options big", u"Color", QString()), u"256");
    QFile::remove(dir.confPath());
    waitForRecheck();
    EXPECT_EQ(ini.readString(u"Options big", u"Color", QStringLiteral("gone")), u"gone");
}

TEST(IniFile, TheRevisionMovesExactlyWhenTheContentDoes)
{
    ProgramDir dir;
    dir.writeConf(QStringLiteral("[A]\nk=1\n"));
    IniFile a(dir.confPath());
    IniFile b(dir.confPath());
    const quint64 first = a.revision();
    EXPECT_EQ(a.revision(), first);
    EXPECT_EQ(IniFile(dir.confPath()).revision(), first); // a new handle on an unchanged file
    b.writeString(u"A", u"k", u"2");
    const quint64 second = a.revision();
    EXPECT_NE(second, first);
    dir.writeConf(QStringLiteral("[A]\nk=3\n"));
    waitForRecheck();
    EXPECT_NE(a.revision(), second);
    IniFile other(dir.file(QStringLiteral("other.ini")));
    EXPECT_NE(other.revision(), a.revision());
}

TEST(IniFile, AWriteStartsFromTheFileOnDiskNotFromAStaleCopy)
{
    ProgramDir dir;
    dir.writeConf(QStringLiteral("[Options big]\nColor=1\n"));
    IniFile ini(dir.confPath());
    EXPECT_EQ(ini.readString(u"Options big", u"Color", QString()), u"1");
    dir.writeConf(QStringLiteral("[Options big]\nColor=1\nTraySet=0\n"));
    ini.writeString(u"Options big", u"Left", u"5"); // no wait: the write rechecks itself
    EXPECT_EQ(ini.readString(u"Options big", u"TraySet", QString()), u"0");
    EXPECT_EQ(ini.readString(u"Options big", u"Left", QString()), u"5");
}

TEST(IniFile, EraseSectionRemovesEverySectionOfThatNameAndKeepsTheOthers)
{
    ProgramDir dir;
    dir.write(QStringLiteral("conf.ini"),
              "[Keep]\r\na=1\r\n[Action1]\r\nTime=0:00:01\r\n[x]\r\n[action1]\r\nPath=p\r\n");
    IniFile ini(dir.confPath());
    ini.eraseSection(u"ACTION1");
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")), QByteArray("[Keep]\r\na=1\r\n[x]\r\n"));
    EXPECT_FALSE(ini.sectionExists(u"Action1"));
    ini.eraseSection(u"nothing"); // erasing a missing section is no error
}

TEST(IniFile, AFailedWriteThrowsAndKeepsTheOldContent)
{
    ProgramDir dir;
    dir.writeConf(QStringLiteral("[A]\nk=1\n"));
    const QByteArray before = dir.read(QStringLiteral("conf.ini"));
    IniFile ini(dir.confPath());
    // A full disk shows up between writing the temporary file and renaming it.
    setAtomicWriteHookForTesting([](const QString&) { throw Error(QStringLiteral("disk full")); });
    EXPECT_THROW(ini.writeString(u"A", u"k", u"2"), Error);
    setAtomicWriteHookForTesting(nullptr);
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")), before);
    EXPECT_EQ(ini.readString(u"A", u"k", QString()), u"1");
    // No temporary file left; the writers' lock file stays (it is never removed).
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{QStringLiteral("conf.ini"), QStringLiteral("conf.ini.lock")}));
}

TEST(IniFile, ACrashBetweenWriteAndRenameLeavesTheOldFile)
{
    ProgramDir dir;
    dir.writeConf(QStringLiteral("[Options big]\nLeft=10\n"));
    const QByteArray before = dir.read(QStringLiteral("conf.ini"));
    const pid_t child = fork();
    if (child == 0) {
        setAtomicWriteHookForTesting([](const QString&) { _exit(42); });
        IniFile ini(dir.confPath());
        ini.writeString(u"Options big", u"Left", u"99999");
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 42);
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")), before);
}

// Larger than its line index and the clock's memory allow: refused whole.
TEST(IniFile, AnOversizedFileIsNeitherReadNorWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("conf.ini"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Options big]\r\nColor=255\r\n");
        ASSERT_TRUE(file.resize(zentari::IniFile::maxFileSize + 1));
    }
    zentari::IniFile ini(path);
    EXPECT_EQ(ini.readString(u"Options big", u"Color", QStringLiteral("d")), u"d");
    EXPECT_TRUE(ini.readProblem().contains(QStringLiteral("слишком велик")));
    EXPECT_THROW(ini.writeString(u"Options big", u"Left", u"1"), zentari::Error);
    EXPECT_EQ(QFileInfo(path).size(), zentari::IniFile::maxFileSize + 1);
}

// ------------------------------------------------------------ one lock for every writer

TEST(OneLockForEveryWriter, TwoProcessesWriting300KeysEachLoseNone)
{
    ProgramDir dir;
    dir.writeConf(QStringLiteral("[Options big]\nColor=255\n"));
    constexpr int kEach = 300;
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    pid_t children[2];
    for (int p = 0; p < 2; ++p) {
        children[p] = ::fork();
        ASSERT_GE(children[p], 0);
        if (children[p] == 0) {
            try {
                IniFile ini(dir.confPath());
                char c = 0;
                if (::read(go[0], &c, 1) != 1)
                    ::_exit(2);
                // One writes key by key (the clock's option writes), the other
                // whole sections (conf --set, the stores).
                for (int i = 0; i < kEach; ++i) {
                    const QString key = QStringLiteral("k%1-%2").arg(p).arg(i);
                    if (p == 0)
                        ini.writeString(u"Options big", key, QString::number(i));
                    else
                        ini.writeSection(u"Options big", {{key, QString::number(i)}});
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

    IniFile ini(dir.confPath());
    int lost = 0;
    for (int p = 0; p < 2; ++p) {
        for (int i = 0; i < kEach; ++i) {
            if (ini.readString(u"Options big", QStringLiteral("k%1-%2").arg(p).arg(i), {}) !=
                QString::number(i))
                ++lost;
        }
    }
    EXPECT_EQ(lost, 0) << "acknowledged writes undone by the other writer";
    EXPECT_EQ(ini.readString(u"Options big", u"Color", {}), u"255");
}

TEST(OneLockForEveryWriter, AWriterThatCannotGetTheLockInTimeWritesNothingAndSaysWhy)
{
    ProgramDir dir;
    dir.writeConf(QStringLiteral("[Options big]\nColor=255\n"));
    const QByteArray before = dir.read(QStringLiteral("conf.ini"));
    int held[2];
    ASSERT_EQ(::pipe(held), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        // Another program in the middle of a long change.
        const QByteArray lock = QFile::encodeName(dir.confPath() + QStringLiteral(".lock"));
        const int fd = ::open(lock.constData(), O_RDONLY | O_CREAT, 0666);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0)
            ::_exit(1);
        if (::write(held[1], "x", 1) != 1)
            ::_exit(2);
        ::sleep(10);
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(held[0], &c, 1), 1);
    FileLock::setTimeoutForTesting(std::chrono::milliseconds(300));
    IniFile ini(dir.confPath());
    try {
        ini.writeString(u"Options big", u"Left", u"5");
        ADD_FAILURE() << "written while another program held the file";
    } catch (const RefusedError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("изменяет другая программа")))
            << e.message().toStdString();
    }
    FileLock::setTimeoutForTesting(std::chrono::seconds(5));
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ::close(held[0]);
    ::close(held[1]);
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")), before);
    // Once it is free, the write goes through.
    ini.writeString(u"Options big", u"Left", u"5");
    EXPECT_EQ(ini.readString(u"Options big", u"Left", {}), u"5");
}

#include "core/atomicfile.h"
#include "core/error.h"
#include "core/inifile.h"
#include "core/storechange.h"
#include "core/storefiles.h"
#include "support/failingwrites.h"
#include "support/programdir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace zentari;
using zentari::test::failEachWriteUntilDone;
using zentari::test::ProgramDir;

// The one way both stores change their records and files: all or nothing in
// memory as on disk.

namespace {

struct TwoLists
{
    ProgramDir dir;
    StoreFiles files{dir.file(QStringLiteral("data/")),
                     QStringLiteral("things"),
                     QStringLiteral("вещей"),
                     {QStringLiteral("A.zdt"), QStringLiteral("B.zdt")}};
    QStringList records{QStringLiteral("a"), QStringLiteral("b")};
    IniFile none;

    TwoLists()
    {
        dir.write(QStringLiteral("data/A.zdt"), "a\r\nb\r\n");
        dir.write(QStringLiteral("data/B.zdt"), "a\r\nb\r\n");
    }
    QByteArray onDisk() const
    {
        QByteArray all =
            dir.read(QStringLiteral("data/A.zdt")) + '|' + dir.read(QStringLiteral("data/B.zdt"));
        if (QFile::exists(files.recordPath()))
            all += "|an intent record is left";
        return all;
    }
    // Appends "c" to the records and both lists.
    void appendC()
    {
        files.change(
            records, none,
            [this](StoreChange& c) {
                records.append(QStringLiteral("c"));
                c.setList(dir.file(QStringLiteral("data/A.zdt")), records);
                c.setList(dir.file(QStringLiteral("data/B.zdt")), records);
            },
            [] { FAIL() << "nothing was made, nothing is to be read again"; });
    }
};

} // namespace

TEST(OneRollback, AWriteFailingAtAnyStepLeavesRecordsAndFilesAsTheyWere)
{
    TwoLists s;
    const QByteArray before = s.onDisk();
    const int writes = failEachWriteUntilDone(
        [&s] { s.appendC(); },
        [&](int failedAt) {
            EXPECT_EQ(s.records, (QStringList{QStringLiteral("a"), QStringLiteral("b")}))
                << failedAt;
            EXPECT_EQ(s.onDisk(), before) << failedAt;
        });
    EXPECT_EQ(writes, 4) << "the record and two lists are written";
    EXPECT_EQ(s.records.size(), 3);
    EXPECT_EQ(s.onDisk(), QByteArray("a\r\nb\r\nc\r\n|a\r\nb\r\nc\r\n"));
}

TEST(OneRollback, AChangeRefusedHalfWayThroughPutsTheRecordsBack)
{
    TwoLists s;
    const QByteArray before = s.onDisk();
    EXPECT_THROW(s.files.change(
                     s.records, s.none,
                     [&s](StoreChange& c) {
                         s.records.removeFirst();
                         c.setList(s.dir.file(QStringLiteral("data/A.zdt")), s.records);
                         throw RefusedError(QStringLiteral("занято"));
                     },
                     [] {}),
                 RefusedError);
    EXPECT_EQ(s.records, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(s.onDisk(), before);
}

TEST(OneRollback, AChangeMadeInPartIsReadAgainFromTheFiles)
{
    TwoLists s;
    // B.zdt cannot be replaced once A.zdt is: a folder has taken its name.
    int writes = 0;
    setAtomicWriteHookForTesting([&](const QString&) {
        if (++writes == 3) {
            QFile::remove(s.dir.file(QStringLiteral("data/B.zdt")));
            QDir().mkpath(s.dir.file(QStringLiteral("data/B.zdt/in the way")));
        }
    });
    bool reread = false;
    EXPECT_THROW(s.files.change(
                     s.records, s.none,
                     [&s](StoreChange& c) {
                         s.records.append(QStringLiteral("c"));
                         c.setList(s.dir.file(QStringLiteral("data/A.zdt")), s.records);
                         c.setList(s.dir.file(QStringLiteral("data/B.zdt")), s.records);
                     },
                     [&] {
                         reread = true;
                         s.records = {QStringLiteral("as the files now are")};
                     }),
                 UnfinishedChange);
    setAtomicWriteHookForTesting(nullptr);
    EXPECT_TRUE(reread);
    EXPECT_EQ(s.records, QStringList{QStringLiteral("as the files now are")});
    EXPECT_EQ(s.dir.read(QStringLiteral("data/A.zdt")), QByteArray("a\r\nb\r\nc\r\n"));
    EXPECT_TRUE(QFile::exists(s.files.recordPath())) << "kept for the next start to complete";
}

#include "core/paths.h"
#include "support/programdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zentari;
using zentari::test::ProgramDir;

// An installed, read-only program folder and a user's own folder beside it.
// (Whether a folder is writable is passed in: the tests also run as root,
// who may write anything.)
class UserFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        installed.write(QStringLiteral("data/BackGround1.jpg"), "picture v1");
        installed.write(QStringLiteral("data/music.mp3"), "sound");
        QDir(installed.path()).mkpath(QStringLiteral("data/buttons"));
        installed.write(QStringLiteral("data/buttons/b1.bmp"), "button");
        installed.write(QStringLiteral("Zentari"), "elf");
        installed.write(QStringLiteral("conf"), "elf");
        user = home.path() + QStringLiteral("/share/zentari/");
    }

    QString start() { return paths::chooseProgramDir(installed.path(), false, user); }

    QByteArray userFile(const QString& name)
    {
        QFile f(user + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    ProgramDir installed;
    QTemporaryDir home;
    QString user;
};

TEST_F(UserFolder, WritableProgramFolderIsKeptAndNothingIsSeeded)
{
    EXPECT_EQ(paths::chooseProgramDir(installed.path(), true, user), installed.path());
    EXPECT_FALSE(QFileInfo::exists(user));
}

TEST_F(UserFolder, FirstStartSeedsDataAnEmptyConfAndLinksToThePrograms)
{
    EXPECT_EQ(start(), user);
    EXPECT_EQ(userFile(QStringLiteral("data/BackGround1.jpg")), "picture v1");
    EXPECT_EQ(userFile(QStringLiteral("data/buttons/b1.bmp")), "button");
    EXPECT_EQ(userFile(QStringLiteral("data/1Ids.zdt")), "");
    EXPECT_EQ(userFile(QStringLiteral("conf.ini")), "");
    EXPECT_TRUE(QFileInfo(user + QStringLiteral("data/messages")).isDir());
    // The clock's menu starts "conf" by name from its program folder.
    EXPECT_EQ(QFileInfo(user + QStringLiteral("conf")).symLinkTarget(),
              installed.path() + QStringLiteral("conf"));
    EXPECT_EQ(QFileInfo(user + QStringLiteral("Zentari")).symLinkTarget(),
              installed.path() + QStringLiteral("Zentari"));
}

TEST_F(UserFolder, LaterStartsAndReinstallsNeverOverwriteTheUsersFiles)
{
    start();
    QFile::remove(user + QStringLiteral("data/1Ids.zdt"));
    {
        QFile c(user + QStringLiteral("conf.ini"));
        ASSERT_TRUE(c.open(QIODevice::WriteOnly));
        c.write("[Options big]\r\nColor=255\r\n");
        QFile l(user + QStringLiteral("data/1Ids.zdt"));
        ASSERT_TRUE(l.open(QIODevice::WriteOnly));
        l.write("5\r\n");
        QFile p(user + QStringLiteral("data/BackGround1.jpg"));
        ASSERT_TRUE(p.open(QIODevice::WriteOnly));
        p.write("my own picture");
    }
    // A new version is installed: a changed picture, a new one, new lists.
    installed.write(QStringLiteral("data/BackGround1.jpg"), "picture v2");
    installed.write(QStringLiteral("data/new.bmp"), "new");
    installed.write(QStringLiteral("data/1Ids.zdt"), "");
    EXPECT_EQ(start(), user);
    EXPECT_EQ(userFile(QStringLiteral("conf.ini")), "[Options big]\r\nColor=255\r\n");
    EXPECT_EQ(userFile(QStringLiteral("data/1Ids.zdt")), "5\r\n");
    EXPECT_EQ(userFile(QStringLiteral("data/BackGround1.jpg")), "my own picture");
    EXPECT_EQ(userFile(QStringLiteral("data/new.bmp")), "new"); // what was missing arrives
}

TEST_F(UserFolder, LinksFollowAProgramFolderThatMoved)
{
    start();
    ProgramDir moved;
    moved.write(QStringLiteral("conf"), "elf");
    moved.write(QStringLiteral("Zentari"), "elf");
    paths::chooseProgramDir(moved.path(), false, user);
    EXPECT_EQ(QFileInfo(user + QStringLiteral("conf")).symLinkTarget(),
              moved.path() + QStringLiteral("conf"));
}

TEST_F(UserFolder, UserFolderFollowsXdgDataHome)
{
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    EXPECT_EQ(paths::userProgramDir(), home.path() + QStringLiteral("/zentari/"));
    qputenv("XDG_DATA_HOME", "relative/is/ignored");
    EXPECT_EQ(paths::userProgramDir(), QDir::homePath() + QStringLiteral("/.local/share/zentari/"));
    qunsetenv("XDG_DATA_HOME");
}

TEST_F(UserFolder, AnInstalledProgramFolderIsNeverWrittenWhoeverRunsIt)
{
    // Writable here (the tests may run as root, as `sudo zentari` does), and
    // still the package's: everything goes to the user's own folder.
    installed.write(paths::kInstalledMarker.toString(), "");
    const QByteArray before = installed.read(QStringLiteral("data/BackGround1.jpg"));
    EXPECT_EQ(paths::programDirFor(installed.path(), user), user);
    EXPECT_FALSE(QFileInfo::exists(installed.confPath()));
    EXPECT_EQ(userFile(QStringLiteral("conf.ini")), "");
    EXPECT_EQ(userFile(QStringLiteral("data/BackGround1.jpg")), before);
    EXPECT_FALSE(QFileInfo::exists(user + paths::kInstalledMarker.toString()));

    // A build folder is portable: it keeps its own files.
    ProgramDir build;
    EXPECT_EQ(paths::programDirFor(build.path(), user), build.path());
}

#include "conf/protection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zentari;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

} // namespace

// The privileged writer: nothing it finds at the store's path is trusted.

class PrivilegedWriter : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = tmp.path() + QStringLiteral("/zentari");
        store = folder + QStringLiteral("/registry.ini");
    }
    // Runs the writer; returns its status and expects it to leave the
    // temporary folder exactly as it found it.
    int refused(const QByteArray& input)
    {
        const QStringList before = entries(folder);
        QString error;
        const int status = conf::runWriteProtection(input, store, &error);
        EXPECT_NE(status, 0);
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(entries(folder), before) << error.toStdString();
        return status;
    }

    QTemporaryDir tmp;
    QString folder;
    QString store;
};

TEST_F(PrivilegedWriter, WritesExactlyTheTwoKeysWithMode644)
{
    // A store as an administrator may have left it: other sections, other keys.
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile old(store);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("; kept?\r\n[Other]\r\nX=1\r\n[Software\\Zentari]\r\nUSE=0\r\nPAS=1 1 \r\n");
    old.close();
    QFile::setPermissions(store, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QString error;
    const mode_t oldMask = umask(077);
    const int status = conf::runWriteProtection("1\r\n98 99 2 \r\n", store, &error);
    umask(oldMask);
    ASSERT_EQ(status, 0) << error.toStdString();
    EXPECT_EQ(readFile(store), QByteArray("[Software\\Zentari]\r\nUSE=1\r\nPAS=98 99 2 \r\n"));
    struct stat st = {};
    ASSERT_EQ(::stat(QFile::encodeName(store).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    EXPECT_EQ(st.st_uid, ::geteuid());
    EXPECT_EQ(entries(folder), QStringList{QStringLiteral("registry.ini")}); // no temporary left
}

TEST_F(PrivilegedWriter, MakesTheMissingFolderWithMode755InOneStep)
{
    const mode_t oldMask = umask(077);
    QString error;
    const int status = conf::runWriteProtection("0\n\n", store, &error);
    umask(oldMask);
    ASSERT_EQ(status, 0) << error.toStdString();
    struct stat st = {};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    EXPECT_EQ(readFile(store), QByteArray("[Software\\Zentari]\r\nUSE=0\r\nPAS=\r\n"));
}

TEST_F(PrivilegedWriter, RefusesALinkAtTheStorePath)
{
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString target = tmp.path() + QStringLiteral("/shadow");
    QFile t(target);
    ASSERT_TRUE(t.open(QIODevice::WriteOnly));
    t.write("root:x:0:0\n");
    t.close();
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_TRUE(QFile::link(target, store));
    EXPECT_EQ(refused("1\n98 99 2 \n"), 3);
    EXPECT_EQ(readFile(target), QByteArray("root:x:0:0\n"));
    EXPECT_EQ(QFile::permissions(target), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadUser | QFileDevice::WriteUser);
    EXPECT_TRUE(QFileInfo(store).isSymLink());
}

TEST_F(PrivilegedWriter, RefusesAFolderOthersMayWriteOrThatIsALink)
{
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0775), 0);
    EXPECT_EQ(refused("1\n98 99 2 \n"), 3);
    EXPECT_FALSE(QFile::exists(store));

    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
    const QString linked = tmp.path() + QStringLiteral("/linked");
    ASSERT_TRUE(QFile::link(folder, linked));
    QString error;
    EXPECT_EQ(
        conf::runWriteProtection("1\n98 99 2 \n", linked + QStringLiteral("/registry.ini"), &error),
        3);
    EXPECT_FALSE(QFile::exists(store));
}

TEST_F(PrivilegedWriter, RefusesWhatIsNotARegularFile)
{
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::mkfifo(QFile::encodeName(store).constData(), 0644), 0);
    EXPECT_EQ(refused("1\n98 99 2 \n"), 3);
    QFile::remove(store);
    ASSERT_TRUE(QDir().mkpath(store));
    EXPECT_EQ(refused("1\n98 99 2 \n"), 3);
}

TEST_F(PrivilegedWriter, RefusesLongBinaryOrMalformedInput)
{
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_EQ(refused("1"), 2);                                   // one line
    EXPECT_EQ(refused("1\n98 \nUSE=1\n"), 2);                     // three
    EXPECT_EQ(refused("1\n" + QByteArray(5000, '1') + " \n"), 2); // far too long
    EXPECT_EQ(refused(QByteArray("1\n98\0 99 \n", 11)), 2);       // a NUL
    EXPECT_EQ(refused("1\n\xff\xfe\n"), 2);                       // binary
    EXPECT_EQ(refused("yes\n98 \n"), 2);                          // USE only 0 or 1
    EXPECT_EQ(refused("1\nabc\n"), 2);                            // not an encoded password
    EXPECT_EQ(refused("1\n98 99 2 \r\n[Other]\n"), 2);
    EXPECT_FALSE(QFile::exists(store));
}

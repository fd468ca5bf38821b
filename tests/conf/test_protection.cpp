#include "conf/autostart.h"
#include "conf/protection.h"
#include "platform/error.h"
#include "platform/machinestore.h"
#include "windows/passwordcode.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zentari;

namespace {

// Stands in for pkexec: records what would have run with administrator
// rights, and plays the privileged side in-process on a file of the test's.
class FakeRunner : public conf::PrivilegedRunner
{
public:
    QString program;
    QStringList arguments;
    QByteArray input;
    QString storeForPrivilegedSide;
    bool refuse = false;

    bool run(const QString& p, const QStringList& a, const QByteArray& in, QString* error) override
    {
        program = p;
        arguments = a;
        input = in;
        if (refuse) {
            *error = QStringLiteral("Права администратора не получены; защита не изменена.");
            return false;
        }
        return conf::runWriteProtection(in, storeForPrivilegedSide, error) == 0;
    }
};

} // namespace

TEST(ConfProtection, WrittenStoreIsReadBackByTheClockWithTheEncodedPassword)
{
    QTemporaryDir tmp;
    const QString store = tmp.path() + QStringLiteral("/etc/zentari/registry.ini");
    FakeRunner runner;
    const mode_t oldMask = umask(077);
    conf::saveProtection(store, QStringLiteral("1"), encodePassword(QStringLiteral("пароль")),
                         runner, QStringLiteral("/opt/zentari/conf"));
    umask(oldMask);
    EXPECT_TRUE(runner.program.isEmpty()); // writable: no administrator asked
    // Every user's clock must be able to read it, even when written under umask 077.
    EXPECT_TRUE(QFile::permissions(store) & QFileDevice::ReadOther);
    EXPECT_TRUE(QFile::permissions(tmp.path() + QStringLiteral("/etc/zentari")) &
                QFileDevice::ExeOther);
    IniMachineStore machine(store);
    EXPECT_EQ(machine.readString(QStringLiteral("USE")), u"1");
    // The trailing space is part of the stored form and must survive.
    EXPECT_EQ(machine.readString(QStringLiteral("PAS")), encodePassword(QStringLiteral("пароль")));
    EXPECT_TRUE(
        passwordMatches(QStringLiteral("пароль"), machine.readString(QStringLiteral("PAS"))));
}

TEST(ConfProtection, ReadOnlyStoreGoesThroughTheAdministratorHelper)
{
    QTemporaryDir tmp;
    const QString store = tmp.path() + QStringLiteral("/registry.ini");
    FakeRunner runner;
    runner.storeForPrivilegedSide = tmp.path() + QStringLiteral("/privileged.ini");
    conf::saveProtection(store, QStringLiteral("1"), QStringLiteral("97 1 "), runner,
                         QStringLiteral("/opt/zentari/conf"), false);
    EXPECT_EQ(runner.program, u"/opt/zentari/conf");
    EXPECT_EQ(runner.arguments, QStringList{QStringLiteral("--write-protection")});
    // The password travels on standard input, never on a command line others can read.
    EXPECT_FALSE(runner.arguments.join(u' ').contains(u"97"));
    EXPECT_FALSE(QFile::exists(store));
    EXPECT_EQ(IniMachineStore(runner.storeForPrivilegedSide).readString(QStringLiteral("PAS")),
              u"97 1 ");
    runner.refuse = true;
    EXPECT_THROW(
        conf::saveProtection(store, QStringLiteral("0"), QString(), runner, QString(), false),
        Error);
}

TEST(ConfProtection, StoreIsWritableWhenItsFolderCanBeMade)
{
    QTemporaryDir tmp;
    EXPECT_TRUE(conf::canWriteStore(tmp.path() + QStringLiteral("/a/b/registry.ini")));
    if (geteuid() != 0) {
        EXPECT_FALSE(conf::canWriteStore(QStringLiteral("/etc/zentari-test-never/registry.ini")));
    }
}

TEST(ConfProtection, PrivilegedSideNeedsBothLinesAndKeepsTheRestOfTheStore)
{
    QTemporaryDir tmp;
    const QString store = tmp.path() + QStringLiteral("/registry.ini");
    QFile f(store);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("; kept\r\n[Other]\r\nX=1\r\n[Software\\Zentari]\r\nUSE=0\r\nPAS=1 1 \r\n");
    f.close();
    QString error;
    EXPECT_NE(conf::runWriteProtection("1", store, &error), 0);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(conf::runWriteProtection("1\r\n98 99 2 \r\n", store, &error), 0)
        << error.toStdString();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("; kept\r\n[Other]\r\nX=1\r\n[Software\\Zentari]\r\nUSE=1\r\n"
                                      "PAS=98 99 2 \r\n"));
}

TEST(ConfAutostart, EntryIsWrittenQuotedAndRemoved)
{
    QTemporaryDir tmp;
    qputenv("XDG_CONFIG_HOME", tmp.path().toUtf8());
    EXPECT_FALSE(conf::autostart::isEnabled());
    conf::autostart::setEnabled(true, QStringLiteral("/opt/my \"clock\"/Zentari"));
    EXPECT_EQ(conf::autostart::entryPath(),
              tmp.path() + QStringLiteral("/autostart/zentari.desktop"));
    EXPECT_TRUE(conf::autostart::isEnabled());
    QFile f(conf::autostart::entryPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("Exec=\"/opt/my \\\"clock\\\"/Zentari\"\n"));
    f.close();
    conf::autostart::setEnabled(false, QString());
    EXPECT_FALSE(QFile::exists(conf::autostart::entryPath()));
    qunsetenv("XDG_CONFIG_HOME");
}

#include "conf/protection.h"
#include "core/error.h"
#include "core/passwordcode.h"
#include "core/paths.h"
#include "platform/autostart.h"
#include "platform/machinestore.h"
#include "support/programdir.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zentari;
using zentari::test::ProgramDir;

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

    void start(const QString& p, const QStringList& a, const QByteArray& in, Done done) override
    {
        program = p;
        arguments = a;
        input = in;
        QString error;
        if (refuse)
            error = QStringLiteral("Права администратора не получены; защита не изменена.");
        else
            conf::runWriteProtection(in, storeForPrivilegedSide, &error);
        done(error);
    }
};

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

TEST(ConfProtection, WrittenStoreIsReadBackByTheClockWithTheEncodedPassword)
{
    QTemporaryDir tmp;
    const QString store = tmp.path() + QStringLiteral("/etc/zentari/registry.ini");
    FakeRunner runner;
    bool called = false;
    const mode_t oldMask = umask(077);
    const auto started = conf::saveProtection(
        store, {QStringLiteral("1"), encodePassword(QStringLiteral("пароль"))}, true, runner,
        QStringLiteral("/usr/lib/zentari/conf"), [&](const QString&) { called = true; });
    umask(oldMask);
    EXPECT_EQ(started, conf::SaveStart::Written);
    EXPECT_FALSE(called);
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

TEST(ConfProtection, ReadOnlyStoreGoesThroughTheInstalledWriter)
{
    QTemporaryDir tmp;
    const QString store = tmp.path() + QStringLiteral("/registry.ini");
    FakeRunner runner;
    runner.storeForPrivilegedSide = tmp.path() + QStringLiteral("/privileged.ini");
    QStringList outcomes;
    auto done = [&](const QString& error) { outcomes.append(error); };
    EXPECT_EQ(conf::saveProtection(store, {QStringLiteral("1"), QStringLiteral("97 1 ")}, false,
                                   runner, QStringLiteral("/usr/lib/zentari/conf"), done),
              conf::SaveStart::Asking);
    EXPECT_EQ(outcomes, QStringList{QString()});
    EXPECT_EQ(runner.program, u"/usr/lib/zentari/conf");
    EXPECT_EQ(runner.arguments, QStringList{QStringLiteral("--write-protection")});
    // The password travels on standard input, never on a command line others can read.
    EXPECT_FALSE(runner.arguments.join(u' ').contains(u"97"));
    EXPECT_FALSE(QFile::exists(store));
    EXPECT_EQ(IniMachineStore(runner.storeForPrivilegedSide).readString(QStringLiteral("PAS")),
              u"97 1 ");
    runner.refuse = true;
    conf::saveProtection(store, {QStringLiteral("0"), QString()}, false, runner,
                         QStringLiteral("/usr/lib/zentari/conf"), done);
    ASSERT_EQ(outcomes.size(), 2);
    EXPECT_TRUE(outcomes[1].contains(u"не получены"));
}

TEST(ConfProtection, StoreIsWritableWhenItsFolderCanBeMade)
{
    QTemporaryDir tmp;
    EXPECT_TRUE(conf::canWriteStore(tmp.path() + QStringLiteral("/a/b/registry.ini")));
    if (geteuid() != 0) {
        EXPECT_FALSE(conf::canWriteStore(QStringLiteral("/etc/zentari-test-never/registry.ini")));
    }
}

// ---------------------------------------------------------------------------
// Asking for the administrator's password never holds up the caller.

namespace {

void writeExecutable(const QString& path, const QByteArray& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                    QFileDevice::ExeOther);
}

} // namespace

TEST(PkexecRunner, ReturnsAtOnceAndTellsTheOutcomeFromTheEventLoop)
{
    QTemporaryDir tmp;
    // A stand-in for pkexec that takes its time, as an administrator does.
    const QString fake = tmp.path() + QStringLiteral("/pkexec");
    writeExecutable(fake, "#!/bin/sh\n"
                          "d=$(dirname \"$0\")\n"
                          "printf '%s\\n' \"$@\" >\"$d/args\"\n"
                          "cat >\"$d/input\"\n"
                          "sleep 0.2\n"
                          "echo \"$FAKE_PKEXEC_SAYS\" >&2\n"
                          "exit \"$FAKE_PKEXEC_STATUS\"\n");
    conf::PkexecRunner runner(fake);
    auto ask = [&](const char* status, const char* says) {
        qputenv("FAKE_PKEXEC_STATUS", status);
        qputenv("FAKE_PKEXEC_SAYS", says);
        QStringList events;
        QEventLoop loop;
        runner.start(QStringLiteral("/usr/lib/zentari/conf"),
                     {QStringLiteral("--write-protection")}, "1\n98 \n", [&](const QString& error) {
                         events.append(QStringLiteral("done:") + error);
                         loop.quit();
                     });
        events.append(QStringLiteral("returned"));
        QTimer::singleShot(0, [&] { events.append(QStringLiteral("window answered")); });
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        return events;
    };
    QStringList events = ask("0", "");
    ASSERT_EQ(events.size(), 3) << events.join(u'|').toStdString();
    EXPECT_EQ(events[0], u"returned");
    EXPECT_EQ(events[1], u"window answered");
    EXPECT_EQ(events[2], u"done:");
    EXPECT_EQ(readFile(tmp.path() + QStringLiteral("/args")),
              QByteArray("/usr/lib/zentari/conf\n--write-protection\n"));
    EXPECT_EQ(readFile(tmp.path() + QStringLiteral("/input")), QByteArray("1\n98 \n"));

    events = ask("126", "");
    EXPECT_TRUE(events.last().contains(u"не получены")) << events.last().toStdString();
    events = ask("3", "В папку «/etc/zentari» могут писать другие пользователи");
    EXPECT_TRUE(events.last().contains(u"могут писать другие")) << events.last().toStdString();
    qunsetenv("FAKE_PKEXEC_STATUS");
    qunsetenv("FAKE_PKEXEC_SAYS");

    conf::PkexecRunner missing(tmp.path() + QStringLiteral("/no-such-pkexec"));
    QString error;
    QEventLoop loop;
    missing.start(QStringLiteral("/usr/lib/zentari/conf"), {}, {}, [&](const QString& e) {
        error = e;
        loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(error.contains(u"pkexec")) << error.toStdString();
}

TEST(ConfProtection, OnlyTheInstalledConfThatPolkitNamesIsRunAsRoot)
{
    QTemporaryDir tmp;
    const QString programs = tmp.path() + QStringLiteral("/lib/zentari/");
    ASSERT_TRUE(QDir().mkpath(programs));
    writeExecutable(programs + QStringLiteral("conf"), "elf");
    const QString policy = tmp.path() + QStringLiteral("/org.zentari.conf.policy");
    auto writePolicy = [&](const QString& path) {
        QFile f(policy);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("<?xml version=\"1.0\"?>\n<policyconfig>\n"
                               " <action id=\"org.zentari.conf.write-protection\">\n"
                               "  <annotate key=\"org.freedesktop.policykit.exec.path\">%1"
                               "</annotate>\n </action>\n</policyconfig>\n")
                    .arg(path)
                    .toUtf8());
    };
    EXPECT_EQ(conf::installedPrivilegedWriter(programs, policy), QString()); // no policy
    writePolicy(QStringLiteral("/usr/lib/zentari/conf"));
    EXPECT_EQ(conf::installedPrivilegedWriter(programs, policy), QString()); // another conf
    writePolicy(programs + QStringLiteral("conf"));
    if (geteuid() == 0) {
        // Owned by root and writable by nobody else: the installed program.
        EXPECT_EQ(conf::installedPrivilegedWriter(programs, policy),
                  programs + QStringLiteral("conf"));
        QFile::setPermissions(programs + QStringLiteral("conf"),
                              QFile::permissions(programs + QStringLiteral("conf")) |
                                  QFileDevice::WriteGroup);
    }
    // A conf its user may replace is never offered to an administrator.
    EXPECT_EQ(conf::installedPrivilegedWriter(programs, policy), QString());
}

// ---------------------------------------------------------------------------
// The autostart entry.

class ConfAutostart : public ::testing::Test
{
protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", tmp.path().toUtf8()); }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }
    void writeEntry(const QByteArray& text)
    {
        QDir().mkpath(tmp.path() + QStringLiteral("/autostart"));
        QFile f(autostart::entryPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray entry() const { return readFile(autostart::entryPath()); }

    QTemporaryDir tmp;
};

TEST_F(ConfAutostart, EntryIsWrittenQuotedAndRemoved)
{
    EXPECT_FALSE(autostart::isEnabled());
    autostart::setEnabled(true, QStringLiteral("/opt/my \"clock\"/Zentari"));
    EXPECT_EQ(autostart::entryPath(), tmp.path() + QStringLiteral("/autostart/zentari.desktop"));
    EXPECT_TRUE(autostart::isEnabled());
    // The quote's backslash is itself escaped, as the string rules come on top.
    EXPECT_TRUE(entry().contains("Exec=\"/opt/my \\\\\"clock\\\\\"/Zentari\"\n"));
    autostart::setEnabled(false, QString());
    EXPECT_FALSE(QFile::exists(autostart::entryPath()));
}

TEST_F(ConfAutostart, ExecIsEscapedAsTheDesktopEntryRulesAsk)
{
    using autostart::execProgram;
    using autostart::execValue;
    EXPECT_EQ(execValue(QStringLiteral("zentari")), u"zentari");
    EXPECT_EQ(execValue(QStringLiteral("/home/u/100%/Zentari")), u"/home/u/100%%/Zentari");
    // A literal "$" in a quoted argument is "\\$", a literal backslash "\\\\".
    EXPECT_EQ(execValue(QStringLiteral("/opt/a b/$x\\y%/Zentari")),
              QStringLiteral("\"/opt/a b/\\\\$x\\\\\\\\y%%/Zentari\""));
    for (const QString& path :
         {QStringLiteral("/opt/my \"clock\"/Zentari"),
          QStringLiteral("/home/u/100% `$HOME`/Zentari"),
          QStringLiteral("/tmp/tab\tand\nline/Zentari"), QStringLiteral("/a\\b/c d/Zentari"),
          QStringLiteral("/plain/Zentari")}) {
        const QString exec = execValue(path);
        EXPECT_FALSE(exec.contains(u'\n') || exec.contains(u'\t')) << exec.toStdString();
        EXPECT_EQ(execProgram(exec), path) << exec.toStdString();
    }
}

TEST_F(ConfAutostart, AnEntryTheDesktopSwitchedOffIsOff)
{
    writeEntry(
        "[Desktop Entry]\nType=Application\nExec=zentari\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(autostart::isEnabled());
    writeEntry("[Desktop Entry]\nExec=zentari\nHidden = true\n");
    EXPECT_FALSE(autostart::isEnabled());
    // Only the main group counts.
    writeEntry("[Desktop Entry]\nExec=zentari\nX-GNOME-Autostart-enabled=true\n"
               "[Desktop Action x]\nHidden=true\n");
    EXPECT_TRUE(autostart::isEnabled());
}

TEST_F(ConfAutostart, AnEntryPointingAtAProgramThatIsGoneIsRefreshed)
{
    writeEntry("[Desktop Entry]\n# mine\nExec=\"/home/u/old build/bin/Zentari\"\n"
               "X-GNOME-Autostart-enabled=false\n");
    EXPECT_TRUE(autostart::refreshIfStale(QStringLiteral("/home/u/new/Zentari")));
    EXPECT_EQ(entry(), QByteArray("[Desktop Entry]\n# mine\nExec=/home/u/new/Zentari\n"
                                  "X-GNOME-Autostart-enabled=false\n"));
    EXPECT_FALSE(autostart::isEnabled()); // still as the user left it

    // A program that is there is left alone, on the PATH or by its path.
    const QString sh = QStandardPaths::findExecutable(QStringLiteral("sh"));
    writeEntry("[Desktop Entry]\nExec=" + autostart::execValue(sh).toUtf8() + "\n");
    EXPECT_FALSE(autostart::refreshIfStale(QStringLiteral("/home/u/new/Zentari")));
    writeEntry("[Desktop Entry]\nExec=sh\n");
    EXPECT_FALSE(autostart::refreshIfStale(QStringLiteral("/home/u/new/Zentari")));
    EXPECT_EQ(entry(), QByteArray("[Desktop Entry]\nExec=sh\n"));
    QFile::remove(autostart::entryPath());
    EXPECT_FALSE(autostart::refreshIfStale(QStringLiteral("/home/u/new/Zentari")));
    EXPECT_FALSE(QFile::exists(autostart::entryPath()));
}

TEST_F(ConfAutostart, TheInstalledProgramStartsByItsCommand)
{
    ProgramDir installed;
    EXPECT_EQ(autostart::commandFor(installed.path()),
              installed.path() + QStringLiteral("Zentari"));
    installed.write(paths::kInstalledMarker.toString(), "");
    EXPECT_EQ(autostart::commandFor(installed.path()), u"zentari");
}

#include "platform/power_logind.h"

#include "dbusmocks.h"

#include <QDBusConnection>
#include <QDateTime>
#include <QDir>

#include <unistd.h>

using namespace zentari;
using namespace zentari::test;

// Each test talks to python3-dbusmock stand-ins of logind and the GNOME session
// manager on two private dbus-daemons of this process: the machine's real buses
// are never touched.
namespace {

const QString login1 = QStringLiteral("org.freedesktop.login1");
const QString login1Path = QStringLiteral("/org/freedesktop/login1");
const QString sessionPath = QStringLiteral("/org/freedesktop/login1/session/_37");
const QString gnome = QStringLiteral("org.gnome.SessionManager");
const QString gnomePath = QStringLiteral("/org/gnome/SessionManager");

class LogindPowerTest : public PrivateBusTest
{
protected:
    void SetUp() override
    {
        PrivateBusTest::SetUp();
        qunsetenv("XDG_SESSION_ID");
    }

    void startLogind(const QString& parameters = QStringLiteral("{}"))
    {
        startMock(QDir(QStringLiteral(ZENTARI_MOCK_DIR)).filePath(QStringLiteral("mock_logind.py")),
                  login1, systemBus(), parameters);
    }
    void startGnome()
    {
        startMock(QDir(QStringLiteral(ZENTARI_MOCK_DIR))
                      .filePath(QStringLiteral("mock_gnome_session.py")),
                  gnome, sessionBus());
    }
    static QList<MockCall> calls(QDBusConnection bus, const QString& service, const QString& path)
    {
        return mockCalls(bus, service, path);
    }
};

} // namespace

TEST_F(LogindPowerTest, PowerOffIsScheduledAheadWithTheWallMessage)
{
    startLogind();
    const QString message =
        QStringLiteral("Сейчас произойдёт запланированое выключение компьютера. Zentari ");
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    EXPECT_TRUE(LogindPower().scheduleShutdown(PowerAction::PowerOff, 50, message));
    const qint64 after = QDateTime::currentMSecsSinceEpoch();

    const QList<MockCall> log = calls(systemBus(), login1, login1Path);
    ASSERT_EQ(methods(log),
              QStringList({QStringLiteral("SetWallMessage"), QStringLiteral("ScheduleShutdown")}));
    EXPECT_EQ(log[0].args, QVariantList({message, true}));
    EXPECT_EQ(log[1].args.value(0).toString(), QStringLiteral("poweroff"));
    const quint64 whenUs = log[1].args.value(1).toULongLong();
    EXPECT_GE(whenUs, quint64(before + 50000) * 1000);
    EXPECT_LE(whenUs, quint64(after + 50000) * 1000);
}

TEST_F(LogindPowerTest, RebootIsScheduledAsReboot)
{
    startLogind();
    EXPECT_TRUE(LogindPower().scheduleShutdown(PowerAction::Reboot, 50, QStringLiteral("r ")));
    const QList<MockCall> log = calls(systemBus(), login1, login1Path);
    ASSERT_EQ(log.size(), 2);
    EXPECT_EQ(log[1].args.value(0).toString(), QStringLiteral("reboot"));
}

TEST_F(LogindPowerTest, RefusedShutdownIsFalse)
{
    startLogind(QStringLiteral(R"({"refuse_shutdown": true})"));
    EXPECT_FALSE(LogindPower().scheduleShutdown(PowerAction::PowerOff, 50, QStringLiteral("m")));
}

TEST_F(LogindPowerTest, RefusedWallMessageStillSchedules)
{
    startLogind(QStringLiteral(R"({"refuse_wall": true})"));
    EXPECT_TRUE(LogindPower().scheduleShutdown(PowerAction::PowerOff, 50, QStringLiteral("m")));
    EXPECT_TRUE(methods(calls(systemBus(), login1, login1Path))
                    .contains(QStringLiteral("ScheduleShutdown")));
}

TEST_F(LogindPowerTest, AbsentLogindIsFalse)
{
    LogindPower power;
    EXPECT_FALSE(power.scheduleShutdown(PowerAction::PowerOff, 50, QStringLiteral("m")));
    power.cancelShutdown();
    power.logOff();
}

TEST_F(LogindPowerTest, UnreachableBusIsFalse)
{
    const auto nowhere = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/zentari-bus"), QStringLiteral("zentari-nowhere"));
    LogindPower power(nowhere, nowhere);
    EXPECT_FALSE(power.scheduleShutdown(PowerAction::Reboot, 50, QStringLiteral("m")));
    power.logOff();
    power.cancelShutdown();
}

TEST_F(LogindPowerTest, CancelCallsCancelScheduledShutdown)
{
    startLogind();
    LogindPower().cancelShutdown();
    EXPECT_EQ(methods(calls(systemBus(), login1, login1Path)),
              QStringList({QStringLiteral("CancelScheduledShutdown")}));
}

TEST_F(LogindPowerTest, LogOffAsksGnomeWithoutConfirmation)
{
    startLogind();
    startGnome();
    LogindPower().logOff();
    const QList<MockCall> log = calls(sessionBus(), gnome, gnomePath);
    ASSERT_EQ(methods(log), QStringList({QStringLiteral("Logout")}));
    EXPECT_EQ(log[0].args.value(0).toUInt(), 1u);
    EXPECT_TRUE(calls(systemBus(), login1, sessionPath).isEmpty());
}

TEST_F(LogindPowerTest, LogOffWithoutSessionManagerTerminatesOwnSession)
{
    startLogind();
    LogindPower().logOff();
    const QList<MockCall> manager = calls(systemBus(), login1, login1Path);
    ASSERT_EQ(methods(manager), QStringList({QStringLiteral("GetSessionByPID")}));
    EXPECT_EQ(manager[0].args.value(0).toUInt(), uint(::getpid()));
    EXPECT_EQ(methods(calls(systemBus(), login1, sessionPath)),
              QStringList({QStringLiteral("Terminate")}));
}

TEST_F(LogindPowerTest, LogOffFindsSessionByXdgSessionId)
{
    startLogind(QStringLiteral(R"({"no_session": true})"));
    qputenv("XDG_SESSION_ID", "37");
    LogindPower().logOff();
    const QList<MockCall> manager = calls(systemBus(), login1, login1Path);
    ASSERT_EQ(methods(manager),
              QStringList({QStringLiteral("GetSessionByPID"), QStringLiteral("GetSession")}));
    EXPECT_EQ(manager[1].args.value(0).toString(), QStringLiteral("37"));
    EXPECT_EQ(methods(calls(systemBus(), login1, sessionPath)),
              QStringList({QStringLiteral("Terminate")}));
}

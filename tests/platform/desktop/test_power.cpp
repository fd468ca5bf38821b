#include "platform/power_logind.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

using namespace zentari;

// Each test talks to python3-dbusmock stand-ins of logind and the GNOME session
// manager on two private dbus-daemons of this process: the machine's real buses
// are never touched.
namespace {

const QString login1 = QStringLiteral("org.freedesktop.login1");
const QString login1Path = QStringLiteral("/org/freedesktop/login1");
const QString sessionPath = QStringLiteral("/org/freedesktop/login1/session/_37");
const QString gnome = QStringLiteral("org.gnome.SessionManager");
const QString gnomePath = QStringLiteral("/org/gnome/SessionManager");

class PrivateBus
{
public:
    bool start()
    {
        QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        // No service directories: nothing is ever activated on this bus.
        config.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                     "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                     "<busconfig><type>session</type>"
                     "<listen>unix:dir=" +
                     m_dir.path().toUtf8() +
                     "</listen>"
                     "<auth>EXTERNAL</auth><policy context=\"default\">"
                     "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                     "<allow own=\"*\"/></policy></busconfig>\n");
        config.close();
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                        QStringLiteral("--config-file=") + config.fileName()});
        QDeadlineTimer deadline(10000);
        while (!m_daemon.canReadLine() && m_daemon.state() != QProcess::NotRunning &&
               !deadline.hasExpired())
            m_daemon.waitForReadyRead(100);
        address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        return !address.isEmpty();
    }
    ~PrivateBus()
    {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000))
            m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }

    QString address;

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
};

struct MockCall
{
    QString method;
    QVariantList args;
};

class LogindPowerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_system = std::make_unique<PrivateBus>();
        s_session = std::make_unique<PrivateBus>();
        if (!s_system->start() || !s_session->start())
            return;
        // Before the first use of QtDBus, which reads them once.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", s_system->address.toUtf8());
        qputenv("DBUS_SESSION_BUS_ADDRESS", s_session->address.toUtf8());
        s_ready = true;
    }
    static void TearDownTestSuite()
    {
        s_system.reset();
        s_session.reset();
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_ready) << "the private D-Bus daemons did not start";
        qunsetenv("XDG_SESSION_ID");
    }
    void TearDown() override
    {
        for (auto& [mock, bus, name] : m_mocks) {
            mock->terminate();
            if (!mock->waitForFinished(5000))
                mock->kill();
            mock->waitForFinished(5000);
            // Gone from the bus before the next test starts its own.
            QDeadlineTimer deadline(5000);
            while (bus.interface()->isServiceRegistered(name) && !deadline.hasExpired())
                QThread::msleep(20);
        }
    }

    static QDBusConnection systemBus() { return QDBusConnection::systemBus(); }
    static QDBusConnection sessionBus() { return QDBusConnection::sessionBus(); }

    void startMock(const QString& templateFile, const QString& name, QDBusConnection bus,
                   const QString& parameters = QStringLiteral("{}"))
    {
        auto mock = std::make_unique<QProcess>();
        mock->setStandardOutputFile(QProcess::nullDevice());
        mock->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        mock->start(QStringLiteral(ZENTARI_PYTHON3),
                    {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"),
                     QDir(QStringLiteral(ZENTARI_MOCK_DIR)).filePath(templateFile),
                     QStringLiteral("--parameters"), parameters});
        QDeadlineTimer deadline(20000);
        while (!bus.interface()->isServiceRegistered(name) && !deadline.hasExpired() &&
               mock->state() != QProcess::NotRunning)
            QThread::msleep(20);
        ASSERT_TRUE(bus.interface()->isServiceRegistered(name)) << "mock did not start";
        m_mocks.push_back({std::move(mock), bus, name});
    }
    void startLogind(const QString& parameters = QStringLiteral("{}"))
    {
        startMock(QStringLiteral("mock_logind.py"), login1, systemBus(), parameters);
    }
    void startGnome() { startMock(QStringLiteral("mock_gnome_session.py"), gnome, sessionBus()); }

    // The calls a mock object has answered, from dbusmock's own log.
    static QList<MockCall> calls(QDBusConnection bus, const QString& service, const QString& path)
    {
        const QDBusMessage reply = bus.call(QDBusMessage::createMethodCall(
            service, path, QStringLiteral("org.freedesktop.DBus.Mock"),
            QStringLiteral("GetCalls")));
        QList<MockCall> result;
        if (reply.type() != QDBusMessage::ReplyMessage)
            return result;
        const auto log = reply.arguments().value(0).value<QDBusArgument>();
        log.beginArray();
        while (!log.atEnd()) {
            MockCall call;
            quint64 time = 0;
            log.beginStructure();
            log >> time >> call.method >> call.args;
            log.endStructure();
            result.append(call);
        }
        log.endArray();
        return result;
    }
    static QStringList methods(const QList<MockCall>& list)
    {
        QStringList names;
        for (const MockCall& call : list)
            names.append(call.method);
        return names;
    }

    static inline std::unique_ptr<PrivateBus> s_system;
    static inline std::unique_ptr<PrivateBus> s_session;
    static inline bool s_ready = false;

    struct Mock
    {
        std::unique_ptr<QProcess> process;
        QDBusConnection bus;
        QString name;
    };
    std::vector<Mock> m_mocks;
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

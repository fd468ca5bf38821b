#include "dbusmocks.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

namespace zentari::test {

bool PrivateBus::start()
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

PrivateBus::~PrivateBus()
{
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000))
        m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

QList<MockCall> mockCalls(QDBusConnection bus, const QString& service, const QString& path)
{
    const QDBusMessage reply = bus.call(QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("GetCalls")));
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

QStringList methods(const QList<MockCall>& calls)
{
    QStringList names;
    for (const MockCall& call : calls)
        names.append(call.method);
    return names;
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void PrivateBusTest::SetUpTestSuite()
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

void PrivateBusTest::TearDownTestSuite()
{
    s_system.reset();
    s_session.reset();
}

void PrivateBusTest::SetUp()
{
    ASSERT_TRUE(s_ready) << "the private D-Bus daemons did not start";
}

void PrivateBusTest::TearDown()
{
    stopMocks();
}

void PrivateBusTest::stopMocks()
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
    m_mocks.clear();
}

void PrivateBusTest::startMock(const QString& dbusmockTemplate, const QString& name,
                               QDBusConnection bus, const QString& parameters)
{
    auto mock = std::make_unique<QProcess>();
    mock->setStandardOutputFile(QProcess::nullDevice());
    mock->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    mock->start(QStringLiteral(ZENTARI_PYTHON3),
                {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"),
                 dbusmockTemplate, QStringLiteral("--parameters"), parameters});
    QDeadlineTimer deadline(20000);
    while (!bus.interface()->isServiceRegistered(name) && !deadline.hasExpired() &&
           mock->state() != QProcess::NotRunning)
        QThread::msleep(20);
    ASSERT_TRUE(bus.interface()->isServiceRegistered(name)) << "mock did not start";
    m_mocks.push_back({std::move(mock), bus, name});
}

} // namespace zentari::test

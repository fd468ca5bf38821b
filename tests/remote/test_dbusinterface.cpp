// The description of the clock's D-Bus interface, org.zentari.Zentari1.xml,
// made into an adaptor and a proxy by Qt's generator and served on a private
// bus: what a caller sees there (gdbus among them) is what the file says, and
// entries, refusals and signals cross the bus whole.
#include "fakeclock.h"
#include "remote/commandline.h"
#include "remote/dbustypes.h"
#include "support/printers.h"
#include "zentari1proxy.h"
#include "zentariadaptor.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

using namespace zentari::remote;
using namespace std::chrono_literals;

namespace {

class PrivateBus
{
public:
    bool start()
    {
        QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        // No service folders: nothing is ever activated on this bus.
        config.write(
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
            "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig><type>session</type><listen>unix:dir=" +
            m_dir.path().toUtf8() +
            "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
            "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/><allow own=\"*\"/>"
            "</policy></busconfig>\n");
        config.close();
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                        QStringLiteral("--config-file=") + config.fileName()});
        const QDeadlineTimer deadline(10s);
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

// The service answers on this thread: wait for a reply while serving it.
template <typename Reply> Reply& await(Reply& reply)
{
    const QDeadlineTimer deadline(10s);
    while (!reply.isFinished() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return reply;
}

// The interface's members as one line each: "method AddAction(in i type, ...)".
QStringList members(const QByteArray& xml)
{
    QStringList out;
    QXmlStreamReader reader(xml);
    bool inside = false;
    QString current;
    QStringList args;
    while (!reader.atEnd()) {
        reader.readNext();
        const auto name = reader.name();
        if (reader.isStartElement() && name == u"interface")
            inside = reader.attributes().value(QLatin1String("name")) == kInterfaceName;
        if (!inside)
            continue;
        if (reader.isStartElement() && (name == u"method" || name == u"signal")) {
            current = name.toString() + u' ' +
                      reader.attributes().value(QLatin1String("name")).toString();
            args.clear();
        } else if (reader.isStartElement() && name == u"arg") {
            const auto a = reader.attributes();
            const QString direction = a.value(QLatin1String("direction")).toString();
            args.append((direction.isEmpty() ? QString() : direction + u' ') +
                        a.value(QLatin1String("type")).toString() + u' ' +
                        a.value(QLatin1String("name")).toString());
        } else if (reader.isEndElement() && (name == u"method" || name == u"signal")) {
            out.append(current + u'(' + args.join(QStringLiteral(", ")) + u')');
        } else if (reader.isEndElement() && name == u"interface") {
            inside = false;
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    out.sort();
    return out;
}

class DBusInterface : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_bus = std::make_unique<PrivateBus>();
        s_ready = s_bus->start();
        registerDBusTypes();
    }
    static void TearDownTestSuite() { s_bus.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(s_ready) << "the private D-Bus daemon did not start";
        const QString suffix = QString::number(++s_connections);
        m_service = QDBusConnection::connectToBus(s_bus->address, u"service" + suffix);
        m_caller = QDBusConnection::connectToBus(s_bus->address, u"caller" + suffix);
        ASSERT_TRUE(m_service.isConnected() && m_caller.isConnected());
        new ZentariAdaptor(&m_clock);
        ASSERT_TRUE(m_service.registerObject(kObjectPath.toString(), &m_clock));
        ASSERT_TRUE(m_service.registerService(kServiceName.toString()));
        m_proxy = std::make_unique<Zentari1Proxy>(kServiceName.toString(), kObjectPath.toString(),
                                                  m_caller);
    }
    void TearDown() override
    {
        m_proxy.reset();
        m_service.unregisterService(kServiceName.toString());
        QDBusConnection::disconnectFromBus(m_service.name());
        QDBusConnection::disconnectFromBus(m_caller.name());
    }

    static inline std::unique_ptr<PrivateBus> s_bus;
    static inline bool s_ready = false;
    static inline int s_connections = 0;
    FakeClock m_clock;
    QDBusConnection m_service{QString()};
    QDBusConnection m_caller{QString()};
    std::unique_ptr<Zentari1Proxy> m_proxy;
};

} // namespace

TEST_F(DBusInterface, CallersSeeTheInterfaceAsTheDescriptionHasIt)
{
    QFile description(QStringLiteral(ZENTARI_DBUS_INTERFACE_FILE));
    ASSERT_TRUE(description.open(QIODevice::ReadOnly));
    const QStringList described = members(description.readAll());
    EXPECT_EQ(described.size(), 16); // 13 methods, 3 signals

    QProcess gdbus;
    gdbus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    gdbus.start(QStringLiteral("gdbus"),
                {QStringLiteral("introspect"), QStringLiteral("--address"), s_bus->address,
                 QStringLiteral("--dest"), kServiceName.toString(), QStringLiteral("--object-path"),
                 kObjectPath.toString(), QStringLiteral("--xml")});
    const QDeadlineTimer deadline(20s);
    while (gdbus.state() != QProcess::NotRunning && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(gdbus.exitCode(), 0);
    const QByteArray served = gdbus.readAllStandardOutput();
    EXPECT_EQ(members(served), described) << served.toStdString();
    // The errors a caller may get are named where it looks.
    EXPECT_TRUE(served.contains("org.zentari.Zentari1.Error.Refused"));
}

TEST_F(DBusInterface, ListsCrossTheBusWholeAndPrintAsTheCommandLineShowsThem)
{
    m_clock.actions = {
        {QStringLiteral("08.12.2026 7:00:00 #2"),
         0,
         QStringLiteral("/home/ann/Музыка/звонок.mp3"),
         QStringLiteral("08.12.2026"),
         QStringLiteral("7:00:00"),
         3,
         {1, 3, 5}},
        {QStringLiteral("08.12.2026"),
         -1,
         QStringLiteral("Выберите файл!!!!"),
         QStringLiteral("08.12.2026"),
         QStringLiteral("0:00:00"),
         1,
         {}},
    };
    m_clock.reminders = {{QStringLiteral("Врач25.01.2027"), QStringLiteral("Врач"),
                          QStringLiteral("25.01.2027"), QStringLiteral("10:30:00")}};
    auto actions = m_proxy->ListActions();
    auto reminders = m_proxy->ListReminders();
    ASSERT_FALSE(await(actions).isError()) << actions.error().message().toStdString();
    ASSERT_FALSE(await(reminders).isError()) << reminders.error().message().toStdString();
    EXPECT_EQ(actions.value(), m_clock.actions);
    EXPECT_EQ(reminders.value(), m_clock.reminders);
    EXPECT_EQ(
        listing(actions.value(), reminders.value()),
        u"action\t08.12.2026 7:00:00 #2\t08.12.2026\t7:00:00\t0\t/home/ann/Музыка/звонок.mp3\n"
        u"action\t08.12.2026\t08.12.2026\t0:00:00\t-1\tВыберите файл!!!!\n"
        u"reminder\tВрач25.01.2027\t25.01.2027\t10:30:00\tВрач\n");
}

TEST_F(DBusInterface, CallsArriveWithTheirArgumentsAndRefusalsReturnTheRussianMessage)
{
    auto added =
        m_proxy->AddAction(0, QStringLiteral("/home/ann/звонок.mp3"), QStringLiteral("07.12.2026"),
                           QStringLiteral("09:05"), 3, {1, 3, 5});
    ASSERT_FALSE(await(added).isError());
    EXPECT_EQ(added.value(), u"07.12.2026 9:05:00");

    auto refused = m_proxy->AddReminder(QStringLiteral("Врач"), QStringLiteral("строка\nвторая"),
                                        QStringLiteral("32.12.2026"), QStringLiteral("9:00:00"));
    ASSERT_TRUE(await(refused).isError());
    EXPECT_EQ(refused.error().name(), kRefusedError);
    EXPECT_EQ(refused.error().message(), u"«32.12.2026» — недопустимая дата");
    EXPECT_EQ(exitStatusForError(refused.error().name()), BadArguments);

    auto unknown = m_proxy->RemoveAction(QStringLiteral("01.01.2000"));
    ASSERT_TRUE(await(unknown).isError());
    EXPECT_EQ(unknown.error().message(), u"Нет действия с кодом «01.01.2000».");

    auto noTemplate = m_proxy->StartTemplate(4);
    EXPECT_EQ(exitStatusForError(await(noTemplate).error().name()), BadArguments);
    auto unreadable = m_proxy->ReloadOptions();
    EXPECT_EQ(await(unreadable).error().name(), kStoreFailedError);
    EXPECT_EQ(exitStatusForError(unreadable.error().name()), StoreFailed);

    auto gated = m_proxy->AbortShutdown();
    ASSERT_FALSE(await(gated).isError());
    EXPECT_FALSE(gated.value()); // the password window, not the abort

    EXPECT_EQ(
        m_clock.calls,
        (QStringList{QStringLiteral("AddAction|0|/home/ann/звонок.mp3|07.12.2026|09:05|3|1,3,5"),
                     QStringLiteral("AddReminder|Врач|строка\nвторая|32.12.2026|9:00:00"),
                     QStringLiteral("RemoveAction|01.01.2000"), QStringLiteral("StartTemplate|4"),
                     QStringLiteral("ReloadOptions"), QStringLiteral("AbortShutdown")}));
}

TEST_F(DBusInterface, SignalsReachTheCaller)
{
    QSignalSpy performed(m_proxy.get(), &Zentari1Proxy::ActionPerformed);
    QSignalSpy shown(m_proxy.get(), &Zentari1Proxy::ReminderShown);
    QSignalSpy changed(m_proxy.get(), &Zentari1Proxy::ListsChanged);
    // A call after connecting: the caller's match rules are on the bus by its answer.
    auto ping = m_proxy->ShowClock();
    await(ping);

    Q_EMIT m_clock.ActionPerformed(QStringLiteral("07.12.2026 23:45:00"), 4);
    Q_EMIT m_clock.ReminderShown(QStringLiteral("Врач25.01.2027"), QStringLiteral("Врач"));
    Q_EMIT m_clock.ListsChanged();
    const QDeadlineTimer deadline(10s);
    while (changed.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(performed.size(), 1);
    EXPECT_EQ(performed[0], (QVariantList{QStringLiteral("07.12.2026 23:45:00"), 4}));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0], (QVariantList{QStringLiteral("Врач25.01.2027"), QStringLiteral("Врач")}));
    EXPECT_EQ(changed.size(), 1);
}

TEST_F(DBusInterface, MalformedCallsAreErrorsAndTheServiceAnswersOn)
{
    auto call = [&](const QString& method, const QVariantList& arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            kServiceName.toString(), kObjectPath.toString(), kInterfaceName.toString(), method);
        message.setArguments(arguments);
        QDBusPendingCall pending = m_caller.asyncCall(message);
        return await(pending).reply();
    };
    EXPECT_EQ(call(QStringLiteral("AddAction"), {QStringLiteral("x")}).type(),
              QDBusMessage::ErrorMessage);
    EXPECT_EQ(call(QStringLiteral("StartTemplate"), {QStringLiteral("five")}).type(),
              QDBusMessage::ErrorMessage);
    EXPECT_EQ(call(QStringLiteral("Shutdown"), {}).type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(call(QStringLiteral("ShowClock"), {}).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(m_clock.calls, QStringList{QStringLiteral("ShowClock")});
}

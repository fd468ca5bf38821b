// A due reminder's notification through the real clock window and the D-Bus
// back end, against python3-dbusmock's notification server on a private
// session bus of the test's own.
#include "clockfixture.h"

#include "platform/desktop/dbusmocks.h"
#include "platform/notifications_freedesktop.h"

#include <QAction>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QMenu>
#include <QProcess>
#include <QTimer>

using namespace zentari;
using namespace zentari::test;

namespace {

const QString server = QStringLiteral("org.freedesktop.Notifications");
const QString serverPath = QStringLiteral("/org/freedesktop/Notifications");
const QDate kToday(2026, 12, 8);

class NoticesOnTheBus : public ClockFixture
{
protected:
    PrivateBus bus;
    std::optional<QDBusConnection> connection;
    QProcess mock;
    std::unique_ptr<FreedesktopNotifications> notes;

    ~NoticesOnTheBus() override
    {
        stop(); // the clock before the service it posts through
        notes.reset();
        mock.terminate();
        if (!mock.waitForFinished(5000))
            mock.kill();
        mock.waitForFinished(5000);
        if (connection)
            QDBusConnection::disconnectFromBus(connection->name());
    }

    // The server, then the clock with a reminder due at 12:00:07.
    void startWith(const QString& capabilities)
    {
        ASSERT_TRUE(bus.start()) << "the private D-Bus daemon did not start";
        connection = QDBusConnection::connectToBus(bus.address, QStringLiteral("notices-test"));
        ASSERT_TRUE(connection->isConnected());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address);
        mock.setProcessEnvironment(env);
        mock.setStandardOutputFile(QProcess::nullDevice());
        mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        mock.start(QStringLiteral(ZENTARI_PYTHON3),
                   {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"),
                    QStringLiteral("notification_daemon"), QStringLiteral("--parameters"),
                    QStringLiteral(R"({"capabilities": "%1"})").arg(capabilities)});
        ASSERT_TRUE(
            waitUntil([&] { return connection->interface()->isServiceRegistered(server); }, 20000))
            << "the notification server did not start";
        notes = std::make_unique<FreedesktopNotifications>(*connection);

        dir.writeConf(QStringLiteral("[Options big]\nSnoozeMinutes=5\nTraySet=0\n"
                                     "[Options small]\non=yes\n"));
        Services services = sys.services();
        services.notifications = notes.get();
        session = std::make_unique<ClockSession>(dir.path(), services, *report);
        windows = std::make_unique<ClockWindows>(dir.path(), services, *report, *session);
        form1 =
            std::make_unique<TForm1>(dir.path(), services, *report, *session, *windows, &trayArea);
        session->loadAtStart();
        ASSERT_TRUE(session->reminders().addReminder(QStringLiteral("Врач"),
                                                     QStringLiteral("Запись к врачу\nвзять полис"),
                                                     kToday, QTime(12, 0, 7)));
        form1->show();
        sys.clock.set(QDateTime(kToday, QTime(12, 0, 6)));
        form1->Timer1Timer();
    }

    QList<MockCall> calls(const QString& method)
    {
        QList<MockCall> found;
        for (const MockCall& call : mockCalls(*connection, server, serverPath))
            if (call.method == method)
                found.append(call);
        return found;
    }

    // Runs `whileShown` inside the reminder window's own loop, once the
    // server has been asked for its notification, at the reminder's second.
    void remindWhile(const std::function<void()>& whileShown)
    {
        bool ran = false;
        QTimer::singleShot(0, form6.get(), [&] {
            ran = true;
            EXPECT_TRUE(form6->isVisible());
            EXPECT_TRUE(waitUntil([&] { return !calls(QStringLiteral("Notify")).isEmpty(); }))
                << "no notification was asked for";
            // The server's answer, with the id, on its way back to the clock.
            waitUntil([] { return false; }, 500);
            whileShown();
            if (form6->isVisible()) {
                ADD_FAILURE() << "the reminder's window is still open";
                form6->reject();
            }
        });
        sys.clock.set(QDateTime(kToday, QTime(12, 0, 7)));
        form1->Timer1Timer();
        EXPECT_TRUE(ran) << "the reminder's window did not open";
    }

    void emitFromServer(const QString& name, const QString& signature, const QVariantList& args)
    {
        const QDBusMessage reply =
            connection->call(QDBusMessage::createMethodCall(
                                 server, serverPath, QStringLiteral("org.freedesktop.DBus.Mock"),
                                 QStringLiteral("EmitSignal"))
                             << server << name << signature << QVariant(args));
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }
};

QVariantMap hintsOf(const MockCall& notify)
{
    QVariantMap hints;
    const QVariant value = notify.args.value(6);
    if (value.canConvert<QDBusArgument>())
        value.value<QDBusArgument>() >> hints;
    else
        hints = value.toMap();
    for (auto it = hints.begin(); it != hints.end(); ++it)
        if (it->canConvert<QDBusVariant>())
            *it = it->value<QDBusVariant>().variant();
    return hints;
}

} // namespace

TEST_F(NoticesOnTheBus, ADueReminderIsPutOffFromItsNotificationAndTheWindowCloses)
{
    startWith(QStringLiteral("actions body persistence"));
    remindWhile([&] {
        const QList<MockCall> posted = calls(QStringLiteral("Notify"));
        ASSERT_EQ(posted.size(), 1);
        const MockCall& notify = posted[0];
        EXPECT_EQ(notify.args.value(3).toString(), QStringLiteral("Врач"));
        EXPECT_EQ(notify.args.value(4).toString(), QStringLiteral("Запись к врачу\nвзять полис"));
        EXPECT_EQ(notify.args.value(5).toStringList(),
                  QStringList({QStringLiteral("default"), QStringLiteral("Показать"),
                               QStringLiteral("snooze"), QStringLiteral("Отложить"),
                               QStringLiteral("close"), QStringLiteral("Закрыть")}));
        const QVariantMap hints = hintsOf(notify);
        EXPECT_EQ(hints.value(QStringLiteral("urgency")).toInt(), 2);
        EXPECT_TRUE(hints.value(QStringLiteral("resident")).toBool());
        EXPECT_EQ(hints.value(QStringLiteral("desktop-entry")).toString(),
                  QStringLiteral("zentari"));
        // The first notification of a fresh server is number 1. Until the
        // server's answer has reached the clock the id is not known as ours:
        // the click is repeated for a slow machine (a second one would find
        // the window closed and do nothing).
        for (int attempt = 0; attempt < 5 && form6->isVisible(); ++attempt) {
            emitFromServer(QStringLiteral("ActionInvoked"), QStringLiteral("us"),
                           {1u, QStringLiteral("snooze")});
            waitUntil([&] { return !form6->isVisible(); }, 1000);
        }
    });
    EXPECT_FALSE(form6->isVisible());
    // Put off by SnoozeMinutes from the reminder's second.
    ASSERT_EQ(session->reminders().count(), 1);
    EXPECT_EQ(session->reminders().at(0).timeText, QStringLiteral("12:05:07"));
    // The closed window took its notification along.
    EXPECT_TRUE(waitUntil([&] { return !calls(QStringLiteral("CloseNotification")).isEmpty(); }));
    EXPECT_EQ(calls(QStringLiteral("CloseNotification")).value(0).args.value(0).toUInt(), 1u);
    EXPECT_EQ(calls(QStringLiteral("Notify")).size(), 1);
}

TEST_F(NoticesOnTheBus, AServerWithoutButtonsGetsAPlainNotificationAndTheWindowWorksAsBefore)
{
    startWith(QStringLiteral("body"));
    remindWhile([&] {
        const QList<MockCall> posted = calls(QStringLiteral("Notify"));
        ASSERT_EQ(posted.size(), 1);
        EXPECT_EQ(posted[0].args.value(3).toString(), QStringLiteral("Врач"));
        EXPECT_TRUE(posted[0].args.value(5).toStringList().isEmpty());
        // Put off from its own menu, as without any server.
        form6->PopupMenu1->actions().constFirst()->trigger();
    });
    EXPECT_EQ(session->reminders().at(0).timeText, QStringLiteral("12:05:07"));
    EXPECT_TRUE(waitUntil([&] { return !calls(QStringLiteral("CloseNotification")).isEmpty(); }));
}
